// The junk scan of a generated tree against a bare FindFirstFile walk of the
// same tree, measured in the same run. The tree (200,000 files in 2,000
// folders, 3 in 100 of them junk by name) is made on first use and kept.
//   cmake --build build --target dustrel_junkscan_bench
//   scripts/wine-run build/bench/dustrel_junkscan_bench.exe [folder]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "junkscan.h"

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;

std::string TreeRoot(int argc, char** argv) {
  return argc > 1 ? argv[1] : "C:\\suite-bench\\junktree";
}

bool MakeTree(const std::string& root) {
  const std::string done = root + "\\tree-complete";
  if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  std::printf("making the tree in %s ...\n", root.c_str());
  CreateDirectoryA("C:\\suite-bench", nullptr);
  CreateDirectoryA(root.c_str(), nullptr);
  for (int f = 0; f < kFolders; ++f) {
    // 20 top folders of 100 folders each (two levels, as a disk has).
    const std::string top = root + "\\top" + std::to_string(f / 100);
    CreateDirectoryA(top.c_str(), nullptr);
    const std::string folder = top + "\\folder" + std::to_string(f % 100);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      std::string name;
      if (i % 100 == 7) name = "~wrl" + std::to_string(i) + ".tmp";
      else if (i % 100 == 42) name = "report" + std::to_string(i) + ".bak";
      else if (i % 100 == 77) name = "setup" + std::to_string(i) + ".old";
      else name = "document" + std::to_string(i) + ".txt";
      HANDLE h = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return false;
      CloseHandle(h);
    }
  }
  HANDLE h = CreateFileA(done.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  return true;
}

// The reference: every file of the tree through FindFirstFileA/FindNextFileA.
void BareWalk(const std::string& folder, size_t& files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const char* n = data.cFileName;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) BareWalk(folder + "\\" + n, files);
    } else {
      ++files;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// Keeps the rows, as the window's sink does, and takes every status text.
class BenchSink : public dustrel::VectorSink {
 public:
  void Status(const std::string& text) override { last = text; }
  std::string last;
};

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER freq) {
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = TreeRoot(argc, argv);
  if (!MakeTree(root)) {
    std::printf("cannot make the tree in %s\n", root.c_str());
    return 1;
  }
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  dustrel::JunkLabels labels;
  for (int i = 0; i < 5; ++i) labels.text[i] = "label" + std::to_string(i);
  std::atomic<bool> stop{false};

  double bare = 1e9, scan = 1e9;
  size_t files = 0, rows = 0;
  for (int round = 0; round < 4; ++round) {  // the first round warms the caches
    files = 0;
    QueryPerformanceCounter(&a);
    BareWalk(root, files);
    QueryPerformanceCounter(&b);
    if (round > 0) bare = std::min(bare, Seconds(a, b, freq));

    BenchSink sink;
    QueryPerformanceCounter(&a);
    dustrel::WalkJunkFolder(root, nullptr, labels, sink, stop);
    QueryPerformanceCounter(&b);
    if (round > 0) scan = std::min(scan, Seconds(a, b, freq));
    rows = sink.rows.size();
  }
  std::printf("files %zu, junk rows %zu\n", files, rows);
  std::printf("bare FindFirstFile walk: %.3f s\n", bare);
  std::printf("junk scan:               %.3f s\n", scan);
  std::printf("ratio: %.2f (target 1.2 or less)\n", scan / bare);
  return 0;
}
