#include "removal.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

TEST(RecycleBin, MovesFilesAndFoldersAndRefusesWildcards) {
  t::EmptyRecycleBin();
  t::ScratchDir dir("C:\\suite-tests\\recycle");
  const std::string file = dir / "a.txt";
  const std::string folder = dir / "sub";
  ASSERT_TRUE(t::WriteBytes(file, "x"));
  ASSERT_TRUE(t::WriteBytes(folder + "\\inner.txt", "y"));
  ASSERT_TRUE(t::WriteBytes(dir / "keep.txt", "z"));

  EXPECT_FALSE(suite::MoveToRecycleBin(dir / "*.txt"));
  EXPECT_FALSE(suite::MoveToRecycleBin("relative.txt"));
  EXPECT_TRUE(t::Exists(file));
  EXPECT_FALSE(suite::MoveToRecycleBin(dir / "missing.txt"));

  EXPECT_TRUE(suite::MoveToRecycleBin(file));
  EXPECT_TRUE(suite::MoveToRecycleBin(folder));
  EXPECT_FALSE(t::Exists(file));
  EXPECT_FALSE(t::Exists(folder));
  EXPECT_TRUE(t::Exists(dir / "keep.txt"));
  auto recycled = t::RecycledPaths();
  std::sort(recycled.begin(), recycled.end());
  EXPECT_EQ(recycled, (std::vector<std::string>{file, folder}));
  t::EmptyRecycleBin();
}

namespace {
std::string Special(int csidl) {
  char buf[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))
             ? std::string(buf)
             : std::string();
}
}  // namespace

// The guard every deletion of the suite goes through.
TEST(ProtectedPaths, SystemAndProfileFoldersAndTheSuiteItself) {
  const std::string windows = suite::WindowsFolder();
  const std::string profile = t::ProfileFolder();
  const std::string protectedFolders[] = {
      "C:\\", "C:", "c:\\\\", "W:\\", windows, windows + "\\", suite::ToLower(windows),
      windows + "\\.", windows + "\\system32\\..", suite::SystemFolder(),
      Special(CSIDL_PROGRAM_FILES), Special(CSIDL_PROGRAM_FILESX86), profile,
      profile + "\\Desktop", Special(CSIDL_PERSONAL), Special(CSIDL_DESKTOPDIRECTORY),
      Special(CSIDL_FAVORITES), Special(CSIDL_STARTMENU), Special(CSIDL_APPDATA),
      suite::ShellFolder("Recent"), suite::TempFolder(),
      // Folders that hold protected ones.
      profile.substr(0, profile.find_last_of('\\')),
      // The suite's own folder, its backup store and everything in them.
      suite::ProgramFolder(), suite::ProgramFolderPath("common_tests.exe"),
      suite::ProgramFolderPath("Reg-Backup-XP"),
      suite::ProgramFolderPath("Reg-Backup-XP\\2026-01-01 备份\\RB1.reg"),
      "\\\\server\\share", "\\\\?\\C:\\x", "relative\\x.txt", "C:\\x\\*.lnk"};
  for (const std::string& path : protectedFolders) {
    if (path.empty()) continue;
    EXPECT_TRUE(suite::IsProtectedPath(path)) << path;
  }
  // What is in the system and profile folders is judged by the cleaners.
  const std::string free[] = {windows + "\\$NtUninstallKB1$", windows + "\\x.lnk",
                              profile + "\\Desktop\\old.lnk", Special(CSIDL_PROGRAM_FILES) + "\\App",
                              suite::TempFolder() + "junk.tmp", "C:\\suite-tests\\x",
                              "\\\\server\\share\\x.txt"};
  for (const std::string& path : free) EXPECT_FALSE(suite::IsProtectedPath(path)) << path;
}

TEST(ProtectedPaths, DeletionRoutinesRefuseThem) {
  // A file in the suite's own folder: a removal would take the program's own data.
  const std::string own = suite::ProgramFolderPath("suite-guard-probe.txt");
  ASSERT_TRUE(t::WriteBytes(own, "keep"));
  EXPECT_FALSE(suite::MoveToRecycleBin(own));
  EXPECT_FALSE(suite::DeletePermanently(own));
  EXPECT_TRUE(t::Exists(own));
  DeleteFileA(own.c_str());
  // A profile folder itself, even when empty.
  const std::string music = Special(CSIDL_MYMUSIC);
  if (!music.empty()) {
    CreateDirectoryA(music.c_str(), nullptr);
    EXPECT_FALSE(suite::MoveToRecycleBin(music));
    EXPECT_TRUE(t::Exists(music));
  }
}

TEST(RecycleBin, GoneOnlyWhenTheSystemSaysSo) {
  t::ScratchDir dir("C:\\suite-tests\\gone");
  const std::string file = dir / "held.txt";
  ASSERT_TRUE(t::WriteBytes(file, "x"));
  EXPECT_FALSE(suite::IsGone(file));
  EXPECT_TRUE(suite::IsGone(dir / "none.txt"));
  EXPECT_TRUE(suite::IsGone(dir / "no\\none.txt"));
  EXPECT_FALSE(suite::IsGone(dir / "bad<name>.txt"));  // an invalid name is no answer
}

// Where no Recycle Bin answers, the shell would delete the item outright: a
// recycle-only call leaves it where it is and says so.
TEST(RecycleBin, RecycleOnlyKeepsWhatCannotGoToTheBin) {
  t::EmptyRecycleBin();
  t::ScratchDir dir("C:\\suite-tests\\recycle-only");
  const std::string file = dir / "fav.url", folder = dir / "sub";
  ASSERT_TRUE(t::WriteBytes(file, "x"));
  ASSERT_TRUE(t::WriteBytes(folder + "\\inner.txt", "y"));
  {
    t::RecycleBinUnavailable noBin;
    ASSERT_TRUE(noBin.Active());
    EXPECT_FALSE(suite::MoveToRecycleBin(file, nullptr, /*recycleOnly=*/true));
    EXPECT_FALSE(suite::MoveToRecycleBin(folder, nullptr, /*recycleOnly=*/true));
    EXPECT_TRUE(t::Exists(file));
    EXPECT_TRUE(t::Exists(folder + "\\inner.txt"));
  }
  EXPECT_TRUE(suite::MoveToRecycleBin(file, nullptr, true));
  EXPECT_EQ(t::RecycledPaths(), std::vector<std::string>{file});
  t::EmptyRecycleBin();
}
