// A healthy system (the sandbox's fresh Wine prefix, with nothing seeded):
// the file cleaners find nothing to remove, and their unattended runs delete
// nothing.
#include <gtest/gtest.h>
#include <objbase.h>

#include "favcheck.h"
#include "patchscan.h"
#include "shortcut_scan.h"
#include "shortcut_target.h"
#include "sysinfo.h"
#include "testsupport.h"

namespace t = suite::test;

namespace {

const char kBin[] = "C:\\suite-e2e-healthy";

class HealthySystem : public ::testing::Test {
 protected:
  void SetUp() override {
    t::EmptyRecycleBin();
    t::RemoveTree(kBin);
    t::InstallFromDist(kBin, {"Snipwell.exe", "Snipwell.ini", "Patchmoor.exe", "Marksift.exe",
                              "TipList.ini"});
  }
  void TearDown() override { t::RemoveTree(kBin); }
  static t::ProcessResult Run(const std::string& program) {
    return t::RunProcess(std::string(kBin) + "\\" + program + " -Auto", kBin, 300000);
  }
  static std::string Log(const std::string& name) {
    return t::ReadBytes(std::string(kBin) + "\\" + name);
  }
};

struct Collect : suite::ShortcutScanSink {
  void Status(const std::string&) override {}
  void SearchFinished() override {}
  void Broken(const std::string& path) override { rows.push_back(path); }
  std::vector<std::string> rows;
};

}  // namespace

TEST_F(HealthySystem, ShortcutScanListsNoShortcutWhoseTargetExists) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Collect sink;
  std::atomic<bool> stop{false};
  suite::ScanShortcuts(sink, stop, {});
  for (const std::string& row : sink.rows) {
    const std::string target = suite::RawShortcutTarget(suite::ReadShortcutBytes(row));
    EXPECT_FALSE(t::Exists(target)) << row << " names " << target;
    EXPECT_TRUE(suite::ShellLinkTargetMissing(row)) << row;
  }
  EXPECT_TRUE(sink.rows.empty()) << sink.rows.size() << " rows, the first: " << sink.rows[0];
  CoUninitialize();
}

// Everything the three cleaners could remove: the shortcut candidates, the
// update backup folders and the files of the favorites folders.
std::vector<std::string> Removable() {
  std::vector<std::string> items =
      suite::FindShortcutCandidates(suite::ShortcutSearchRoots(), nullptr);
  for (const std::string& id : patchmoor::FindUpdateIds(suite::WindowsFolder()))
    items.push_back(patchmoor::BackupFolderFor(suite::WindowsFolder(), id));
  for (const std::string& f : marksift::ListCandidates(marksift::FavoriteFolders()))
    items.push_back(f);
  return items;
}

TEST_F(HealthySystem, UnattendedRunsDeleteNothing) {
  const std::vector<std::string> before = Removable();
  for (const char* program : {"Snipwell.exe", "Patchmoor.exe", "Marksift.exe"}) {
    const t::ProcessResult r = Run(program);
    EXPECT_FALSE(r.timedOut) << program;
    EXPECT_EQ(r.exitCode, 0u) << program;
    EXPECT_TRUE(t::RecycledPaths().empty()) << program << " recycled something";
  }
  EXPECT_EQ(Log("Snipwell.log"), "[Numbers]\r\nItem0=0\r\n\r\n");
  EXPECT_EQ(Log("Patchmoor.log"), "[Numbers]\r\nItem0=0\r\n\r\n");
  EXPECT_FALSE(t::Exists(std::string(kBin) + "\\Marksift.log"));  // nothing removed, no log
  EXPECT_EQ(Removable(), before) << "something was deleted outright";
  t::EmptyRecycleBin();
}
