#include "folderwalk.h"

#include <windows.h>

#include "handles.h"
#include "probes.h"

namespace suite {

namespace {

void Walk(const std::string& folder, const std::function<void(const WalkEntry&)>& onFile,
          const std::atomic<bool>* stop, int depth) {
  // A chain of plain folders deeper than the path limit allows cannot exist,
  // but a bound keeps a broken file system from exhausting the stack.
  if (depth > 200) return;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA(JoinPath(folder, "*.*").c_str(), &data));
  if (!find) return;
  do {
    if (stop && stop->load()) return;
    const char* name = data.cFileName;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    const std::string path = JoinPath(folder, name);
    if (path.size() >= MAX_PATH) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      Walk(path, onFile, stop, depth + 1);
    } else {
      const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      onFile(WalkEntry{path, size, data.dwFileAttributes, &folder, name});
    }
  } while (FindNextFileA(find.get(), &data));
}

}  // namespace

void WalkFolder(const std::string& folder, const std::function<void(const WalkEntry&)>& onFile,
                const std::atomic<bool>* stop) {
  if (folder.empty()) return;
  Walk(folder, onFile, stop, 0);
}

uint64_t FolderSize(const std::string& folder, const std::atomic<bool>* stop) {
  uint64_t total = 0;
  WalkFolder(folder, [&](const WalkEntry& e) { total += e.size; }, stop);
  return total;
}

}  // namespace suite
