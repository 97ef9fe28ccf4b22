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

// Keeps the saved-selection values of the sandbox as they were.
class Selection : public ::testing::Test {
 protected:
  static void Raw(const std::string& bytes, DWORD count) {
    t::SetRaw(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveStatus", REG_BINARY, bytes);
    t::SetDword(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount", count);
    suite::RemoveSettingValue("HKEY_LOCAL_MACHINE", kSuiteKey, "CleanSaveRows");
  }
  static SavedSelection Read() {
    SavedSelection saved;
    EXPECT_TRUE(ReadSavedSelection(saved));
    return saved;
  }
  t::SavedValue status_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveStatus"};
  t::SavedValue count_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount"};
  t::SavedValue rows_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveRows"};
};

// Drive rows for the given letters, the 26 fixed rows, then plug-in rows.
ScanTargets Targets(const std::string& letters, const std::vector<std::string>& plugins = {}) {
  std::vector<DriveInfo> d;
  for (char c : letters) d.push_back(DriveInfo{std::string(1, c) + ":\\", 100});
  ScanTargets targets = BuildScanTargets(d, "Dustrel.ini");
  for (const std::string& name : plugins) targets.AddPlugin("C:\\Suite\\CleanPlugin\\" + name);
  return targets;
}
ScanTargets Targets(int drives) { return Targets(std::string("CDEFGHIJ").substr(0, drives)); }

bool Ticked(const ScanTargets& targets, const std::string& name) {
  for (const ScanTarget& row : targets.rows)
    if (SelectionName(row) == name) return row.checked;
  ADD_FAILURE() << "no row " << name;
  return false;
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

// Each tick follows the row it was saved for when drives come and go and
// definitions are added; a row saved for nothing keeps its default.
TEST_F(Selection, TicksFollowTheirRowsWhenTheListChanges) {
  ScanTargets before = Targets("CE", {"b.ini"});
  before.rows[before.OtherItemRow(1)].checked = false;  // OtherItem1 off
  before.rows[before.OtherItemRow(3)].checked = true;   // OtherItem3 on
  before.rows[1].checked = true;                         // E:
  before.rows.back().checked = false;                    // b.ini
  ASSERT_TRUE(SaveSelection(before));
  SavedSelection saved = Read();
  EXPECT_EQ(saved.ticks, before.Ticks());
  ASSERT_EQ(saved.rows.size(), before.rows.size());
  EXPECT_EQ(saved.rows[0], "C:\\");
  EXPECT_EQ(saved.rows[2], "OtherItem1");
  EXPECT_EQ(saved.rows.back(), "b.ini");

  // A drive D: appeared (a USB disk that reports itself as fixed) and a file
  // a.ini landed in the definitions before b.ini.
  ScanTargets grown = Targets("CDE", {"a.ini", "b.ini"});
  grown.ApplySaved(saved);
  EXPECT_FALSE(Ticked(grown, "D:\\")) << "a new drive is never ticked";
  EXPECT_TRUE(Ticked(grown, "E:\\"));
  EXPECT_FALSE(Ticked(grown, "C:\\"));
  EXPECT_FALSE(Ticked(grown, "OtherItem1"));
  EXPECT_TRUE(Ticked(grown, "OtherItem3"));
  EXPECT_FALSE(Ticked(grown, "OtherItem2"));
  EXPECT_TRUE(Ticked(grown, "OtherItem5"));
  EXPECT_TRUE(Ticked(grown, "a.ini")) << "a new definition has its default tick";
  EXPECT_FALSE(Ticked(grown, "b.ini"));

  // Drive C: went away: nothing moves up a row.
  ScanTargets shrunk = Targets("E", {"b.ini"});
  shrunk.ApplySaved(saved);
  EXPECT_TRUE(Ticked(shrunk, "E:\\"));
  EXPECT_FALSE(Ticked(shrunk, "OtherItem1"));
  EXPECT_TRUE(Ticked(shrunk, "OtherItem3"));
  EXPECT_FALSE(Ticked(shrunk, "b.ini"));
}

// Saved without row names (another copy of the suite): applied only to a list
// of exactly the saved length, else every row keeps its default.
TEST_F(Selection, WithoutRowNamesOnlyAListOfTheSameLengthTakesTheTicks) {
  std::string bytes(28, '\1');
  bytes[0] = '\0';
  Raw(bytes, 28);
  SavedSelection saved = Read();
  EXPECT_TRUE(saved.rows.empty());
  ScanTargets same = Targets(2);  // 2 drives + 26 rows
  same.ApplySaved(saved);
  EXPECT_FALSE(same.rows[0].checked);
  EXPECT_TRUE(same.rows[1].checked) << "by position";
  EXPECT_TRUE(Ticked(same, "OtherItem3"));

  ScanTargets longer = Targets(3);  // a drive more: 29 rows
  const std::vector<bool> defaults = longer.Ticks();
  longer.ApplySaved(saved);
  EXPECT_EQ(longer.Ticks(), defaults) << "nothing guessed";

  // Row names that do not match the bytes one for one count as none.
  t::SetRaw(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveRows", REG_MULTI_SZ,
            std::string("C:\\\0OtherItem1\0\0", 16));
  EXPECT_TRUE(Read().rows.empty());
}

TEST_F(Selection, AnythingMissingKeepsTheDefaults) {
  Raw(std::string(4, '\1'), 40);  // a count above the bytes: only the bytes there are
  SavedSelection saved = Read();
  EXPECT_EQ(saved.ticks.size(), 4u);
  Raw(std::string(32, '\0'), 30);  // a count below the bytes reads the count
  EXPECT_EQ(Read().ticks.size(), 30u);
  // Bytes other than 1 mean unticked.
  Raw(std::string("\x01\x02\xff\x00", 4), 4);
  EXPECT_EQ(Read().ticks, (std::vector<bool>{true, false, false, false}));

  suite::RemoveSettingValue("HKEY_LOCAL_MACHINE", kSuiteKey, "CleanItemCount");
  saved.ticks = {true};
  EXPECT_FALSE(ReadSavedSelection(saved));
  EXPECT_EQ(saved.ticks, std::vector<bool>{true}) << "left alone";
  std::string status;
  const ScanTargets built = BuildTargetList("Dustrel.ini", status);
  // Without a saved selection the built list has the default ticks of its rows.
  for (size_t i = 0; i < built.rows.size(); ++i) {
    if (built.rows[i].kind == TargetKind::OtherItem) {
      EXPECT_EQ(built.rows[i].checked, OtherItemDefaultTick(built.rows[i].index)) << i;
    } else if (built.rows[i].kind == TargetKind::Drive) {
      EXPECT_FALSE(built.rows[i].checked) << i;
    }
  }
}
