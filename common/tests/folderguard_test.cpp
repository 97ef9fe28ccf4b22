#include "folderguard.h"

#include <gtest/gtest.h>

#include "sysinfo.h"

using suite::IsSweepableFolder;
using suite::SweptFolder;

// Made-up folders: nothing here needs to exist.
TEST(SweepGuard, RootsSystemAndShellFoldersAndWhatHoldsThemAreNotSwept) {
  const auto guarded = suite::GuardedFoldersOf(
      {"X:\\Win", "X:\\Users\\me", "X:\\Users\\me\\Documents", "X:\\Users\\me\\AppData\\Roaming"});
  const SweptFolder temp = SweptFolder::Temp, cache = SweptFolder::Cache;
  for (const char* refused : {"X:\\", "X:", "\\\\server\\share", "\\\\server\\share\\", "temp",
                              "", "X:\\Win", "x:\\win\\", "X:\\Users\\me", "X:\\Users",
                              "X:\\Users\\me\\Documents", "x:\\USERS\\me\\documents\\",
                              "X:\\Users\\me\\AppData", "X:\\Users\\me\\Documents\\..",
                              "X:\\Te*mp"}) {
    EXPECT_FALSE(IsSweepableFolder(refused, cache, guarded)) << refused;
  }
  EXPECT_TRUE(IsSweepableFolder("X:\\Users\\me\\AppData\\Local\\Temp", temp, guarded));
  EXPECT_TRUE(IsSweepableFolder("X:\\Win\\Temp\\", temp, guarded)) << "below a guarded folder";
  EXPECT_TRUE(IsSweepableFolder("X:\\Users\\me\\Tmp\\2", temp, guarded));
  EXPECT_TRUE(IsSweepableFolder("X:\\Users\\me\\Local\\Web Cache", cache, guarded));
  // A temp path naming a data folder is not what its name says.
  EXPECT_FALSE(IsSweepableFolder("X:\\data", temp, guarded));
  EXPECT_TRUE(IsSweepableFolder("X:\\data", cache, guarded));
}

// On this system the real temp, Recent and cache folders pass, each judged
// without its own entry (the profile and the roots are refused above and in
// the console's score test).
TEST(SweepGuard, TheSystemsOwnSpecialFoldersPass) {
  EXPECT_TRUE(IsSweepableFolder(suite::TempFolder(), SweptFolder::Temp));
  const std::string recent = suite::ShellFolder("Recent");
  if (!recent.empty()) EXPECT_TRUE(IsSweepableFolder(recent, SweptFolder::Recent));
  const std::string cache = suite::ShellFolder("Cache");
  if (!cache.empty()) {
    EXPECT_TRUE(IsSweepableFolder(cache, SweptFolder::Cache));
    EXPECT_FALSE(IsSweepableFolder(cache, SweptFolder::Temp)) << "the cache is no temp folder";
  }
}
