// The main cleaner's start-up pieces without a window: the command-line
// modes, the saved selection of the scan-target list and how it is applied.
#include <gtest/gtest.h>

#include <windows.h>

#include "regremoval.h"
#include "scantargets.h"
#include "selection.h"
#include "shellglue.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

const char kSuiteKey[] = "Software\\Quillon";

// Keeps the two saved-selection values of the sandbox as they were.
class Selection : public ::testing::Test {
 protected:
  void SetUp() override {
    hadStatus_ = t::ValueExists(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveStatus");
    hadCount_ = t::ValueExists(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount");
    std::vector<bool> saved;
    if (ReadSavedSelection(saved)) saved_ = saved;
  }
  void TearDown() override {
    if (hadStatus_ && hadCount_) SaveSelection(saved_);
  }
  static void Raw(const std::string& bytes, DWORD count) {
    t::SetRaw(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveStatus", REG_BINARY, bytes);
    t::SetDword(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount", count);
  }
  bool hadStatus_ = false, hadCount_ = false;
  std::vector<bool> saved_;
};

ScanTargets Targets(int drives) {
  std::vector<DriveInfo> d;
  for (int i = 0; i < drives; ++i) d.push_back(DriveInfo{std::string(1, char('C' + i)) + ":\\", 100});
  return BuildScanTargets(d, "Dustrel.ini");
}

}  // namespace

TEST(ShellMode, OnlyTheExactFirstArgumentSelectsASilentMode) {
  EXPECT_EQ(ShellModeFor("", false), ShellMode::Window);
  EXPECT_EQ(ShellModeFor("-Auto", true), ShellMode::Auto);
  EXPECT_EQ(ShellModeFor("-Track", true), ShellMode::Track);
  EXPECT_EQ(ShellModeFor("-PowerOn", true), ShellMode::PowerOn);
  EXPECT_EQ(ShellModeFor("-Advanced", true), ShellMode::Advanced);
  EXPECT_EQ(ShellModeFor("-auto", true), ShellMode::Other);
  EXPECT_EQ(ShellModeFor("-track", true), ShellMode::Other);
  EXPECT_EQ(ShellModeFor("-Auto ", true), ShellMode::Other);
  EXPECT_EQ(ShellModeFor("", true), ShellMode::Other);  // an empty "" argument is an argument
}

TEST_F(Selection, SavedTicksRoundTripOneBytePerRow) {
  const std::vector<bool> ticks = {true, false, false, true, true};
  ASSERT_TRUE(SaveSelection(ticks));
  std::vector<bool> back;
  ASSERT_TRUE(ReadSavedSelection(back));
  EXPECT_EQ(back, ticks);
}

// 30 saved bytes and 32 rows: rows 1-30 follow the bytes, 31-32 keep their defaults.
TEST_F(Selection, ShorterSavedSelectionLeavesTheLaterRowsAtTheirDefaults) {
  ScanTargets targets = Targets(6);  // 6 drives + 26 rows = 32
  ASSERT_EQ(targets.rows.size(), 32u);
  std::string bytes(30, '\1');
  bytes[0] = '\0';
  Raw(bytes, 30);
  std::vector<bool> saved;
  ASSERT_TRUE(ReadSavedSelection(saved));
  ASSERT_EQ(saved.size(), 30u);
  targets.ApplyTicks(saved);
  EXPECT_FALSE(targets.rows[0].checked);
  EXPECT_TRUE(targets.rows[1].checked) << "a drive row ticked from its byte";
  EXPECT_TRUE(targets.rows[6 + 2].checked) << "OtherItem3 ticked from its byte";
  // Rows 31 and 32 are OtherItem25 and 26: ticked by default.
  EXPECT_TRUE(targets.rows[30].checked);
  EXPECT_TRUE(targets.rows[31].checked);
  Raw(std::string(32, '\0'), 30);  // a count below the bytes reads the count
  ASSERT_TRUE(ReadSavedSelection(saved));
  targets.ApplyTicks(saved);
  EXPECT_FALSE(targets.rows[29].checked);
  EXPECT_TRUE(targets.rows[31].checked);
}

TEST_F(Selection, AnythingMissingKeepsTheDefaults) {
  Raw(std::string(4, '\1'), 40);  // a count above the bytes: only the bytes there are
  std::vector<bool> saved;
  ASSERT_TRUE(ReadSavedSelection(saved));
  EXPECT_EQ(saved.size(), 4u);
  // Bytes other than 1 mean unticked.
  Raw(std::string("\x01\x02\xff\x00", 4), 4);
  ASSERT_TRUE(ReadSavedSelection(saved));
  EXPECT_EQ(saved, (std::vector<bool>{true, false, false, false}));

  suite::RemoveSettingValue("HKEY_LOCAL_MACHINE", kSuiteKey, "CleanItemCount");
  saved = {true};
  EXPECT_FALSE(ReadSavedSelection(saved));
  EXPECT_EQ(saved, std::vector<bool>{true}) << "left alone";
  ScanTargets targets = Targets(1);
  const std::vector<bool> defaults = targets.Ticks();
  std::string status;
  const ScanTargets built = BuildTargetList("Dustrel.ini", status);
  // Without a saved selection the built list has the default ticks of its rows.
  for (size_t i = 0; i < built.rows.size(); ++i) {
    if (built.rows[i].kind == TargetKind::OtherItem) {
      EXPECT_EQ(built.rows[i].checked, OtherItemDefaultTick(built.rows[i].index)) << i;
    }
  }
  EXPECT_EQ(defaults.size(), 27u);
}
