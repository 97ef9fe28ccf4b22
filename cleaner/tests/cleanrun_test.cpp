#include "cleanrun.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "cleanlog.h"
#include "junkrules.h"
#include "regstore.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace d = dustrel;
namespace t = suite::test;

namespace {

d::FoundItem FileRow(const std::string& folder, const std::string& name, uint64_t bytes,
                     bool checked = true) {
  d::FoundItem row;
  row.name = name;
  row.folder = folder;
  row.size = d::FileSizeText(bytes);
  row.bytes = bytes;
  row.checked = checked;
  return row;
}

d::FoundItem ValueRow(const t::ScratchKey& key, const std::string& value) {
  d::FoundItem row;
  row.name = value;
  row.folder = key.Path();
  row.size = "HKEY_CURRENT_USER";
  row.marker = d::kMarkerKeyValue;
  return row;
}

bool Recycled(const std::string& path) {
  const std::vector<std::string> bin = t::RecycledPaths();
  return std::find_if(bin.begin(), bin.end(), [&](const std::string& p) {
           return suite::EqualsNoCase(p, path);
         }) != bin.end();
}

// A run that touches nothing outside the test's own scratch data: no disk
// figures, no browser stores, the registry backup in a scratch store, the
// logs in a scratch folder beside the test program.
struct Fixture {
  t::ScratchDir dir{"C:\\suite-tests\\cleanrun"};
  t::ScratchDir logs{suite::ProgramFolderPath("cleanrun-logs")};
  t::ScratchKey key{"cleanrun"};
  d::CleanSettings Settings(d::RunMode mode = d::RunMode::Interactive) const {
    d::CleanSettings s;
    s.mode = mode;
    s.useSystemCacheFolder = false;
    s.cacheFolder = dir / "Cache";
    s.backupStore = dir / "Reg-Backup";
    s.cleanBrowserStores = false;
    s.measureDisks = false;
    s.autoLogName = "cleanrun-logs\\Dustrel.log";
    s.trackLogName = "cleanrun-logs\\History.log";
    return s;
  }
  std::string Log(const std::string& name) const {
    return t::ReadBytes(suite::ProgramFolderPath("cleanrun-logs\\" + name));
  }
};

}  // namespace

TEST(CleanRun, CountsSizesSummaryAndAutoLog) {
  Fixture f;
  const std::string mb(1 << 20, 'x');
  std::vector<d::FoundItem> rows;
  for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) {
    t::WriteBytes(f.dir / name, mb);
    rows.push_back(FileRow(f.dir.Path(), name, mb.size()));
  }
  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v1", "x");
  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v2", "y");
  rows.push_back(ValueRow(f.key, "v1"));
  rows.push_back(ValueRow(f.key, "v2"));
  t::WriteBytes(f.dir / "keep.tmp", "1");
  rows.push_back(FileRow(f.dir.Path(), "keep.tmp", 1, false));  // unticked: not touched

  const d::CleanResult result = d::CleanRun(rows, f.Settings(d::RunMode::Auto));
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.fileRows, 3);
  EXPECT_EQ(result.registryRows, 2);
  EXPECT_EQ(result.megabytes, 3u);
  EXPECT_TRUE(Recycled(f.dir / "b.tmp"));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, f.key.Path(), "v1"));
  EXPECT_TRUE(t::Exists(f.dir / "keep.tmp"));
  ASSERT_EQ(result.remaining.size(), 1u);
  EXPECT_EQ(result.remaining[0].name, "keep.tmp");
  // The summary format with the texts missing (no settings file here).
  EXPECT_EQ(result.summary, "\n\n3\n2\n 3 MB \n\n\n");
  // The log holds the count of both kinds and every entry, in row order.
  const std::string entry = "HKEY_CURRENT_USER\\" + f.key.Path() + "|";
  EXPECT_EQ(f.Log("Dustrel.log"),
            "[Numbers]\r\nItem0=5\r\n\r\n[Files]\r\nItem0=" + (f.dir / "a.tmp") + "\r\nItem1=" +
                (f.dir / "b.tmp") + "\r\nItem2=" + (f.dir / "c.tmp") + "\r\nItem3=" + entry +
                "v1\r\nItem4=" + entry + "v2\r\n\r\n");
  // The registry entries went to a backup first.
  EXPECT_TRUE(t::Exists(f.dir / "Reg-Backup"));
}

TEST(CleanRun, WhatCannotBeRemovedIsNotCountedNorLoggedAndStaysListed) {
  Fixture f;
  t::WriteBytes(f.dir / "locked.tmp", "123");
  t::WriteBytes(f.dir / "GTA3.DIR", "12");
  t::WriteBytes(f.dir / "gone.tmp", "1");
  HANDLE lock = CreateFileA((f.dir / "locked.tmp").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::vector<d::FoundItem> rows = {
      FileRow(f.dir.Path(), "locked.tmp", 3),
      FileRow(f.dir.Path(), "GTA3.DIR", 2),
      FileRow(f.dir.Path(), "gone.tmp", 1),
      FileRow(f.dir.Path(), "gone.tmp", 1),  // the same file found twice
      FileRow(f.dir.Path(), "never-there.tmp", 1),
  };
  const d::CleanResult result = d::CleanRun(rows, f.Settings(d::RunMode::Auto));
  CloseHandle(lock);
  EXPECT_TRUE(t::Exists(f.dir / "locked.tmp"));
  EXPECT_TRUE(t::Exists(f.dir / "GTA3.DIR"));
  EXPECT_FALSE(t::Exists(f.dir / "gone.tmp"));
  EXPECT_EQ(result.fileRows, 1);
  EXPECT_EQ(result.bytes, 1u);
  std::vector<std::string> remaining;
  for (const d::FoundItem& row : result.remaining) remaining.push_back(row.name);
  EXPECT_EQ(remaining, (std::vector<std::string>{"locked.tmp", "GTA3.DIR"}));
  EXPECT_EQ(f.Log("Dustrel.log"),
            "[Numbers]\r\nItem0=1\r\n\r\n[Files]\r\nItem0=" + (f.dir / "gone.tmp") + "\r\n\r\n");
}

TEST(CleanRun, AttributesComeBackOnAFileThatStays) {
  Fixture f;
  t::WriteBytes(f.dir / "ro.tmp", "1");
  SetFileAttributesA((f.dir / "ro.tmp").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const DWORD before = GetFileAttributesA((f.dir / "ro.tmp").c_str());
  ASSERT_TRUE(before & FILE_ATTRIBUTE_READONLY);
  HANDLE lock = CreateFileA((f.dir / "ro.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const d::CleanResult result = d::CleanRun({FileRow(f.dir.Path(), "ro.tmp", 1)}, f.Settings());
  CloseHandle(lock);
  EXPECT_EQ(result.fileRows, 0);
  EXPECT_EQ(GetFileAttributesA((f.dir / "ro.tmp").c_str()), before);
  SetFileAttributesA((f.dir / "ro.tmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CleanRun, IeCacheFilesAndDeleteNoBackup) {
  Fixture f;
  t::WriteBytes(f.dir / "Cache\\K1\\page.htm", "12");
  t::WriteBytes(f.dir / "perm.tmp", "1");
  d::FoundItem cached = FileRow(f.dir / "Cache\\K1", "page.htm", 2);
  cached.marker = d::kMarkerCache;
  // Without DeleteNoBackup a cache file is left to the cache sweep (off
  // here): it stays, and is not counted.
  d::CleanResult result = d::CleanRun({cached}, f.Settings());
  EXPECT_TRUE(t::Exists(f.dir / "Cache\\K1\\page.htm"));
  EXPECT_EQ(result.fileRows, 0);
  EXPECT_EQ(result.remaining.size(), 1u);
  // With it, cache files and the others are deleted at once, not recycled.
  d::CleanSettings settings = f.Settings();
  settings.deleteNoBackup = true;
  result = d::CleanRun({cached, FileRow(f.dir.Path(), "perm.tmp", 1)}, settings);
  EXPECT_FALSE(t::Exists(f.dir / "Cache\\K1\\page.htm"));
  EXPECT_FALSE(t::Exists(f.dir / "perm.tmp"));
  EXPECT_EQ(result.fileRows, 2);
  EXPECT_FALSE(Recycled(f.dir / "perm.tmp"));
}

TEST(CleanRun, TempSubfolderRows) {
  Fixture f;
  t::WriteBytes(f.dir / "Temp\\ABC\\inner.dat", "123");
  t::WriteBytes(f.dir / "Temp\\DEF\\inner.dat", "123");
  d::FoundItem abc;
  abc.name = "ABC";
  abc.folder = f.dir / "Temp\\";
  abc.size = d::FolderSizeText(0);
  abc.category = d::kTempSubfolderLabel;
  d::FoundItem def = abc;
  def.name = "DEF";
  // DeleteNoBackup deletes files only: the folder stays, listed.
  d::CleanSettings settings = f.Settings();
  settings.deleteNoBackup = true;
  d::CleanResult result = d::CleanRun({abc}, settings);
  EXPECT_TRUE(t::Exists(f.dir / "Temp\\ABC\\inner.dat"));
  EXPECT_EQ(result.remaining.size(), 1u);
  // Otherwise it goes to the Recycle Bin with its contents and adds 0 bytes.
  result = d::CleanRun({def}, f.Settings());
  EXPECT_FALSE(t::Exists(f.dir / "Temp\\DEF"));
  EXPECT_TRUE(Recycled(f.dir / "Temp\\DEF"));
  EXPECT_EQ(result.fileRows, 1);
  EXPECT_EQ(result.bytes, 0u);
}

TEST(CleanRun, RegistryRowsStayWhenTheBackupCannotBeWritten) {
  Fixture f;
  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v1", "x");
  t::WriteBytes(f.dir / "file-in-the-way", "1");
  d::CleanSettings settings = f.Settings();
  settings.backupStore = f.dir / "file-in-the-way";  // a file, not a folder
  const d::CleanResult result = d::CleanRun({ValueRow(f.key, "v1")}, settings);
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, f.key.Path(), "v1"));
  EXPECT_EQ(result.registryRows, 0);
  EXPECT_EQ(result.remaining.size(), 1u);
  EXPECT_TRUE(result.cleaned.empty());
}

// One run, one restore point: the registry rows and the browser store's key
// go into one backup folder, numbered without gaps.
TEST(CleanRun, EverythingARunRemovesFromTheRegistryGoesIntoOneBackupFolder) {
  Fixture f;
  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v1", "x");
  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v2", "y");
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  t::SeededKey seeded(HKEY_CURRENT_USER, forms);
  ASSERT_TRUE(seeded.Made());
  t::SetString(HKEY_CURRENT_USER, forms + "\\SPW", "SuiteSaved", "secret");
  d::CleanSettings settings = f.Settings(d::RunMode::Auto);
  settings.cleanBrowserStores = true;
  d::FoundItem passwords;  // the saved-password store's row (OtherItem26)
  passwords.name = "passwords";
  passwords.folder = "Internet Explorer";
  passwords.marker = d::kMarkerStore;
  passwords.store = 26;
  passwords.checked = true;
  const d::CleanResult result =
      d::CleanRun({ValueRow(f.key, "v1"), ValueRow(f.key, "v2"), passwords}, settings);
  EXPECT_EQ(result.registryRows, 2);
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, forms));
  const std::vector<std::string> folders = suite::ListBackups(settings.backupStore);
  ASSERT_EQ(folders.size(), 1u);
  const std::string folder = settings.backupStore + "\\" + folders[0];
  EXPECT_TRUE(t::Exists(folder + "\\RB2.reg"));
  EXPECT_FALSE(t::Exists(folder + "\\RB3.reg"));
}

TEST(CleanRun, SilentModesWithNoRowsWriteNoLogAndTrackWritesHistory) {
  Fixture f;
  t::WriteBytes(suite::ProgramFolderPath("cleanrun-logs\\Dustrel.log"), "old");
  t::WriteBytes(suite::ProgramFolderPath("cleanrun-logs\\History.log"), "old");
  d::CleanResult result = d::CleanRun({}, f.Settings(d::RunMode::Auto));
  EXPECT_FALSE(result.ran);
  EXPECT_FALSE(result.logWritten);
  EXPECT_EQ(f.Log("Dustrel.log"), "old");
  d::TrackLog track;
  track.counts = {"1"};
  track.traces = {"C:\\app\\CleanPlugin\\WinRAR.ini"};
  d::CleanSettings settings = f.Settings(d::RunMode::Track);
  settings.track = &track;
  EXPECT_FALSE(d::CleanRun({}, settings).logWritten);
  EXPECT_EQ(f.Log("History.log"), "old");

  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v1", "x");
  result = d::CleanRun({ValueRow(f.key, "v1")}, settings);
  EXPECT_TRUE(result.logWritten);
  EXPECT_EQ(f.Log("History.log"),
            "[Numbers]\r\nItem0=1\r\n\r\n[Files]\r\nItem0=C:\\app\\CleanPlugin\\WinRAR.ini\r\n\r\n");
  EXPECT_EQ(f.Log("Dustrel.log"), "old");
}

TEST(CleanRun, PowerOnCleansWithoutReport) {
  Fixture f;
  t::WriteBytes(f.dir / "a.tmp", "1");
  const d::CleanResult result =
      d::CleanRun({FileRow(f.dir.Path(), "a.tmp", 1)}, f.Settings(d::RunMode::PowerOn));
  EXPECT_FALSE(t::Exists(f.dir / "a.tmp"));
  EXPECT_EQ(result.fileRows, 1);
  EXPECT_TRUE(result.summary.empty());
  EXPECT_FALSE(result.logWritten);
}

TEST(CleanRun, AutoExitCleanTakesOnlyTickedRows) {
  Fixture f;
  t::WriteBytes(f.dir / "old.bak", "1");
  t::WriteBytes(f.dir / "x.tmp", "1");
  t::WriteBytes(f.dir / "GTA3.DIR", "1");
  std::vector<d::FoundItem> rows = {FileRow(f.dir.Path(), "old.bak", 1, false),
                                    FileRow(f.dir.Path(), "x.tmp", 1),
                                    FileRow(f.dir.Path(), "GTA3.DIR", 1)};
  rows[0].column1 = "\xa1\xcc";  // a mark other than two blanks does not make it chosen
  const d::CleanResult result = d::AutoExitClean(rows, f.Settings());
  EXPECT_TRUE(t::Exists(f.dir / "old.bak"));
  EXPECT_FALSE(t::Exists(f.dir / "x.tmp"));
  // No game-cache exception in this run.
  EXPECT_FALSE(t::Exists(f.dir / "GTA3.DIR"));
  EXPECT_EQ(result.fileRows, 2);
  EXPECT_FALSE(result.logWritten);
  EXPECT_TRUE(result.summary.empty());
}

TEST(CleanRun, RowBytesAndGameCaches) {
  d::FoundItem row;
  row.size = "0 字节";
  EXPECT_EQ(d::RowBytes(row), 0u);
  row.size = "garbage";
  EXPECT_EQ(d::RowBytes(row), 8192u);
  row.size = "6442450944 Bytes";
  EXPECT_EQ(d::RowBytes(row), 6442450944ull);
  row.bytes = 7;
  EXPECT_EQ(d::RowBytes(row), 7u);
  EXPECT_TRUE(d::IsGameCache("D:\\Games\\GTA\\models\\Gta3.dir"));
  EXPECT_TRUE(d::IsGameCache("D:\\Games\\anim\\CUTS.DIR"));
  EXPECT_TRUE(d::IsGameCache("D:\\Games\\txd.dir"));
  EXPECT_FALSE(d::IsGameCache("D:\\Games\\gta.dir"));
  const std::string over[7] = {"A", "B", "C", "D", "E", "F", "G"};
  EXPECT_EQ(d::CleanSummary(over, 3, 2, 3), "A\n\nB3\nC2\nD 3 MB \n\nF\nG");
}

// The window closing during a clean sets the stop flag: the run ends after
// the item it is at, and everything it has not reached stays listed.
TEST(CleanRun, AStopEndsTheRunAfterTheCurrentItem) {
  Fixture f;
  std::vector<d::FoundItem> rows;
  for (const char* name : {"a.tmp", "b.tmp", "c.tmp"}) {
    t::WriteBytes(f.dir / name, "x");
    rows.push_back(FileRow(f.dir.Path(), name, 1));
  }
  t::SetString(HKEY_CURRENT_USER, f.key.Path(), "v1", "x");
  rows.push_back(ValueRow(f.key, "v1"));
  std::atomic<bool> stop{false};
  d::CleanSettings settings = f.Settings();
  settings.stop = &stop;
  d::CleanProgress progress;
  progress.position = [&](int position) {
    if (position == 1 && t::Exists(f.dir / "b.tmp") && !t::Exists(f.dir / "a.tmp")) stop = true;
  };
  const d::CleanResult result = d::CleanRun(rows, settings, progress);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.fileRows, 1);
  EXPECT_EQ(result.registryRows, 0);
  EXPECT_TRUE(t::Exists(f.dir / "b.tmp") && t::Exists(f.dir / "c.tmp"));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, f.key.Path(), "v1"));
  ASSERT_EQ(result.remaining.size(), 3u);
  EXPECT_EQ(result.remaining[0].name, "b.tmp");
}
