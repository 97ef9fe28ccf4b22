// The four checks of the cleanliness score on seeded folders and keys.
#include <gtest/gtest.h>
#include <objbase.h>

#include "score.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace suite::console;

namespace {

class Score : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

void FillTo(const std::string& folder, uint64_t bytes) {
  // Spread over two files, one a level down: the walk goes into sub-folders.
  const uint64_t half = bytes / 2;
  t::WriteBytes(folder + "\\a.bin", std::string(static_cast<size_t>(half), 'a'));
  t::WriteBytes(folder + "\\sub\\b.bin", std::string(static_cast<size_t>(bytes - half), 'b'));
}

}  // namespace

TEST_F(Score, TheCacheCountsOnlyAboveFourMegabytes) {
  t::ScratchDir cache("C:\\brisko tests\\cache");
  EXPECT_FALSE(CacheTooLarge(cache.Path()));
  FillTo(cache.Path(), kCacheLimitBytes);
  EXPECT_FALSE(CacheTooLarge(cache.Path()));
  t::WriteBytes(cache / "one more", "x");
  EXPECT_TRUE(CacheTooLarge(cache.Path()));
  EXPECT_FALSE(CacheTooLarge(""));  // no cache folder: no check
  EXPECT_FALSE(CacheTooLarge("C:\\brisko tests\\no such folder"));
}

TEST_F(Score, TheTempFolderCountsFromTwoMegabytesOn) {
  t::ScratchDir temp("C:\\brisko tests\\temp");
  FillTo(temp.Path(), kTempLimitBytes - 1);
  EXPECT_FALSE(TempTooLarge(temp.Path()));
  t::WriteBytes(temp / "one more", "x");
  EXPECT_TRUE(TempTooLarge(temp.Path()));
}

TEST_F(Score, OneBrokenRecentShortcutCounts) {
  t::ScratchDir recent("C:\\brisko tests\\recent");
  t::ScratchDir docs("C:\\brisko tests\\docs");
  t::WriteBytes(docs / "report.doc", "x");
  t::WriteBytes(docs / "gone.doc", "x");
  ASSERT_TRUE(t::MakeShortcut(recent / "report.doc.lnk", docs / "report.doc"));
  t::WriteBytes(recent / "desktop.ini", "[.ShellClassInfo]\r\n");
  EXPECT_FALSE(RecentHasBrokenShortcut(recent.Path()));

  // A shortcut named like a settings file is passed over even when broken.
  ASSERT_TRUE(t::MakeShortcut(recent / "old.ini.lnk", docs / "gone.doc"));
  DeleteFileA((docs / "gone.doc").c_str());
  EXPECT_FALSE(RecentHasBrokenShortcut(recent.Path()));

  ASSERT_TRUE(t::MakeShortcut(recent / "sub\\gone.doc.lnk", docs / "report.doc"));
  EXPECT_FALSE(RecentHasBrokenShortcut(recent.Path()));
  DeleteFileA((docs / "report.doc").c_str());
  EXPECT_TRUE(RecentHasBrokenShortcut(recent.Path()));
}

TEST_F(Score, AShortcutWithoutATargetCountsAsBroken) {
  t::ScratchDir recent("C:\\brisko tests\\recent2");
  t::WriteBytes(recent / "garbage.lnk", "not a shortcut at all");
  EXPECT_TRUE(RecentHasBrokenShortcut(recent.Path()));
}

TEST_F(Score, SixRecentDocumentValuesCountSubkeysDoNot) {
  t::ScratchKey key("BriskoRecentDocs");
  for (int i = 0; i < 5; ++i) t::SetRaw(key.Root(), key.Path(), std::to_string(i), REG_BINARY, std::string(400, 'x'));
  t::SetString(key.Root(), key.Sub(".txt"), "0", "x");
  t::SetString(key.Root(), key.Sub(".doc"), "0", "x");
  EXPECT_FALSE(TooManyRecentDocs(key.Root(), key.Path()));
  t::SetString(key.Root(), key.Path(), "MRUListEx", "x");
  EXPECT_TRUE(TooManyRecentDocs(key.Root(), key.Path()));
  EXPECT_FALSE(TooManyRecentDocs(key.Root(), key.Sub("missing")));
}

TEST_F(Score, EachCheckTakesTwentyPoints) {
  t::ScratchDir root("C:\\brisko tests\\score");
  t::ScratchKey key("BriskoScoreDocs");
  ScoreInputs in;
  in.cacheFolder = root / "cache";
  in.recentFolder = root / "recent";
  in.tempFolder = root / "temp";
  in.recentDocsRoot = key.Root();
  in.recentDocsKey = key.Path();
  t::MakeDirs(in.cacheFolder);
  t::MakeDirs(in.recentFolder);
  t::MakeDirs(in.tempFolder);
  EXPECT_EQ(CleanlinessScore(in), 100);
  FillTo(in.cacheFolder, kCacheLimitBytes + 1);
  EXPECT_EQ(CleanlinessScore(in), 80);
  t::WriteBytes(in.recentFolder + "\\x.lnk", "broken");
  EXPECT_EQ(CleanlinessScore(in), 60);
  FillTo(in.tempFolder, kTempLimitBytes);
  EXPECT_EQ(CleanlinessScore(in), 40);
  for (int i = 0; i < 6; ++i) t::SetString(key.Root(), key.Path(), std::to_string(i), "x");
  EXPECT_EQ(CleanlinessScore(in), 20);
}

TEST_F(Score, TheSystemInputsNameThisUsersFolders) {
  const ScoreInputs in = SystemScoreInputs();
  EXPECT_FALSE(in.recentFolder.empty());
  EXPECT_FALSE(in.tempFolder.empty());
  EXPECT_NE(in.tempFolder.back(), '\\');
  EXPECT_EQ(in.recentDocsKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs");

  // A temp path that names the profile folder (TMP and TEMP unset, or set
  // to it) or a drive root is not walked: no temp check at all.
  char tmp[MAX_PATH] = {}, temp[MAX_PATH] = {}, profile[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
  GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
  GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
  for (const char* odd : {static_cast<const char*>(profile), "C:\\"}) {
    SetEnvironmentVariableA("TMP", odd);
    SetEnvironmentVariableA("TEMP", odd);
    EXPECT_EQ(SystemScoreInputs().tempFolder, "") << odd;
  }
  SetEnvironmentVariableA("TMP", tmp[0] ? tmp : nullptr);
  SetEnvironmentVariableA("TEMP", temp[0] ? temp : nullptr);
  EXPECT_EQ(SystemScoreInputs().tempFolder, in.tempFolder);
}
