#include "folderwalk.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "testsupport.h"

namespace t = suite::test;

TEST(FolderWalk, ListsEveryFileWithSizesIncludingHiddenOnes) {
  t::ScratchDir dir("C:\\suite-tests\\walk");
  t::WriteBytes(dir / "a.txt", "12345");
  t::WriteBytes(dir / "sub\\deeper\\b.lnk", "12");
  t::WriteBytes(dir / "sub\\h.dat", "1");
  SetFileAttributesA((dir / "sub\\h.dat").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  std::vector<std::string> seen;
  suite::WalkFolder(dir.Path(), [&](const suite::WalkEntry& e) { seen.push_back(e.path); });
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{dir / "a.txt", dir / "sub\\deeper\\b.lnk",
                                            dir / "sub\\h.dat"}));
  EXPECT_EQ(suite::FolderSize(dir.Path()), 8u);
  // A folder given with its trailing backslash gives the same paths.
  seen.clear();
  suite::WalkFolder(dir.Path() + "\\", [&](const suite::WalkEntry& e) { seen.push_back(e.path); });
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(suite::FolderSize(dir / "missing"), 0u);
}

TEST(FolderWalk, DoesNotEnterLinksThatPointBackUp) {
  // The sandbox holds C:\suite-fixtures\linkloop\inner\{up -> .., again -> loop}.
  std::vector<std::string> seen;
  suite::WalkFolder("C:\\suite-fixtures\\linkloop",
                    [&](const suite::WalkEntry& e) { seen.push_back(e.path); });
  EXPECT_EQ(seen, std::vector<std::string>{"C:\\suite-fixtures\\linkloop\\inner\\file.txt"});
}

TEST(FolderWalk, StopsWhenAskedTo) {
  t::ScratchDir dir("C:\\suite-tests\\walk-stop");
  for (int i = 0; i < 20; ++i) t::WriteBytes(dir / ("f" + std::to_string(i)), "x");
  std::atomic<bool> stop{false};
  int count = 0;
  suite::WalkFolder(dir.Path(), [&](const suite::WalkEntry&) {
    if (++count == 3) stop = true;
  }, &stop);
  EXPECT_EQ(count, 3);
}
