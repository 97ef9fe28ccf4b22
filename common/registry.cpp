#include "registry.h"

#include <algorithm>

#include "dryrun.h"

#include "text.h"

namespace suite {

namespace {

struct RootName {
  HKEY key;
  const char* name;
};
const RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_USERS, "HKEY_USERS"},
};

// Whether the path begins with the key name `part` (a whole name, any letter
// case); `rest` then holds what follows it, its backslash included.
bool StartsWithKey(const std::string& path, const char* part, std::string& rest) {
  const size_t n = strlen(part);
  if (path.size() < n || !EqualsNoCase(path.substr(0, n), part)) return false;
  if (path.size() > n && path[n] != '\\') return false;
  rest = path.substr(n);
  return true;
}

// The classes key `classes` (HKEY_CLASSES_ROOT "" or "Software\Classes") and
// what follows it, in the 32-bit view.
std::string Wow64Classes(const std::string& classes, const std::string& rest) {
  std::string below;
  if (StartsWithKey(rest.empty() ? rest : rest.substr(1), kWow64Node, below)) return std::string();
  return classes.empty() ? kWow64Node + rest : classes + "\\" + kWow64Node + rest;
}

bool DetectTwoViews() {
#ifdef _WIN64
  return true;
#else
  // A 32-bit program on a 64-bit Windows runs under WOW64; the function is
  // missing on the systems that have one view only.
  using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto isWow64 = kernel ? reinterpret_cast<IsWow64Fn>(reinterpret_cast<void*>(
                              GetProcAddress(kernel, "IsWow64Process")))
                        : nullptr;
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

// The full name the system gives an open key ("\REGISTRY\MACHINE\..."); empty
// when it cannot tell.
std::wstring KernelKeyName(HKEY key) {
  using NtQueryKeyFn = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  static const NtQueryKeyFn query = [] {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<NtQueryKeyFn>(
                       reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryKey")))
                 : nullptr;
  }();
  if (!query || !key) return std::wstring();
  const int kKeyNameInformation = 3;
  std::vector<ULONG> buffer(1024);
  for (int attempt = 0; attempt < 2; ++attempt) {
    ULONG needed = 0;
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    const LONG status = query(key, kKeyNameInformation, buffer.data(), size, &needed);
    if (status >= 0) {
      const ULONG bytes = buffer[0];
      if (bytes > size - sizeof(ULONG)) return std::wstring();
      return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1),
                          bytes / sizeof(wchar_t));
    }
    if (needed <= size || needed > (1u << 20)) return std::wstring();
    buffer.resize(needed / sizeof(ULONG) + 1);
  }
  return std::wstring();
}

// Deletes the empty subkey `name` of `parent` in the 64-bit view.
LONG DeleteSubkey(HKEY parent, const wchar_t* name) {
#ifndef _WIN64
  // A 32-bit program names the view it deletes in; the call exists only on
  // the systems that have two views.
  if (HasTwoViews()) {
    using DeleteExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    static const DeleteExFn deleteEx = [] {
      HMODULE advapi = GetModuleHandleA("advapi32.dll");
      return advapi ? reinterpret_cast<DeleteExFn>(
                          reinterpret_cast<void*>(GetProcAddress(advapi, "RegDeleteKeyExW")))
                    : nullptr;
    }();
    if (deleteEx) return deleteEx(parent, name, KEY_WOW64_64KEY, 0);
  }
#endif
  return RegDeleteKeyW(parent, name);
}

}  // namespace

const char kWow64Node[] = "Wow6432Node";

bool HasTwoViews() {
  static const bool two = DetectTwoViews();
  return two;
}

REGSAM InNativeView(REGSAM access) { return HasTwoViews() ? access | KEY_WOW64_64KEY : access; }

bool IsWow64NodeName(const std::string& name) { return EqualsNoCase(name, kWow64Node); }

std::string Wow64Path(HKEY root, const std::string& path) {
  if (!HasTwoViews()) return std::string();
  std::string rest, below;
  if (root == HKEY_CLASSES_ROOT) return Wow64Classes(std::string(), path.empty() ? path : "\\" + path);
  if (root != HKEY_LOCAL_MACHINE && root != HKEY_CURRENT_USER) return std::string();
  if (!StartsWithKey(path, "Software", rest)) return std::string();
  if (StartsWithKey(rest.empty() ? rest : rest.substr(1), "Classes", below))
    return Wow64Classes(path.substr(0, path.size() - below.size()), below);
  if (root != HKEY_LOCAL_MACHINE) return std::string();  // the user's keys are shared
  if (StartsWithKey(rest.empty() ? rest : rest.substr(1), kWow64Node, below)) return std::string();
  return path.substr(0, path.size() - rest.size()) + "\\" + kWow64Node + rest;
}

bool InWow64View(const std::string& path) {
  size_t from = 0;
  while (from <= path.size()) {
    size_t end = path.find('\\', from);
    if (end == std::string::npos) end = path.size();
    if (IsWow64NodeName(path.substr(from, end - from))) return true;
    from = end + 1;
  }
  return false;
}

bool SameRegistryKey(HKEY a, HKEY b) {
  const std::wstring nameA = KernelKeyName(a);
  return !nameA.empty() && _wcsicmp(nameA.c_str(), KernelKeyName(b).c_str()) == 0;
}

std::vector<std::string> ViewPaths(HKEY root, const std::string& path) {
  std::vector<std::string> paths{path};
  const std::string wow = Wow64Path(root, path);
  if (wow.empty()) return paths;
  // A link (how Wine shares a key) is the other view's key: not read twice.
  bool isLink = false;
  UniqueKey other = OpenKeyNoLink(root, WideFromAnsi(wow), KEY_QUERY_VALUE, &isLink);
  if (!other || isLink) return paths;
  other = OpenKey(root, wow, KEY_QUERY_VALUE);
  UniqueKey first = OpenKey(root, path, KEY_QUERY_VALUE);
  if (other && !(first && SameRegistryKey(first.get(), other.get()))) paths.push_back(wow);
  return paths;
}

HKEY RootKeyFromName(const std::string& name) {
  for (const RootName& r : kRoots)
    if (name == r.name) return r.key;
  return nullptr;
}

std::string RootKeyName(HKEY root) {
  for (const RootName& r : kRoots)
    if (root == r.key) return r.name;
  return std::string();
}

UniqueKey OpenKey(HKEY root, const std::string& path, REGSAM access) {
  UniqueKey key;
  if (!root || RegOpenKeyExA(root, path.c_str(), 0, InNativeView(access), key.put()) != ERROR_SUCCESS)
    key.reset();
  return key;
}

namespace {

// Names are taken in UTF-16 from `next(index, buffer, length)` until it
// fails: a name the ANSI code page cannot hold would come back as "?" and
// name another key or value (or none), so such names are left out.
template <class Next>
std::vector<std::string> AnsiNames(DWORD room, Next next) {
  std::vector<std::string> names;
  std::vector<wchar_t> name(room);
  for (DWORD i = 0; i < kMaxRegistryNames; ++i) {
    DWORD len = room;
    if (next(i, name.data(), &len) != ERROR_SUCCESS || len == 0) break;
    bool lossless = true;
    std::string narrow = AnsiFromWide(std::wstring(name.data(), len), &lossless);
    if (lossless) names.push_back(std::move(narrow));
  }
  return names;
}

}  // namespace

std::vector<std::string> SubkeyNames(HKEY openKey) {
  return AnsiNames(256, [openKey](DWORD i, wchar_t* name, DWORD* len) {
    return RegEnumKeyExW(openKey, i, name, len, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path, REGSAM access) {
  UniqueKey key = OpenKey(root, path, access);
  return key ? SubkeyNames(key.get()) : std::vector<std::string>();
}

std::vector<std::string> ValueNames(HKEY openKey) {
  return AnsiNames(16384, [openKey](DWORD i, wchar_t* name, DWORD* len) {
    return RegEnumValueW(openKey, i, name, len, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path, REGSAM access) {
  UniqueKey key = OpenKey(root, path, access);
  return key ? ValueNames(key.get()) : std::vector<std::string>();
}

bool ReadString(HKEY openKey, const std::string& valueName, std::string& out, size_t limit) {
  out.clear();
  if (limit < 2) return false;
  std::string buf(limit, '\0');
  DWORD size = static_cast<DWORD>(limit - 1), type = 0;  // keep room for a NUL
  if (RegQueryValueExA(openKey, valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(&buf[0]), &size) != ERROR_SUCCESS)
    return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return false;
  buf.resize(size);
  size_t nul = buf.find('\0');
  out = nul == std::string::npos ? buf : buf.substr(0, nul);
  return true;
}

std::string ReadString(HKEY root, const std::string& path, const std::string& valueName,
                       REGSAM access, size_t limit) {
  UniqueKey key = OpenKey(root, path, access);
  std::string out;
  if (key) ReadString(key.get(), valueName, out, limit);
  return out;
}

std::wstring WideFromAnsi(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
  return out;
}

std::string AnsiFromWide(const std::wstring& text, bool* lossless) {
  if (lossless) *lossless = true;
  if (text.empty()) return std::string();
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        lossless ? &usedDefault : nullptr);
  // A best-fit mapping also changes the name: only a round trip proves it whole.
  if (lossless && (usedDefault || WideFromAnsi(out) != text)) *lossless = false;
  return out;
}

std::string DisplayName(const std::wstring& name) {
  bool lossless = true;
  std::string whole = AnsiFromWide(name, &lossless);
  if (lossless) return whole;
  std::string out;
  for (wchar_t c : name) {
    bool one = true;
    const std::string part = AnsiFromWide(std::wstring(1, c), &one);
    out += one ? part : Format("<U+%04X>", static_cast<unsigned>(c));
  }
  return out;
}

UniqueKey OpenKeyNoLink(HKEY parent, const std::wstring& path, REGSAM access, bool* isLink) {
  if (isLink) *isLink = false;
  UniqueKey key;
  if (!parent || RegOpenKeyExW(parent, path.c_str(), REG_OPTION_OPEN_LINK, InNativeView(access),
                                  key.put()) !=
                     ERROR_SUCCESS) {
    key.reset();
    return key;
  }
  if (isLink) *isLink = IsLinkKey(key.get());
  return key;
}

bool IsLinkKey(HKEY key) {
  DWORD type = 0;
  const LONG rc = RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
  return (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) && type == REG_LINK;
}

bool VisitValuesW(HKEY key, const ValueVisitor& visit) {
  DWORD maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<wchar_t> name(maxName + 2);
  std::vector<BYTE> data(maxData + 2);
  int retries = 0;
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()),
          type = 0;
    const LONG rc =
        RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc == ERROR_MORE_DATA && ++retries < 8) {
      // A value grew since the key was asked: make room and read it again.
      name.resize(name.size() + 16384);
      data.resize(std::max<size_t>(data.size() * 2, dataLen + 2));
      --i;
      continue;
    }
    if (rc == ERROR_NO_MORE_ITEMS) return true;
    if (rc != ERROR_SUCCESS) return false;
    retries = 0;
    visit(std::wstring(name.data(), nameLen), type, data.data(), dataLen);
  }
}

bool SubkeyNamesW(HKEY key, std::vector<std::wstring>& names) {
  names.clear();
  std::vector<wchar_t> name(256);
  for (DWORD i = 0;;) {
    DWORD len = static_cast<DWORD>(name.size());
    const LONG rc = RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return true;
    if (rc == ERROR_MORE_DATA && name.size() < 65536) {
      name.resize(name.size() * 4);
      continue;  // the same index again, with room for the name
    }
    if (rc != ERROR_SUCCESS) return false;
    if (names.size() >= 1000000) return false;
    names.emplace_back(name.data(), len);
    ++i;
  }
}

namespace {

bool WalkBelow(HKEY key, const std::wstring& path, int depth, REGSAM access,
               KeyTreeVisitor& visitor, const std::atomic<bool>* stop) {
  std::vector<std::wstring> names;
  bool complete = SubkeyNamesW(key, names);
  if (names.empty()) return complete;
  if (depth + 1 > kMaxKeyDepth) return false;
  for (const std::wstring& name : names) {
    if (stop && stop->load()) return false;
    const std::wstring childPath = path + L"\\" + name;
    UniqueKey child = OpenKeyNoLink(key, name, access);
    if (!child) {
      // Deleted meanwhile, or not ours to open: that part of the tree is unknown.
      complete = false;
      continue;
    }
    if (!visitor.Enter(child.get(), childPath, depth + 1)) continue;
    if (!WalkBelow(child.get(), childPath, depth + 1, access, visitor, stop)) complete = false;
    child.reset();
    visitor.Leave(key, name, childPath);
  }
  return complete;
}

// Only looks: whether a tree holds a registry link.
class LinkFinder : public KeyTreeVisitor {
 public:
  bool linked = false;
  bool Enter(HKEY key, const std::wstring&, int) override {
    if (!IsLinkKey(key)) return true;
    linked = true;
    return false;
  }
};

// Reads every value of an open key; false when one could not be read.
bool ReadValues(HKEY key, std::vector<KeyTreeCopy::Value>& values) {
  return VisitValuesW(key, [&](const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
    values.push_back({name, type, std::vector<BYTE>(data, data + size)});
  });
}

// Copies a tree into memory, parent before children; a link or a key that
// cannot be read or opened for deletion spoils the copy.
class TreeCopier : public KeyTreeVisitor {
 public:
  explicit TreeCopier(size_t prefix) : prefix_(prefix) {}
  KeyTreeCopy copy;
  bool Enter(HKEY key, const std::wstring& path, int) override {
    if (IsLinkKey(key)) {
      copy.complete = false;
      return false;
    }
    KeyTreeCopy::Key k;
    k.path = path.substr(prefix_);
    if (!ReadValues(key, k.values)) copy.complete = false;
    copy.keys.push_back(std::move(k));
    return true;
  }

 private:
  size_t prefix_;
};

// Deletes children before their parents; a link is left where it is.
class TreeDeletion : public LinkFinder {
 public:
  void Leave(HKEY parent, const std::wstring& name, const std::wstring&) override {
    DeleteSubkey(parent, name.c_str());
  }
};

bool KeyMissing(HKEY root, const std::wstring& path) {
  UniqueKey probe;
  return RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, InNativeView(KEY_READ),
                       probe.put()) == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool WalkKeyTree(HKEY key, const std::wstring& path, REGSAM access, KeyTreeVisitor& visitor,
                 const std::atomic<bool>* stop) {
  if (!visitor.Enter(key, path, 0)) return true;
  const bool complete = WalkBelow(key, path, 0, access, visitor, stop);
  return complete && !(stop && stop->load());
}

KeyTreeCopy CopyKeyTree(HKEY root, const std::wstring& path, REGSAM access) {
  KeyTreeCopy result;
  UniqueKey key = OpenKeyNoLink(root, path, access);
  if (!key) return result;
  TreeCopier copier(path.size());
  const bool walked = WalkKeyTree(key.get(), path, access, copier);
  result = std::move(copier.copy);
  result.complete = result.complete && walked;
  return result;
}

bool PutBackKeyTree(HKEY root, const std::wstring& path, const KeyTreeCopy& copy) {
  bool whole = true;
  for (const KeyTreeCopy::Key& k : copy.keys) {
    const std::wstring full = path + k.path;
    if (!KeyMissing(root, full)) continue;  // never removed: it keeps what it holds
    if (!MayChange("put back key", RootKeyName(root) + "\\" + AnsiFromWide(full))) continue;
    UniqueKey made;
    if (RegCreateKeyExW(root, full.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        InNativeView(KEY_SET_VALUE), nullptr, made.put(), nullptr) != ERROR_SUCCESS) {
      whole = false;
      continue;
    }
    for (const KeyTreeCopy::Value& v : k.values)
      if (RegSetValueExW(made.get(), v.name.c_str(), 0, v.type, v.data.data(),
                         static_cast<DWORD>(v.data.size())) != ERROR_SUCCESS)
        whole = false;
  }
  return whole;
}

bool DeleteKeyTreeW(HKEY root, const std::wstring& path) {
  if (!root || path.empty() || path.find_first_not_of(L'\\') == std::wstring::npos) return false;
  if (KeyRemovedByDryRun(root, path)) return true;  // this preview run took it already
  const size_t cut = path.find_last_of(L'\\');
  UniqueKey parent;
  if (cut == std::wstring::npos) {
    if (RegOpenKeyExW(root, L"", 0, InNativeView(KEY_READ), parent.put()) != ERROR_SUCCESS) return false;
  } else {
    parent = OpenKeyNoLink(root, path.substr(0, cut), KEY_READ);
    if (!parent) return false;
  }
  const std::wstring leaf = cut == std::wstring::npos ? path : path.substr(cut + 1);
  if (leaf.empty()) return false;
  {
    bool isLink = false;
    UniqueKey key = OpenKeyNoLink(parent.get(), leaf, KEY_READ | DELETE, &isLink);
    if (!key) {
      UniqueKey probe;
      return RegOpenKeyExW(parent.get(), leaf.c_str(), REG_OPTION_OPEN_LINK,
                           InNativeView(KEY_READ), probe.put()) == ERROR_FILE_NOT_FOUND;
    }
    if (isLink) return false;  // never the link, never its target
    key.reset();
    // Whole or not at all: a tree that holds a link, or a key that cannot be
    // read or opened for deletion, stays untouched (a preview answers the same).
    const KeyTreeCopy copy = CopyKeyTree(root, path, KEY_READ | DELETE);
    if (!copy.complete) return false;
    if (!MayChange("delete key", RootKeyName(root) + "\\" + AnsiFromWide(path))) {
      NoteRemovedKey(root, path);
      return true;
    }
    key = OpenKeyNoLink(parent.get(), leaf, KEY_READ | DELETE);
    if (key) {
      TreeDeletion deletion;
      WalkKeyTree(key.get(), path, KEY_READ | DELETE, deletion);
      key.reset();
      DeleteSubkey(parent.get(), leaf.c_str());
    }
    if (KeyMissing(parent.get(), leaf)) return true;
    // Part of the tree refused (changed since it was copied): what went is
    // put back as it was.
    PutBackKeyTree(root, path, copy);
    return false;
  }
}

bool DeleteKeyTree(HKEY root, const std::string& path) {
  // The conversion keeps each GBK character whole, so the UTF-16 path splits
  // only at real backslashes.
  return DeleteKeyTreeW(root, WideFromAnsi(path));
}

}  // namespace suite
