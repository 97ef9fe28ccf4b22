#include <gtest/gtest.h>

#include "scantargets.h"

namespace d = dustrel;

namespace {

d::ScanTargets TwoDrivesOnePlugin() {
  d::ScanTargets targets =
      d::BuildScanTargets({{"C:\\", 1234}, {"E:\\", 5ull << 20}}, "no-such-settings.ini");
  targets.AddPlugin("C:\\app\\CleanPlugin\\WinRAR.ini");
  return targets;
}

}  // namespace

TEST(ScanTargets, RowOrderTextsAndDefaultTicks) {
  const d::ScanTargets targets = TwoDrivesOnePlugin();
  ASSERT_EQ(targets.rows.size(), 2u + 26u + 1u);
  EXPECT_EQ(targets.DriveCount(), 2);
  EXPECT_EQ(targets.rows[0].caption, "C:\\");
  // Free space in MB with the whole 64-bit figure (5 TB here).
  EXPECT_EQ(targets.rows[1].column1, ":5242880 MB");
  EXPECT_FALSE(targets.rows[0].checked);
  EXPECT_EQ(targets.OtherItemRow(1), 2);
  EXPECT_EQ(targets.OtherItemRow(26), 27);
  const d::OtherItemTicks ticks = targets.OtherTicks();
  for (int n = 1; n <= 26; ++n) EXPECT_EQ(ticks[n - 1], n < 2 || n > 4) << n;
  EXPECT_EQ(targets.rows[2 + 3].image, 1);   // OtherItem4
  EXPECT_EQ(targets.rows[2 + 4].image, 2);   // OtherItem5
  EXPECT_EQ(targets.rows[2 + 9].image, 3);   // OtherItem10
  const d::ScanTarget& plugin = targets.rows.back();
  EXPECT_EQ(plugin.caption, "WinRAR.ini");
  EXPECT_EQ(plugin.column1, " ");
  EXPECT_TRUE(plugin.checked);
  EXPECT_EQ(plugin.image, 3);
  EXPECT_TRUE(targets.TickedDrives().empty());
}

TEST(ScanTargets, ASavedSelectionShorterThanTheListLeavesTheRestAlone) {
  d::ScanTargets targets = TwoDrivesOnePlugin();
  // 28 saved bytes for 29 rows: E: ticked, every OtherItem unticked; the
  // plug-in row keeps its own tick.
  std::vector<bool> saved(28, false);
  saved[1] = true;
  targets.ApplyTicks(saved);
  EXPECT_EQ(targets.TickedDrives(), std::vector<std::string>{"E:\\"});
  EXPECT_EQ(targets.TickedDriveRows(), std::vector<int>{1});
  for (bool tick : targets.OtherTicks()) EXPECT_FALSE(tick);
  EXPECT_TRUE(targets.rows.back().checked);
  // A longer saved selection (rows since removed) is cut to the list.
  targets.ApplyTicks(std::vector<bool>(40, true));
  EXPECT_EQ(targets.Ticks(), std::vector<bool>(29, true));
}
