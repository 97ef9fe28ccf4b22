#include "cleanlog.h"

#include <gtest/gtest.h>

#include "sysinfo.h"
#include "testsupport.h"

namespace t = suite::test;

namespace {

class CleanLog : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = std::string("log_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
            ".log";
    suite::DeleteLog(name_);
  }
  void TearDown() override { suite::DeleteLog(name_); }
  std::string Bytes() const { return t::ReadBytes(suite::ProgramFolderPath(name_)); }
  std::string name_;
};

}  // namespace

TEST_F(CleanLog, PassWithTwoItemsHasTheExactLayout) {
  suite::WriteCleaningLog(name_, {"C:\\a\\x.lnk", "C:\\b=c\\y.lnk"});
  EXPECT_EQ(Bytes(),
            "[Numbers]\r\nItem0=2\r\n\r\n"
            "[Files]\r\nItem0=C:\\a\\x.lnk\r\nItem1=C:\\b=c\\y.lnk\r\n\r\n");
  std::vector<std::string> files;
  ASSERT_TRUE(suite::ReadLog(name_, "Files", files));
  EXPECT_EQ(files, (std::vector<std::string>{"C:\\a\\x.lnk", "C:\\b=c\\y.lnk"}));
}

TEST_F(CleanLog, EmptyPassWritesOnlyTheCount) {
  suite::WriteCleaningLog(name_, {});
  EXPECT_EQ(Bytes(), "[Numbers]\r\nItem0=0\r\n\r\n");
  std::vector<std::string> files{"caller's"};
  ASSERT_TRUE(suite::ReadLog(name_, "Files", files));
  EXPECT_EQ(files, std::vector<std::string>{"caller's"});  // a missing section leaves the list
}

TEST_F(CleanLog, APassReplacesTheOldLog) {
  suite::WriteCleaningLog(name_, {"old1", "old2", "old3"});
  suite::WriteCleaningLog(name_, 5, {"new"});
  EXPECT_EQ(Bytes(), "[Numbers]\r\nItem0=5\r\n\r\n[Files]\r\nItem0=new\r\n\r\n");
}

TEST_F(CleanLog, WriteLogKeepsOtherSectionsAhead) {
  ASSERT_TRUE(t::WriteBytes(suite::ProgramFolderPath(name_), "[Other]\r\nk=v\r\n"));
  ASSERT_TRUE(suite::WriteLog(name_, "Numbers", {"1"}));
  ASSERT_TRUE(suite::WriteLog(name_, "Files", {"p"}));
  EXPECT_EQ(Bytes(), "[Other]\r\nk=v\r\n\r\n[Numbers]\r\nItem0=1\r\n\r\n[Files]\r\nItem0=p\r\n\r\n");
}

TEST_F(CleanLog, ReadingAGapGivesAnEmptyValue) {
  ASSERT_TRUE(t::WriteBytes(suite::ProgramFolderPath(name_), "[Files]\r\nItem0=a\r\nItem2=c\r\n"));
  std::vector<std::string> files;
  ASSERT_TRUE(suite::ReadLog(name_, "Files", files));
  EXPECT_EQ(files, (std::vector<std::string>{"a", ""}));
}

TEST_F(CleanLog, MissingFileEmptiesTheListAndFails) {
  std::vector<std::string> files{"stale"};
  EXPECT_FALSE(suite::ReadLog(name_, "Numbers", files));
  EXPECT_TRUE(files.empty());
}

TEST_F(CleanLog, GbkPathsSurvive) {
  suite::WriteCleaningLog(name_, {"C:\\桌面\\快捷方式.lnk"});
  std::vector<std::string> files;
  ASSERT_TRUE(suite::ReadLog(name_, "Files", files));
  EXPECT_EQ(files, std::vector<std::string>{"C:\\桌面\\快捷方式.lnk"});
}

// A registry name may hold line breaks: written as it is, it would add lines
// (a forged count, forged entries) that the console reads as the cleaner's.
TEST_F(CleanLog, AnEntryWithLineBreaksStaysOneLine) {
  const std::string forged = "HKCU\\x\r\nItem1=C:\\forged.txt\r\n[Numbers]\nItem0=99";
  suite::WriteCleaningLog(name_, {forged, "C:\\b.lnk"});
  EXPECT_EQ(Bytes(),
            "[Numbers]\r\nItem0=2\r\n\r\n"
            "[Files]\r\nItem0=HKCU\\x  Item1=C:\\forged.txt  [Numbers] Item0=99\r\n"
            "Item1=C:\\b.lnk\r\n\r\n");
  std::vector<std::string> numbers, files;
  ASSERT_TRUE(suite::ReadLog(name_, "Numbers", numbers));
  ASSERT_TRUE(suite::ReadLog(name_, "Files", files));
  EXPECT_EQ(numbers, std::vector<std::string>{"2"});
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1], "C:\\b.lnk");
}
