// The junk scan of a generated tree against bare walks of the same tree,
// measured in the same run: the plain FindFirstFile walk and the
// FindFirstFileEx walk (basic information, large fetches), and the scan over
// each of the two listings of the shared folder walk, whose rows must be the
// same. The tree (N files, 50 in each folder, 100 folders under each top
// folder, 3 in 100 junk by name) is made on first use and kept;
// junkscan_bench.sh makes it natively, which is much faster.
//   cleaner/bench/junkscan_bench.sh [BUILD_DIR] [--files N]
//   scripts/wine-run build/bench/dustrel_junkscan_bench.exe [--files N] [folder]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchstats.h"
#include "folderwalk.h"
#include "junkscan.h"

namespace {

constexpr long kFilesPerFolder = 50;
constexpr long kFoldersPerTop = 100;

// The name of file `index` of the tree (junk: 3 in 100).
std::string FileName(long index) {
  switch (index % 100) {
    case 7: return "~wrl" + std::to_string(index) + ".tmp";
    case 42: return "report" + std::to_string(index) + ".bak";
    case 77: return "setup" + std::to_string(index) + ".old";
    default: return "document" + std::to_string(index) + ".txt";
  }
}

bool MakeTree(const std::string& root, long files) {
  const std::string done = root + "\\tree-complete";
  if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  std::printf("making the tree in %s ...\n", root.c_str());
  CreateDirectoryA("C:\\suite-bench", nullptr);
  CreateDirectoryA(root.c_str(), nullptr);
  const long folders = (files + kFilesPerFolder - 1) / kFilesPerFolder;
  for (long f = 0; f < folders; ++f) {
    const std::string top = root + "\\top" + std::to_string(f / kFoldersPerTop);
    CreateDirectoryA(top.c_str(), nullptr);
    const std::string folder = top + "\\folder" + std::to_string(f % kFoldersPerTop);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (long i = f * kFilesPerFolder; i < std::min(files, (f + 1) * kFilesPerFolder); ++i) {
      HANDLE h = CreateFileA((folder + "\\" + FileName(i)).c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) return false;
      CloseHandle(h);
    }
  }
  HANDLE h = CreateFileA(done.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  return true;
}

// The reference walks: every file of the tree, nothing else done.
void BareWalk(const std::string& folder, bool basic, size_t& files) {
  WIN32_FIND_DATAA data;
  const std::string pattern = folder + "\\*.*";
  HANDLE find = basic ? FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH)
                      : FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const char* n = data.cFileName;
    if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        BareWalk(folder + "\\" + n, basic, files);
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

std::vector<std::string> RowKeys(const std::vector<dustrel::FoundItem>& rows) {
  std::vector<std::string> keys;
  keys.reserve(rows.size());
  for (const auto& r : rows)
    keys.push_back(r.folder + "|" + r.name + "|" + r.size + "|" + r.category + "|" +
                   std::to_string(r.bytes) + (r.checked ? "|1" : "|0"));
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
  namespace b = suite::bench;
  long files = 200000;
  std::string root;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--files") && i + 1 < argc) files = std::atol(argv[++i]);
    else root = argv[i];
  }
  if (root.empty()) root = "C:\\suite-bench\\junktree-" + std::to_string(files);
  if (!MakeTree(root, files)) {
    std::printf("cannot make the tree in %s\n", root.c_str());
    return 1;
  }
  const b::Memory atStart = b::OwnMemory();
  dustrel::JunkLabels labels;
  for (int i = 0; i < 5; ++i) labels.text[i] = "label" + std::to_string(i);
  std::atomic<bool> stop{false};

  b::Best bare, bareEx, walk[2], scan[2];
  size_t walked = 0, walkedEx = 0;
  std::vector<std::string> rows[2];
  double peakAfterBare = 0, peakAfterScan = 0;
  const suite::FolderListing listings[2] = {suite::FolderListing::Plain, suite::FolderListing::Basic};
  // The first round warms the caches; a big tree gets one measured round.
  const int rounds = files > 300000 ? 2 : 4;
  for (int round = 0; round < rounds; ++round) {
    const bool keep = round > 0;
    walked = walkedEx = 0;
    bare.Time([&] { BareWalk(root, false, walked); }, keep);
    bareEx.Time([&] { BareWalk(root, true, walkedEx); }, keep);
    if (round == 0) peakAfterBare = b::OwnMemory().peakPrivateMb;
    for (int l = 0; l < 2; ++l) {
      // The shared walk alone, nothing done with the files: the scan's floor.
      size_t seen = 0;
      walk[l].Time([&] { suite::WalkFolderWith(listings[l], root, [&](const suite::WalkEntry&) { ++seen; }); },
                   keep);
      suite::UseFolderListing(listings[l]);
      BenchSink sink;
      scan[l].Time([&] { dustrel::WalkJunkFolder(root, nullptr, labels, sink, stop); }, keep);
      if (round == 0 && l == 0) peakAfterScan = b::OwnMemory().peakPrivateMb;
      if (round == 0) rows[l] = RowKeys(sink.rows);
    }
  }
  std::printf("files %zu (the Ex walk: %zu), junk rows %zu\n", walked, walkedEx, rows[0].size());
  std::printf("rows of the two listings identical: %s\n", rows[0] == rows[1] ? "yes" : "NO");
  std::printf("seconds (best of the measured rounds)   wall    processor\n");
  auto line = [](const char* what, const b::Best& t, const b::Best& base) {
    std::printf("%-38s %6.3f  %6.3f   ratio %.2f (processor %.2f)\n", what, t.wall, t.cpu,
                t.wall / base.wall, t.cpu / base.cpu);
  };
  line("bare FindFirstFile walk", bare, bare);
  line("bare FindFirstFileEx walk (basic, large)", bareEx, bare);
  line("shared folder walk alone, plain", walk[0], bare);
  line("shared folder walk alone, Ex", walk[1], bareEx);
  line("junk scan, plain listing", scan[0], bare);
  line("junk scan, Ex listing (to the Ex walk)", scan[1], bareEx);
  line("junk scan, Ex listing (to the plain walk)", scan[1], bare);
  std::printf("the Ex listing applies on this system: %s; the walk uses the %s listing\n",
              suite::BasicListingAvailable() ? "yes" : "no",
              suite::DefaultFolderListing() == suite::FolderListing::Basic ? "Ex" : "plain");
  std::printf("private memory: %.1f MB at start, peak %.1f MB after the bare walks, "
              "peak %.1f MB after the first scan with its %zu rows kept (%.0f bytes a row)\n",
              atStart.privateMb, peakAfterBare, peakAfterScan, rows[0].size(),
              rows[0].empty() ? 0.0 : (peakAfterScan - peakAfterBare) * 1048576.0 / rows[0].size());
  return 0;
}
