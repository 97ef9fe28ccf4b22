#include "patchscan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "cleanlog.h"
#include "handles.h"
#include "programs.h"
#include "registry.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace patchmoor;

namespace {

// A file of `size` bytes that takes no disk space (the tail is never written).
bool MakeSizedFile(const std::string& path, uint64_t size) {
  t::WriteBytes(path, "");
  suite::UniqueHandleKernel file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
}

std::map<std::string, PatchBackup> ById(const PatchScanResult& result) {
  std::map<std::string, PatchBackup> rows;
  for (const PatchBackup& row : result.rows) rows[row.id] = row;
  return rows;
}

}  // namespace

TEST(PatchIds, EveryLowerCaseLogEndingIsRemoved) {
  EXPECT_EQ(UpdateIdFromLogName("KB123456.log"), "KB123456");
  EXPECT_EQ(UpdateIdFromLogName("KB123456.LOG"), "KB123456.LOG");
  EXPECT_EQ(UpdateIdFromLogName("KB1.log.log"), "KB1");
  EXPECT_EQ(BackupFolderFor("C:\\WINDOWS", "KB1"), "C:\\WINDOWS\\$NtUninstallKB1$");
  EXPECT_EQ(SizeText(0), "√");
  EXPECT_EQ(SizeText(35), "35     KB");
  EXPECT_EQ(SizeText(1234567), "1234567 KB");
}

TEST(PatchScan, SizesNamesAndStatisticsOfAWindowsFolder) {
  t::ScratchDir win("C:\\suite-tests\\patch-win");
  t::ScratchKey uninstall("PatchUninstall");
  for (const char* log : {"KB100.log", "KB200.log", "KB300.log", "KB400.LOG", "KB500.log",
                          "KB600.log", "notes.log", "KB700.txt", "KB12345678.logfile"})
    t::WriteBytes(win / log, "log");
  CreateDirectoryA((win / "KB800.log").c_str(), nullptr);  // a folder, not a log file
  // KB100: nested folders, 3000 + 2048 + 100 bytes = 5 KB after integer division.
  t::WriteBytes(win / "$NtUninstallKB100$\\a.dll", std::string(3000, 'a'));
  t::WriteBytes(win / "$NtUninstallKB100$\\sp\\deeper\\b.dll", std::string(2048, 'b'));
  t::WriteBytes(win / "$NtUninstallKB100$\\sp\\c.inf", std::string(100, 'c'));
  // KB200: no folder. KB300: empty folder. KB400.LOG: the folder of KB400 exists
  // but the id keeps its upper-case extension.
  t::MakeDirs(win / "$NtUninstallKB300$");
  t::WriteBytes(win / "$NtUninstallKB400$\\x.dll", std::string(8192, 'x'));
  // KB500: under 1 KB. KB600: more than 4 GB in files larger than 2 GB.
  t::WriteBytes(win / "$NtUninstallKB500$\\small.dll", std::string(1023, 's'));
  ASSERT_TRUE(MakeSizedFile(win / "$NtUninstallKB600$\\big1.cab", 3ull << 30));
  ASSERT_TRUE(MakeSizedFile(win / "$NtUninstallKB600$\\sub\\big2.cab", 3ull << 30));

  t::SetString(HKEY_CURRENT_USER, uninstall.Sub("KB100"), "DisplayName",
               "Windows XP 安全更新程序 (KB100)");
  t::SetString(HKEY_CURRENT_USER, uninstall.Sub("KB100"), "HelpLink", "http://example.test/kb100");
  t::SetString(HKEY_CURRENT_USER, uninstall.Sub("KB200"), "Publisher", "x");  // no DisplayName
  t::SetString(HKEY_CURRENT_USER, uninstall.Sub("KB300"), "DisplayName", "Fix KB300");
  // Only names that contain "KB500": its own key does not exist.
  t::SetString(HKEY_CURRENT_USER, uninstall.Sub("KB5000-v2"), "DisplayName", "Another update");

  struct Recorder : ScanProgress {
    int low = -1, high = -1, positions = 0, last = -1;
    void Range(int l, int h) override { low = l, high = h; }
    void Position(int p) override { ++positions, last = p; }
  } progress;
  const PatchScanResult result =
      ScanPatchBackups(win.Path(), &progress, nullptr, uninstall.Root(), uninstall.Path());
  ASSERT_TRUE(result.foundLogs);
  auto rows = ById(result);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(progress.low, 1);
  EXPECT_EQ(progress.high, 7);
  EXPECT_EQ(progress.last, 0);

  EXPECT_EQ(rows["KB100"].kb, 5u);
  EXPECT_EQ(rows["KB100"].sizeText, "5      KB");
  EXPECT_FALSE(rows["KB100"].Cleaned());
  EXPECT_EQ(rows["KB100"].folder, win / "$NtUninstallKB100$");
  EXPECT_EQ(rows["KB100"].displayName, "Windows XP 安全更新程序 (KB100)");
  EXPECT_EQ(rows["KB100"].helpLink, "http://example.test/kb100");

  EXPECT_EQ(rows["KB200"].sizeText, "√");
  EXPECT_TRUE(rows["KB200"].Cleaned());
  EXPECT_EQ(rows["KB200"].displayName, "Windows 其他更新 - KB200");
  EXPECT_EQ(rows["KB200"].helpLink, " ");

  EXPECT_EQ(rows["KB300"].sizeText, "√");
  EXPECT_EQ(rows["KB300"].displayName, "Windows 安全更新 - KB300");  // 9 characters: too short

  EXPECT_EQ(rows["KB400.LOG"].sizeText, "√");
  EXPECT_EQ(rows["KB400.LOG"].folder, win / "$NtUninstallKB400.LOG$");
  EXPECT_EQ(rows["KB400.LOG"].displayName, "Windows 安全更新 - KB400.LOG");
  EXPECT_EQ(rows["KB400.LOG"].helpLink, kDefaultHelpLink);

  EXPECT_EQ(rows["KB500"].sizeText, "√");
  EXPECT_EQ(rows["KB500"].displayName, "Windows 安全更新 - KB500");
  EXPECT_EQ(rows["KB500"].helpLink, kDefaultHelpLink);

  EXPECT_EQ(rows["KB600"].kb, 6ull << 20);
  EXPECT_EQ(result.totalKb, 5 + (6ull << 20));
  EXPECT_EQ(CountHeader(result.rows.size()), "安装的补丁备份 - 6 个");
  EXPECT_EQ(SizeHeader(result.totalKb), "占用空间 - 6144 MB");
  EXPECT_EQ(StatisticsLine(result.rows.size(), result.totalKb),
            "统计信息:安装的补丁备份 - 6 个, 共占用空间 - 6144 MB");
  EXPECT_EQ(RowDetails(rows["KB100"]), "文件夹:" + (win / "$NtUninstallKB100$") + " 占用:5      KB");
}

TEST(PatchScan, NoLogFilesGiveNoRowsAndLeaveTheStatistics) {
  t::ScratchDir win("C:\\suite-tests\\patch-empty");
  t::MakeDirs(win / "$NtUninstallKB1$");
  const PatchScanResult result = ScanPatchBackups(win.Path());
  EXPECT_FALSE(result.foundLogs);
  EXPECT_TRUE(result.rows.empty());
  EXPECT_TRUE(ScanPatchBackups(win / "missing").rows.empty());
  EXPECT_TRUE(ScanPatchBackups("").rows.empty());
}

TEST(PatchScan, LinkedFoldersCountNothing) {
  // The sandbox's C:\suite-fixtures\linkloop\inner\up is a link to its parent.
  EXPECT_EQ(BackupFolderKb("C:\\suite-fixtures\\linkloop\\inner\\up"), 0u);
  EXPECT_FALSE(IsBackupFolder("C:\\suite-fixtures\\linkloop\\inner\\up"));
}

TEST(PatchClean, MovesOnlyBackupFoldersThatExist) {
  t::ScratchDir win("C:\\suite-tests\\patch-clean");
  t::WriteBytes(win / "$NtUninstallKB1$\\sub\\f.dll", "data");
  t::WriteBytes(win / "$NtUninstallKB3$", "a file, not a folder");
  t::WriteBytes(win / "Other\\keep.dll", "data");
  const std::vector<std::string> asked = {win / "$NtUninstallKB1$", win / "$NtUninstallKB2$",
                                          win / "$NtUninstallKB3$", win / "Other",
                                          win / "$NtUninstall*$", "$NtUninstallKB1$"};
  std::vector<size_t> told;
  const std::vector<std::string> removed =
      RecycleBackupFolders(asked, nullptr, [&](size_t i) { told.push_back(i); });
  EXPECT_EQ(removed, std::vector<std::string>{win / "$NtUninstallKB1$"});
  EXPECT_EQ(told.size(), asked.size());
  EXPECT_FALSE(t::Exists(win / "$NtUninstallKB1$"));
  EXPECT_TRUE(t::Exists(win / "$NtUninstallKB3$"));
  EXPECT_TRUE(t::Exists(win / "Other\\keep.dll"));
}

TEST(PatchClean, AStopEndsTheCleanBetweenFolders) {
  t::ScratchDir win("C:\\suite-tests\\patch-stop");
  t::WriteBytes(win / "$NtUninstallKB1$\\f.dll", "data");
  t::WriteBytes(win / "$NtUninstallKB2$\\f.dll", "data");
  std::atomic<bool> stop{false};
  const std::vector<std::string> removed = RecycleBackupFolders(
      {win / "$NtUninstallKB1$", win / "$NtUninstallKB2$"}, nullptr,
      [&](size_t i) {
        if (i == 0) stop = true;  // the window closes during the first folder
      },
      &stop);
  EXPECT_EQ(removed, std::vector<std::string>{win / "$NtUninstallKB1$"});
  EXPECT_TRUE(t::Exists(win / "$NtUninstallKB2$\\f.dll"));
  t::EmptyRecycleBin();
}

// Backups only ever go to the Recycle Bin: without one, they stay.
TEST(PatchClean, WithoutARecycleBinNothingIsDeleted) {
  t::ScratchDir win("C:\\suite-tests\\patch-nobin");
  t::WriteBytes(win / "$NtUninstallKB1$\\f.dll", "data");
  {
    t::RecycleBinUnavailable noBin;
    ASSERT_TRUE(noBin.Active());
    EXPECT_TRUE(RecycleBackupFolders({win / "$NtUninstallKB1$"}).empty());
  }
  EXPECT_TRUE(t::Exists(win / "$NtUninstallKB1$\\f.dll"));
}

// The unattended pass, in process: every backup folder of the Windows folder
// goes to the Recycle Bin and into the log; other folders stay.
TEST(PatchClean, TheUnattendedPassMovesEveryBackupAndLogsIt) {
  t::ScratchDir win("C:\\suite-tests\\patch-auto");
  t::WriteBytes(win / "KB11.log", "installed");
  t::WriteBytes(win / "KB12.log", "installed, backup already gone");
  t::WriteBytes(win / "$NtUninstallKB11$\\spuninst\\a.dll", "data");
  t::WriteBytes(win / "$NtUninstallKB13$\\b.dll", "no log: not listed");
  const std::string log = suite::LogNameOf(suite::Program::Patchmoor);
  EXPECT_EQ(RunUnattendedPass(win.Path()), std::vector<std::string>{win / "$NtUninstallKB11$"});
  EXPECT_FALSE(t::Exists(win / "$NtUninstallKB11$"));
  EXPECT_TRUE(t::Exists(win / "$NtUninstallKB13$\\b.dll"));
  std::vector<std::string> files;
  EXPECT_TRUE(suite::ReadLog(log, "Files", files));
  EXPECT_EQ(files, std::vector<std::string>{win / "$NtUninstallKB11$"});
  // Nothing to move: the log is written all the same, with the count 0.
  EXPECT_TRUE(RunUnattendedPass(win.Path()).empty());
  std::vector<std::string> numbers;
  EXPECT_TRUE(suite::ReadLog(log, "Numbers", numbers));
  EXPECT_EQ(numbers, std::vector<std::string>{"0"});
  suite::DeleteLog(log);
}
