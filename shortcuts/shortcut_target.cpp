#include "shortcut_target.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstring>
#include <cstdint>

#include "handles.h"

namespace suite {

namespace {

constexpr DWORD kMaxShortcutBytes = 1024 * 1024;

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
};

bool WideExists(const std::wstring& path) {
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Expand(const std::wstring& path) {
  if (path.find(L'%') == std::wstring::npos) return path;
  wchar_t buf[MAX_PATH * 2] = {};
  DWORD n = ExpandEnvironmentStringsW(path.c_str(), buf, MAX_PATH * 2);
  return (n > 0 && n <= MAX_PATH * 2) ? std::wstring(buf) : path;
}

uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                               static_cast<unsigned char>(b[at + 1]) << 8);
}

// A NUL-ended UTF-16 string at `at`, not reading past `end`.
std::wstring WideAt(const std::string& b, size_t at, size_t end) {
  std::wstring out;
  for (size_t i = at; i + 1 < end && i + 1 < b.size(); i += 2) {
    wchar_t c = static_cast<wchar_t>(U16(b, i));
    if (c == 0) break;
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::vector<std::wstring> UnicodeShortcutTargets(const std::string& b) {
  std::vector<std::wstring> targets;
  constexpr size_t kHeader = 0x4C;
  if (b.size() < kHeader || U32(b, 0) != kHeader) return targets;
  const uint32_t flags = U32(b, 0x14);
  size_t at = kHeader;
  if (flags & 0x1) {  // HasLinkTargetIDList
    if (at + 2 > b.size()) return targets;
    at += 2 + U16(b, at);
  }
  if (flags & 0x2) {  // HasLinkInfo
    if (at + 0x24 > b.size()) return targets;
    const size_t info = at;
    const uint32_t size = U32(b, info), headerSize = U32(b, info + 4);
    const size_t end = std::min(b.size(), info + size);
    if (size >= 0x24 && headerSize >= 0x24 && (U32(b, info + 8) & 0x1)) {
      const uint32_t base = U32(b, info + 0x1C), suffix = U32(b, info + 0x20);
      if (base && info + base < end) {
        std::wstring path = WideAt(b, info + base, end);
        if (suffix && info + suffix < end) path += WideAt(b, info + suffix, end);
        if (!path.empty()) targets.push_back(path);
      }
    }
    at = info + size;
  }
  // String data, then the extra data blocks.
  const bool unicode = (flags & 0x80) != 0;
  for (uint32_t bit : {0x4u, 0x8u, 0x10u, 0x20u, 0x40u}) {
    if (!(flags & bit)) continue;
    if (at + 2 > b.size()) return targets;
    at += 2 + static_cast<size_t>(U16(b, at)) * (unicode ? 2 : 1);
  }
  while (at + 8 <= b.size()) {
    const uint32_t blockSize = U32(b, at);
    if (blockSize < 8) break;
    if (U32(b, at + 4) == 0xA0000001 && blockSize >= 0x314 && at + 0x314 <= b.size()) {
      std::wstring path = Expand(WideAt(b, at + 8 + 260, at + 0x314));
      if (!path.empty()) targets.push_back(path);
    }
    at += blockSize;
  }
  return targets;
}

std::string RawShortcutTarget(std::string text) {
  for (char& c : text)
    if (c == '\0' || c == '"') c = '>';
  size_t from = 0;  // the text still considered starts here
  for (;;) {
    size_t colon = text.find(":\\", from);
    if (colon == std::string::npos) return std::string();
    size_t start = colon > from ? colon - 1 : from;
    size_t end = text.find('>', start);
    std::string candidate = text.substr(start, end == std::string::npos ? std::string::npos
                                                                         : end - start);
    if (candidate.find('.') != std::string::npos) return candidate;
    from = colon + 2;
  }
}

std::string ReadShortcutBytes(const std::string& path) {
  UniqueHandleKernel file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::string();
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (bytes.size() < kMaxShortcutBytes &&
         ::ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0)
    bytes.append(buf, got);
  if (bytes.size() > kMaxShortcutBytes) bytes.resize(kMaxShortcutBytes);
  return bytes;
}

bool IsShellLinkHeader(const std::string& b) {
  // {00021401-0000-0000-C000-000000000046} as stored (little-endian fields).
  static const unsigned char kClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                             0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  return b.size() >= 0x4C && U32(b, 0) == 0x4C && std::memcmp(b.data() + 4, kClassId, 16) == 0;
}

namespace {

enum class TargetState { Present, Missing, Unknown };

// Missing only when the system says the name does not exist and the name is
// on a fixed disk ("X:\..."); texts that are not such paths cannot be judged.
TargetState StateOf(const std::wstring& target) {
  if (target.empty()) return TargetState::Unknown;
  if (target.size() < 3 || target[1] != L':' || target[2] != L'\\' ||
      target.find_first_of(L"%*?") != std::wstring::npos || target.size() >= MAX_PATH)
    return TargetState::Unknown;
  const wchar_t root[] = {target[0], L':', L'\\', 0};
  if (GetDriveTypeW(root) != DRIVE_FIXED) return TargetState::Unknown;
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) return TargetState::Present;
  const DWORD error = GetLastError();
  return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? TargetState::Missing
                                                                          : TargetState::Unknown;
}

// The targets the system's reader gives; false when the link cannot be read.
bool ReaderTargets(const std::string& path, std::vector<std::wstring>& out) {
  wchar_t widePath[MAX_PATH] = {};
  if (path.empty() || path.size() >= MAX_PATH ||
      !MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.c_str(), -1, widePath, MAX_PATH))
    return false;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link.p))))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
      FAILED(file->Load(widePath, STGM_READ)))
    return false;
  for (DWORD flags : {DWORD(SLGP_RAWPATH), DWORD(0)}) {
    wchar_t target[MAX_PATH] = {};
    if (link->GetPath(target, MAX_PATH, nullptr, flags) == S_OK && target[0])
      out.push_back(Expand(target));
  }
  return true;
}

}  // namespace

bool ShellLinkTargetExists(const std::string& path) {
  std::vector<std::wstring> targets = UnicodeShortcutTargets(ReadShortcutBytes(path));
  for (const std::wstring& target : targets)
    if (WideExists(target)) return true;
  targets.clear();
  if (!ReaderTargets(path, targets)) return false;
  for (const std::wstring& target : targets)
    if (WideExists(target)) return true;
  return false;
}

bool ShellLinkTargetMissing(const std::string& path) {
  const std::string bytes = ReadShortcutBytes(path);
  if (!IsShellLinkHeader(bytes)) return false;
  std::vector<std::wstring> targets = UnicodeShortcutTargets(bytes);
  if (!ReaderTargets(path, targets)) return false;
  if (targets.empty()) return false;
  for (const std::wstring& target : targets)
    if (StateOf(target) != TargetState::Missing) return false;
  return true;
}

}  // namespace suite
