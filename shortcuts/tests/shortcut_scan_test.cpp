#include "shortcut_scan.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>

#include "cleanlog.h"
#include "handles.h"
#include "programs.h"
#include "shortcut_target.h"
#include "testsupport.h"

namespace t = suite::test;

namespace {

class ShortcutScan : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
  bool Broken(const std::string& lnk) {
    suite::PathChecker checker(suite::kShortcutPathCheck);
    return suite::IsShortcutBroken(lnk, checker);
  }
  t::ScratchDir dir_{"C:\\suite-tests\\shortcuts"};
  t::ScratchDir targets_{"C:\\suite-tests\\shortcut-targets"};
};

class RecordSink : public suite::ShortcutScanSink {
 public:
  void Status(const std::string& s) override { statuses.push_back(s); }
  void SearchFinished() override { searchDone = true; }
  void Broken(const std::string& p) override { broken.push_back(p); }
  std::vector<std::string> statuses, broken;
  bool searchDone = false;
};

}  // namespace

TEST_F(ShortcutScan, ShellMadeShortcuts) {
  t::WriteBytes(targets_ / "app.exe", "MZ");
  t::WriteBytes(targets_ / "gone.exe", "MZ");
  ASSERT_TRUE(t::MakeShortcut(dir_ / "healthy.lnk", targets_ / "app.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "broken.lnk", targets_ / "gone.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "args.lnk", targets_ / "app.exe", "--flag C:\\x"));
  DeleteFileA((targets_ / "gone.exe").c_str());
  EXPECT_FALSE(Broken(dir_ / "healthy.lnk"));
  EXPECT_TRUE(Broken(dir_ / "broken.lnk"));
  EXPECT_FALSE(Broken(dir_ / "args.lnk"));
}

TEST_F(ShortcutScan, ShellMadeShortcutsOfTheCasesTheScanMustHandle) {
  t::WriteBytes(targets_ / "App\\app.exe", "MZ");
  const std::string app = targets_ / "App\\app.exe";
  ASSERT_TRUE(t::MakeShortcut(dir_ / "a.lnk", app, "-arg"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "b.lnk", targets_ / "App\\gone.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "c.lnk", "E:\\gone\\x.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "d.lnk", "C:\\WINDOWS\\inStaller\\x.msi"));
  EXPECT_FALSE(Broken(dir_ / "a.lnk"));
  EXPECT_TRUE(Broken(dir_ / "b.lnk"));
  // Targets on drives that are not fixed disks, or in an Installer folder.
  EXPECT_FALSE(Broken(dir_ / "c.lnk"));
  EXPECT_FALSE(Broken(dir_ / "d.lnk"));
  // Unreadable: not broken.
  EXPECT_FALSE(Broken(dir_ / "missing.lnk"));
}

// The byte scan alone finds a "target" in any file with ".lnk" in its path;
// only a real shell link whose reader names a missing target is broken.
TEST_F(ShortcutScan, FilesThatAreNoShellLinksAreNeverBroken) {
  auto file = [&](const std::string& name, const std::string& bytes) {
    t::WriteBytes(dir_ / name, bytes);
    return dir_ / name;
  };
  EXPECT_FALSE(Broken(file("notes.lnk.txt", "Setup was at C:\\setup\\old\\setup.exe.\r\n")));
  EXPECT_FALSE(Broken(file("b.lnk", std::string("L\0", 2) + targets_.Path() + "\\App\\gone.exe")));
  EXPECT_FALSE(Broken(file("e.lnk", std::string("L\0C:\\Data\0", 10) + "C:\\nowhere\\x.exe")));
  EXPECT_FALSE(Broken(file("f.lnk", std::string("L\0C:\\Data\0", 10))));
  // A valid header followed by bytes the reader cannot take: no target, no verdict.
  ASSERT_TRUE(t::MakeShortcut(dir_ / "real.lnk", targets_ / "gone.exe"));
  const std::string real = t::ReadBytes(dir_ / "real.lnk");
  std::string damaged = real.substr(0, 0x4C) + std::string(8, '\xff') + "C:\\nowhere\\y.exe";
  EXPECT_FALSE(Broken(file("damaged.lnk", damaged)));
  EXPECT_TRUE(suite::IsShellLinkHeader(real));
  EXPECT_FALSE(suite::IsShellLinkHeader(std::string("L\0\0\0", 4) + std::string(0x48, '\0')));
}

TEST_F(ShortcutScan, CandidatesAreAnyPathWithLnk) {
  for (const char* name : {"a.lnk", "B.LNK", "readme.lnk.txt", "sub\\deep\\c.Lnk", "x.lnkx",
                           "plain.txt", "lnk"})
    t::WriteBytes(dir_ / name, "x");
  auto found = suite::FindShortcutCandidates({dir_.Path()}, nullptr);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{dir_ / "B.LNK", dir_ / "a.lnk", dir_ / "readme.lnk.txt",
                                             dir_ / "sub\\deep\\c.Lnk", dir_ / "x.lnkx"}));
}

TEST_F(ShortcutScan, ScanReportsInOrderAndHonoursStop) {
  ASSERT_TRUE(t::MakeShortcut(dir_ / "one.lnk", targets_ / "gone1.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "two.lnk", targets_ / "gone2.exe"));
  RecordSink sink;
  std::atomic<bool> stop{false};
  suite::ScanShortcuts(sink, stop, {}, {dir_.Path()});
  EXPECT_TRUE(sink.searchDone);
  ASSERT_FALSE(sink.statuses.empty());
  EXPECT_EQ(sink.statuses.front(), "正在搜索文件...");
  EXPECT_EQ(sink.statuses.back().rfind("分析", 0), 0u);
  std::sort(sink.broken.begin(), sink.broken.end());
  EXPECT_EQ(sink.broken, (std::vector<std::string>{dir_ / "one.lnk", dir_ / "two.lnk"}));

  RecordSink stopped;
  stop = true;
  suite::ScanShortcuts(stopped, stop, {}, {dir_.Path()});
  EXPECT_TRUE(stopped.broken.empty());
}

TEST_F(ShortcutScan, RemovalReportsOnlyWhatIsGone) {
  t::EmptyRecycleBin();
  ASSERT_TRUE(t::MakeShortcut(dir_ / "a.lnk", targets_ / "gone-a.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "locked.lnk", targets_ / "gone-b.exe"));
  suite::UniqueHandleKernel lock(CreateFileA((dir_ / "locked.lnk").c_str(), GENERIC_READ,
                                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  const std::vector<std::string> paths{dir_ / "a.lnk", dir_ / "locked.lnk", dir_ / "gone.lnk"};
  EXPECT_EQ(suite::RemoveShortcuts(paths, nullptr), std::vector<size_t>{0});
  EXPECT_TRUE(t::Exists(dir_ / "locked.lnk"));
  EXPECT_EQ(t::RecycledPaths(), std::vector<std::string>{dir_ / "a.lnk"});
  t::EmptyRecycleBin();
}

// Between the scan and the deletion the user may have repaired a shortcut or
// put its target back: each one is checked again just before it goes.
TEST_F(ShortcutScan, RemovalChecksEachShortcutAgain) {
  t::EmptyRecycleBin();
  ASSERT_TRUE(t::MakeShortcut(dir_ / "back.lnk", targets_ / "back.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "still.lnk", targets_ / "still.exe"));
  ASSERT_TRUE(t::WriteBytes(dir_ / "text.lnk.txt", "C:\\setup\\old\\setup.exe"));
  RecordSink sink;
  std::atomic<bool> stop{false};
  suite::ScanShortcuts(sink, stop, {}, {dir_.Path()});
  std::sort(sink.broken.begin(), sink.broken.end());
  ASSERT_EQ(sink.broken, (std::vector<std::string>{dir_ / "back.lnk", dir_ / "still.lnk"}));
  t::WriteBytes(targets_ / "back.exe", "MZ");  // the target came back
  const std::vector<std::string> paths{dir_ / "back.lnk", dir_ / "still.lnk", dir_ / "text.lnk.txt"};
  EXPECT_EQ(suite::RemoveShortcuts(paths, nullptr), std::vector<size_t>{1});
  EXPECT_TRUE(t::Exists(dir_ / "back.lnk"));
  EXPECT_TRUE(t::Exists(dir_ / "text.lnk.txt"));
  EXPECT_EQ(t::RecycledPaths(), std::vector<std::string>{dir_ / "still.lnk"});
  std::atomic<bool> stopped{true};
  ASSERT_TRUE(t::MakeShortcut(dir_ / "later.lnk", targets_ / "later.exe"));
  EXPECT_TRUE(suite::RemoveShortcuts({dir_ / "later.lnk"}, nullptr, &stopped).empty());
  t::EmptyRecycleBin();
}

// The unattended pass, in process: the broken shortcuts under the roots go to
// the Recycle Bin and into the log; a healthy one stays and is not logged.
TEST_F(ShortcutScan, TheUnattendedPassRecyclesTheBrokenOnesAndLogsThem) {
  t::EmptyRecycleBin();
  t::WriteBytes(targets_ / "app.exe", "MZ");
  ASSERT_TRUE(t::MakeShortcut(dir_ / "healthy.lnk", targets_ / "app.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir_ / "broken.lnk", targets_ / "gone.exe"));
  const std::string log = suite::LogNameOf(suite::Program::Snipwell);
  EXPECT_EQ(suite::RunUnattendedPass({dir_.Path()}), std::vector<std::string>{dir_ / "broken.lnk"});
  EXPECT_TRUE(t::Exists(dir_ / "healthy.lnk"));
  EXPECT_EQ(t::RecycledPaths(), std::vector<std::string>{dir_ / "broken.lnk"});
  std::vector<std::string> numbers, files;
  EXPECT_TRUE(suite::ReadLog(log, "Numbers", numbers));
  EXPECT_TRUE(suite::ReadLog(log, "Files", files));
  EXPECT_EQ(numbers, std::vector<std::string>{"1"});
  EXPECT_EQ(files, std::vector<std::string>{dir_ / "broken.lnk"});
  suite::DeleteLog(log);
  t::EmptyRecycleBin();
}
