#include "folderwalk.h"

#include <windows.h>

#include "handles.h"
#include "text.h"

namespace suite {

namespace {

// FindFirstFileExA is looked up by name: the oldest systems the 32-bit build
// runs on do not export it.
using FindFirstFileExFn = HANDLE(WINAPI*)(LPCSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS,
                                          LPVOID, DWORD);

FindFirstFileExFn FindFirstEx() {
  static const FindFirstFileExFn fn = [] {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<FindFirstFileExFn>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "FindFirstFileExA")))
                  : nullptr;
  }();
  return fn;
}

// Values of the Windows 7 headers, spelled out so that the build does not
// depend on the headers' target version.
constexpr FINDEX_INFO_LEVELS kInfoBasic = static_cast<FINDEX_INFO_LEVELS>(1);
constexpr DWORD kLargeFetch = 2;

HANDLE OpenListing(FolderListing listing, const std::string& pattern, WIN32_FIND_DATAA& data) {
  if (listing == FolderListing::Basic) {
    if (FindFirstFileExFn ex = FindFirstEx()) {
      HANDLE h = ex(pattern.c_str(), kInfoBasic, &data, FindExSearchNameMatch, nullptr, kLargeFetch);
      if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER) return h;
    }
  }
  return FindFirstFileA(pattern.c_str(), &data);
}

void Walk(FolderListing listing, const std::string& folder,
          const std::function<void(const WalkEntry&)>& onFile, const std::atomic<bool>* stop,
          int depth) {
  // A chain of plain folders deeper than the path limit allows cannot exist,
  // but a bound keeps a broken file system from exhausting the stack.
  if (depth > 200) return;
  WIN32_FIND_DATAA data;
  UniqueFind find(OpenListing(listing, JoinPath(folder, "*.*"), data));
  if (!find) return;
  // Every entry's path is this prefix and its name (JoinPath's rule), made in
  // one buffer for the whole folder.
  const std::string prefix = JoinPath(folder, std::string());
  std::string path;
  do {
    if (stop && stop->load()) return;
    const char* name = data.cFileName;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    path.assign(prefix);
    path.append(name);
    if (path.size() >= MAX_PATH) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      Walk(listing, path, onFile, stop, depth + 1);
    } else {
      const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      onFile(WalkEntry{path, size, data.dwFileAttributes, &folder, name});
    }
  } while (FindNextFileA(find.get(), &data));
}

}  // namespace

std::atomic<int> g_listing{-1};  // -1: the system's choice

bool BasicListingAvailable() {
  static const bool available = [] {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return false;
    const bool seven =
        info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 1);
    return seven && FindFirstEx() != nullptr;
  }();
  return available;
}

FolderListing DefaultFolderListing() { return FolderListing::Plain; }

void WalkFolderWith(FolderListing listing, const std::string& folder,
                    const std::function<void(const WalkEntry&)>& onFile,
                    const std::atomic<bool>* stop) {
  if (folder.empty()) return;
  Walk(listing, folder, onFile, stop, 0);
}

void UseFolderListing(FolderListing listing) { g_listing = static_cast<int>(listing); }

void WalkFolder(const std::string& folder, const std::function<void(const WalkEntry&)>& onFile,
                const std::atomic<bool>* stop) {
  const int chosen = g_listing.load();
  WalkFolderWith(chosen < 0 ? DefaultFolderListing() : static_cast<FolderListing>(chosen), folder,
                 onFile, stop);
}

uint64_t FolderSize(const std::string& folder, const std::atomic<bool>* stop) {
  uint64_t total = 0;
  WalkFolder(folder, [&](const WalkEntry& e) { total += e.size; }, stop);
  return total;
}

}  // namespace suite
