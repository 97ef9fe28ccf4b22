// The window-side engines of the main cleaner: the result model behind the
// virtual result list, the sink that batches rows for the window, the three
// option settings in the registry and the disk report's pie figures.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "batchsink.h"
#include "options.h"
#include "registry.h"
#include "reportfigures.h"
#include "resultmodel.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

FoundItem Row(const std::string& name, bool checked = true) {
  FoundItem r;
  r.name = name;
  r.folder = "C:\\x";
  r.size = "1 Byte";
  r.checked = checked;
  return r;
}

std::vector<FoundItem> Rows(int n, const std::string& prefix = "r") {
  std::vector<FoundItem> v;
  for (int i = 0; i < n; ++i) v.push_back(Row(prefix + std::to_string(i), i % 2 == 0));
  return v;
}

}  // namespace

TEST(ResultModel, KeepsTicksAndOrderAcrossBatchesAndEdits) {
  ResultModel m;
  auto a = Rows(3, "a");
  auto b = Rows(2, "b");
  m.Append(a);
  m.Append(b);
  EXPECT_TRUE(a.empty());
  ASSERT_EQ(m.Size(), 5u);
  EXPECT_EQ(m.Row(3).name, "b0");
  EXPECT_EQ(m.TickedCount(), 3u);  // a0, a2, b0

  m.Flip({0, 1, 99});  // out of range ignored
  EXPECT_FALSE(m.Row(0).checked);
  EXPECT_TRUE(m.Row(1).checked);
  m.SetAll(true);
  EXPECT_EQ(m.TickedCount(), 5u);
  m.SetAll(false);
  EXPECT_EQ(m.TickedCount(), 0u);

  EXPECT_TRUE(m.Remove(1));
  EXPECT_FALSE(m.Remove(4));
  EXPECT_EQ(m.Row(1).name, "a2");
  m.Keep({true, false, true, false});
  ASSERT_EQ(m.Size(), 2u);
  EXPECT_EQ(m.Row(0).name, "a0");
  EXPECT_EQ(m.Row(1).name, "b0");
}

// Rows are kept in chunks: removing, keeping and copying across their edges
// keeps every row once, in order.
TEST(ResultModel, RowsStayInOrderAcrossChunkEdges) {
  ResultModel m;
  for (int batch = 0; batch < 3; ++batch) {
    auto v = Rows(4000, "c" + std::to_string(batch) + "-");
    m.Append(v);
  }
  ASSERT_EQ(m.Size(), 12000u);
  EXPECT_EQ(m.Row(4096).name, "c1-96");
  EXPECT_TRUE(m.Remove(10));  // every later row moves down one, across the edges
  EXPECT_EQ(m.Row(4095).name, "c1-96");
  EXPECT_EQ(m.Row(11998).name, "c2-3999");
  std::vector<bool> keep(m.Size());
  for (size_t i = 0; i < keep.size(); ++i) keep[i] = i % 3 == 0;
  m.Keep(keep);
  ASSERT_EQ(m.Size(), 4000u);
  const std::vector<FoundItem> all = m.Copy();
  ASSERT_EQ(all.size(), 4000u);
  EXPECT_EQ(all[1].name, "c0-3");
  EXPECT_EQ(all.back().name, m.Row(3999).name);
  m.Assign(Rows(2));
  EXPECT_EQ(m.Size(), 2u);
  EXPECT_EQ(m.Row(1).name, "r1");
}

TEST(ResultModel, MarkColumnFlipsBetweenTwoBlanksAndTheTick) {
  ResultModel m;
  auto v = Rows(1);
  m.Append(v);
  EXPECT_EQ(CellText(m.Row(0), 1), "");
  m.FlipMark(0);  // a fresh row first gets two blanks
  EXPECT_EQ(CellText(m.Row(0), 1), "  ");
  m.FlipMark(0);
  EXPECT_EQ(CellText(m.Row(0), 1), "√");
  m.FlipMark(0);
  EXPECT_EQ(CellText(m.Row(0), 1), "  ");
  EXPECT_EQ(NextMark("other"), "  ");
  EXPECT_EQ(CellText(m.Row(0), 7), "");
  EXPECT_EQ(m.TickedCount(), 1u) << "the mark is not the tick";
}

// 100,000 rows from a worker reach the window in a few large batches: the
// window is woken only when its queue was empty, never once per row.
TEST(BatchSink, WakesOncePerBatchAndLosesNoRow) {
  std::atomic<int> wakes{0};
  BatchSink sink([&] { ++wakes; });
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 100000; ++i) sink.Add(Row("f" + std::to_string(i)));
    done = true;
  });
  std::vector<FoundItem> all;
  std::string status;
  int takes = 0;
  while (!done || sink.Added() != all.size()) {
    auto batch = sink.Take(status);
    if (!batch.empty()) ++takes;
    all.insert(all.end(), batch.begin(), batch.end());
    Sleep(5);
  }
  worker.join();
  auto rest = sink.Take(status);
  all.insert(all.end(), rest.begin(), rest.end());
  ASSERT_EQ(all.size(), 100000u);
  for (int i : {0, 4999, 99999}) EXPECT_EQ(all[i].name, "f" + std::to_string(i));
  EXPECT_LE(wakes.load(), takes + 1);
  EXPECT_LT(wakes.load(), 5000) << "rows were not batched";
}

TEST(BatchSink, StatusTextsAreThinnedToTheNewest) {
  int wakes = 0;
  BatchSink sink([&] { ++wakes; }, 60000);
  sink.Status("C:\\one");
  sink.Status("C:\\two");  // within the interval: replaces the waiting text
  std::string status;
  EXPECT_TRUE(sink.Take(status).empty());
  EXPECT_EQ(status, "C:\\two");
  EXPECT_EQ(wakes, 1);
  sink.Status("C:\\three");  // nothing waiting and within the interval: dropped
  sink.Take(status);
  EXPECT_EQ(status, "");
  sink.Add(Row("x"));
  EXPECT_EQ(wakes, 2);
}

// The options window's three switches, where the system and the suite read them.
TEST(Options, WrittenWhereTheyAreReadAndRemovedWhenOff) {
  const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
  const std::string policy = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
  const Options saved = ReadOptions();

  Options on;
  on.deleteNoBackup = on.clearRecentDocsOnExit = on.autoExitWindows = true;
  ASSERT_TRUE(WriteOptions(on));
  Options back = ReadOptions();
  EXPECT_TRUE(back.deleteNoBackup && back.clearRecentDocsOnExit && back.autoExitWindows);
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, explorer, "DeleteNoBackup"));
  EXPECT_TRUE(t::ValueExists(HKEY_USERS, policy, "ClearRecentDocsOnExit"));

  ASSERT_TRUE(WriteOptions(Options{}));
  back = ReadOptions();
  EXPECT_FALSE(back.deleteNoBackup || back.clearRecentDocsOnExit || back.autoExitWindows);
  EXPECT_FALSE(t::ValueExists(HKEY_LOCAL_MACHINE, explorer, "DeleteNoBackup"));
  EXPECT_FALSE(t::ValueExists(HKEY_USERS, policy, "ClearRecentDocsOnExit"));
  // AutoExitWindows is always written, 0 when off.
  ASSERT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, "Software\\Quillon", "AutoExitWindows"));
  EXPECT_TRUE(WriteOptions(Options{})) << "removing absent values is no failure";

  // A value of another type is not taken for "on".
  t::SetString(HKEY_LOCAL_MACHINE, explorer, "DeleteNoBackup", "1");
  EXPECT_FALSE(ReadOptions().deleteNoBackup);
  WriteOptions(saved);
}

TEST(ReportFigures, FreedSpaceMovesFromUsedToFreeWithinTheDisks) {
  const PieFigures before = BeforePie(DiskFigures{700, 300});
  EXPECT_EQ(before.usedLabel, "已用:700 MB");
  EXPECT_EQ(before.freeLabel, "剩余:300 MB");
  const PieFigures after = AfterPie(DiskFigures{700, 300}, 50);
  EXPECT_EQ(after.usedMb, 650u);
  EXPECT_EQ(after.freeMb, 350u);
  EXPECT_EQ(after.freeLabel, "剩余:350 MB");
  const PieFigures over = AfterPie(DiskFigures{10, 20}, 100);
  EXPECT_EQ(over.usedMb, 0u);
  EXPECT_EQ(over.freeMb, 30u);
  // Disks of more than 4 TB keep their figures.
  const PieFigures big = BeforePie(DiskFigures{5000000ULL, 1ULL << 33});
  EXPECT_EQ(big.freeLabel, "剩余:8589934592 MB");
}
