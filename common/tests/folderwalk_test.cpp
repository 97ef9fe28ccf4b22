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

TEST(FolderWalk, BothListingsHandOverTheSameFiles) {
  t::ScratchDir dir("C:\\suite-tests\\walk-listings");
  t::WriteBytes(dir / "a long file name.txt", "12345");
  t::WriteBytes(dir / "sub\\\xd6\xd0\xce\xc4 name.dat", "12");  // GBK name
  t::WriteBytes(dir / "sub\\deeper\\h.tmp", "1");
  SetFileAttributesA((dir / "sub\\deeper\\h.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN);
  auto list = [&](suite::FolderListing listing) {
    std::vector<std::string> seen;
    suite::WalkFolderWith(listing, dir.Path(), [&](const suite::WalkEntry& e) {
      seen.push_back(*e.folder + "|" + e.name + "|" + std::to_string(e.size) + "|" +
                     std::to_string(e.attributes) + "|" + e.path);
    });
    std::sort(seen.begin(), seen.end());
    return seen;
  };
  const std::vector<std::string> plain = list(suite::FolderListing::Plain);
  EXPECT_EQ(plain.size(), 3u);
  EXPECT_EQ(list(suite::FolderListing::Basic), plain);
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
