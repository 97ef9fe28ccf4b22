#include "probes.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "testsupport.h"

namespace t = suite::test;
using suite::OsSuffixFor;

TEST(OsSuffix, Table) {
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32s, 3, 10, ""), "32s");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 4, 0, ""), "-95");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 4, 0, " C"), "-95OSR2");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " A "), "-98SE");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 4, 10, ""), "-98");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 4, 90, ""), "-Me");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 5, 0, ""), "");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 6"), "-NT");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_NT, 5, 0, ""), "-2000");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_NT, 5, 1, ""), "-XP");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_NT, 5, 2, ""), "-XP");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_NT, 6, 0, ""), "-Vista");
  EXPECT_EQ(OsSuffixFor(VER_PLATFORM_WIN32_NT, 6, 1, ""), "-Vista");
}

// The probes asked of a real process that the sandbox makes see each version
// (Wine's Windows 98 is the Second Edition).
TEST(OsSuffix, RealVersionsOfTheSandbox) {
  const struct {
    const char* version;
    const char* suffix;
    const char* win9x;
  } cases[] = {{"win98", "-98SE", "1"},     {"win2k", "-2000", "0"}, {"winxp", "-XP", "0"},
               {"winxp64", "-XP", "0"},   {"vista", "-Vista", "0"}, {"win7", "-Vista", "0"}};
  for (const auto& c : cases) {
    t::WindowsVersionFor as("probe_tool.exe", c.version);
    t::ProcessResult r = t::RunProcess(suite::ProgramFolderPath("probe_tool.exe"));
    ASSERT_EQ(r.exitCode, 0u) << c.version;
    r.output.erase(std::remove(r.output.begin(), r.output.end(), '\r'), r.output.end());
    EXPECT_NE(r.output.find(std::string("suffix=") + c.suffix + "\n"), std::string::npos)
        << c.version << ": " << r.output;
    EXPECT_NE(r.output.find(std::string("win9x=") + c.win9x), std::string::npos) << c.version;
  }
}

TEST(Probes, InternetExplorerSevenIsReadFromItsVersion) {
  const char* key = "SOFTWARE\\Microsoft\\Internet Explorer";
  const std::string saved = [&] {
    char buf[256] = {};
    DWORD size = sizeof buf - 1;
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return std::string();
    RegQueryValueExA(k, "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return std::string(buf);
  }();
  t::SetString(HKEY_LOCAL_MACHINE, key, "Version", "7.0.5730.13");
  EXPECT_TRUE(suite::IsIE7());
  t::SetString(HKEY_LOCAL_MACHINE, key, "Version", "9.11.9600.0");
  EXPECT_FALSE(suite::IsIE7());
  t::SetString(HKEY_LOCAL_MACHINE, key, "Version", saved);
}

TEST(Probes, DrivesAndFolders) {
  const auto fixed = suite::FixedDrives();
  const auto other = suite::NonFixedDrives();
  EXPECT_EQ(fixed.size() + other.size(), 20u);  // C to V, each in one list
  ASSERT_FALSE(fixed.empty());
  EXPECT_EQ(fixed.front(), "C:\\");
  for (const auto& root : fixed) EXPECT_NE(root, "W:\\");
  EXPECT_EQ(suite::TempFolder().back(), '\\');
  EXPECT_FALSE(suite::WindowsFolder().empty());
  EXPECT_NE(suite::WindowsFolder().back(), '\\');
  EXPECT_FALSE(suite::ShellFolder("Favorites").empty());
  unsigned long long total = 0, free = 0;
  suite::DiskSpaceTotals(total, free);
  EXPECT_GT(total, 0u);
  EXPECT_LE(free, total);
}

TEST(Probes, ProgramFolderPathIsBesideTheExecutable) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string expected(self);
  expected = expected.substr(0, expected.find_last_of('\\')) + "\\x.ini";
  EXPECT_EQ(suite::ProgramFolderPath("x.ini"), expected);
}

TEST(Text, CaseMappingLeavesDoubleByteCharactersAlone) {
  // A GBK character whose trail byte is the letter 'a'.
  const std::string dbcs = std::string("\x81\x61", 2);  // lead byte 0x81, trail 'a'
  EXPECT_EQ(suite::ToUpper("c:\\" + dbcs + "x.lnk"), "C:\\" + dbcs + "X.LNK");
  EXPECT_EQ(suite::ToLower("ABC" + dbcs), "abc" + dbcs);
  EXPECT_TRUE(suite::ContainsNoCase("C:\\Windows\\Installer\\x", "\\INSTALLER\\"));
  EXPECT_EQ(suite::JoinPath("C:\\", "a"), "C:\\a");
  EXPECT_EQ(suite::JoinPath("C:\\x", "a"), "C:\\x\\a");
  EXPECT_EQ(suite::Format("%s-%d", "a", 5), "a-5");
}

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
