#include "sysinfo.h"

#include <gtest/gtest.h>

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
