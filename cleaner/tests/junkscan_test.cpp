#include "junkscan.h"

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "inifile.h"
#include "testsupport.h"

namespace d = dustrel;
namespace t = suite::test;

namespace {

d::JunkLabels Labels() {
  d::JunkLabels labels;
  for (int i = 0; i < 5; ++i) labels.text[i] = "L" + std::to_string(i);
  return labels;
}

// Rows as "folder|name|size|category|marker|tick".
std::vector<std::string> Texts(const std::vector<d::FoundItem>& rows) {
  std::vector<std::string> out;
  for (const d::FoundItem& r : rows)
    out.push_back(r.folder + "|" + r.name + "|" + r.size + "|" + r.category + "|" + r.marker +
                  "|" + (r.checked ? "1" : "0"));
  std::sort(out.begin(), out.end());
  return out;
}
std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// Special folders of a scratch tree instead of the user's.
struct Tree {
  t::ScratchDir root{"C:\\suite-tests\\junkscan"};
  std::string temp = root / "Temp";
  std::string cache = root / "Cache";
  std::string recent = root / "Recent";

  d::ScanSettings Settings() const {
    d::ScanSettings s;
    s.labels = Labels();
    s.useSystemFolders = false;
    s.tempFolder = temp;
    s.cacheFolder = cache;
    s.recentFolder = recent;
    s.runTraceScanners = false;
    s.ticks.fill(false);
    return s;
  }
};

// Sets the stop flag once `after` rows have arrived.
class StoppingSink : public d::VectorSink {
 public:
  StoppingSink(std::atomic<bool>& stop, size_t after) : stop_(stop), after_(after) {}
  void Add(d::FoundItem row) override {
    d::VectorSink::Add(std::move(row));
    if (rows.size() >= after_) stop_ = true;
  }

 private:
  std::atomic<bool>& stop_;
  size_t after_;
};

}  // namespace

TEST(JunkScan, SpecialFoldersTempSubfoldersAndTheirTicks) {
  Tree tree;
  t::WriteBytes(tree.temp + "\\notes.txt", "12345");
  t::WriteBytes(tree.temp + "\\x.tmp", "1");
  t::WriteBytes(tree.temp + "\\ABC\\inner.dat", "12");
  t::MakeDirs(tree.temp + "\\A.B");
  t::MakeDirs(tree.temp + "\\HID");
  SetFileAttributesA((tree.temp + "\\HID").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  t::WriteBytes(tree.cache + "\\K1\\page.htm", "123");
  t::WriteBytes(tree.recent + "\\doc.lnk", "1");
  t::WriteBytes(tree.root / "elsewhere.tmp", "1");  // on no walked path

  std::atomic<bool> stop{false};
  d::VectorSink sink;
  d::ScanSettings settings = tree.Settings();
  d::ScanOutcome outcome = d::RunScan(settings, sink, stop);
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(outcome.rows, sink.rows.size());
  // The temp walk gives the upper-cased temp path as the folder; the
  // sub-folder rows the temp path as the system gives it. Nothing else is
  // walked while OtherItem1 and OtherItem2 are unticked.
  const std::string tempU = "C:\\SUITE-TESTS\\JUNKSCAN\\TEMP\\";
  EXPECT_EQ(Texts(sink.rows),
            Sorted({
                tree.temp + "\\|ABC|0 字节|临时目录-可以删除||1",
                tempU + "|notes.txt|5 Byte|L3||1",
                tempU + "|x.tmp|1 Byte|L1||1",
                tempU + "ABC|inner.dat|2 Byte|L3||1",
            }));

  settings.ticks[0] = true;  // OtherItem1: the IE cache folder
  settings.ticks[1] = true;  // OtherItem2: the Recent folder
  sink.rows.clear();
  d::RunScan(settings, sink, stop);
  std::vector<std::string> texts = Texts(sink.rows);
  EXPECT_EQ(texts.size(), 6u);
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "C:\\SUITE-TESTS\\JUNKSCAN\\CACHE\\K1|page.htm|3 Byte|L4|Cache|1"),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "C:\\SUITE-TESTS\\JUNKSCAN\\RECENT|doc.lnk|1 Byte|L3||1"),
            texts.end());
}

TEST(JunkScan, DriveWalkOverALinkLoopEndsAndSeesTheSameTexts) {
  // Q: is the sandbox's small fixed drive; Q:\loop\inner\up points back up.
  t::ScratchDir dir("Q:\\junkscan");
  t::WriteBytes(dir / "a.tmp", "12");
  t::WriteBytes(dir / "keep.txt", "1");
  t::WriteBytes(dir / "Sub\\TMP\\setup.log", "123");
  t::WriteBytes("Q:\\junkscan-root.old", "1");
  Tree tree;
  d::ScanSettings settings = tree.Settings();
  settings.drives = {"Q:\\"};
  std::vector<size_t> done;
  std::atomic<bool> stop{false};
  d::VectorSink sink;
  d::ScanOutcome outcome =
      d::RunScan(settings, sink, stop, [&](size_t drive) { done.push_back(drive); });
  DeleteFileA("Q:\\junkscan-root.old");
  EXPECT_FALSE(outcome.stopped);
  EXPECT_EQ(done, std::vector<size_t>{0});
  // Drive rows keep the folder as walked (not upper-cased); a file in the
  // root has the root itself as its folder.
  std::vector<std::string> mine;
  for (const std::string& text : Texts(sink.rows))
    if (text.find("junkscan") != std::string::npos) mine.push_back(text);
  EXPECT_EQ(mine, Sorted({
                      "Q:\\junkscan\\Sub\\TMP|setup.log|3 Byte|L2||1",
                      "Q:\\junkscan|a.tmp|2 Byte|L1||1",
                      "Q:\\|junkscan-root.old|1 Byte|L1||1",
                  }));
  for (const d::FoundItem& row : sink.rows) EXPECT_EQ(row.folder.find("\\up"), std::string::npos);
}

TEST(JunkScan, StopKeepsTheRowsFoundAndEndsTheWalk) {
  Tree tree;
  for (int i = 0; i < 30; ++i) t::WriteBytes(tree.temp + "\\f" + std::to_string(i) + ".tmp", "x");
  std::atomic<bool> stop{false};
  StoppingSink sink(stop, 5);
  d::ScanOutcome outcome = d::RunScan(tree.Settings(), sink, stop);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(sink.rows.size(), 5u);
  EXPECT_EQ(outcome.rows, 5u);

  // A stop before the drive walk: the drive is reported done, nothing walked.
  std::vector<size_t> done;
  d::VectorSink none;
  d::ScanSettings settings = tree.Settings();
  settings.drives = {"Q:\\"};
  outcome = d::RunScan(settings, none, stop, [&](size_t drive) { done.push_back(drive); });
  EXPECT_TRUE(outcome.stopped);
  EXPECT_TRUE(none.rows.empty());
  EXPECT_EQ(done, std::vector<size_t>{0});
}

TEST(JunkScan, FileOfFiveGigabytesKeepsItsSize) {
  Tree tree;
  t::MakeDirs(tree.temp);
  const std::string big = tree.temp + "\\big.tmp";
  {
    HANDLE file = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = 5ll << 30;
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
  }
  std::atomic<bool> stop{false};
  d::VectorSink sink;
  d::RunScan(tree.Settings(), sink, stop);
  ASSERT_EQ(sink.rows.size(), 1u);
  EXPECT_EQ(sink.rows[0].size, "5368709120 Byte");
  EXPECT_EQ(sink.rows[0].bytes, 5ull << 30);
}

TEST(JunkScan, MissingFoldersAreSkipped) {
  t::ScratchDir dir("C:\\suite-tests\\junkscan-missing");
  d::ScanSettings settings;
  settings.labels = Labels();
  settings.useSystemFolders = false;
  settings.tempFolder = dir / "no-temp";
  settings.cacheFolder = dir / "no-cache";
  settings.recentFolder = "";
  settings.runTraceScanners = false;
  settings.ticks.fill(true);
  settings.drives = {"V:\\"};  // no such drive in the sandbox
  std::atomic<bool> stop{false};
  d::VectorSink sink;
  d::ScanOutcome outcome = d::RunScan(settings, sink, stop);
  EXPECT_FALSE(outcome.stopped);
  EXPECT_TRUE(sink.rows.empty());
}

// A file met by two rules and by the drive walk and the temp walk is listed
// once (the first row found). A temp or cache folder that is, or holds, a
// guarded folder is not walked; the scan says which and goes on.
TEST(JunkScan, AFileIsListedOnceAndGuardedSpecialFoldersAreSkipped) {
  Tree tree;
  t::WriteBytes(tree.temp + "\\~x.tmp", "1");  // "\~" and ".TMP"
  t::WriteBytes(tree.temp + "\\Docs\\report.doc", "1");
  t::WriteBytes(tree.recent + "\\doc.lnk", "1");
  t::WriteBytes(tree.cache + "\\page.htm", "1");
  d::ScanSettings settings = tree.Settings();
  settings.drives = {tree.root.Path()};
  std::atomic<bool> stop{false};
  d::VectorSink sink;
  d::RunScan(settings, sink, stop);
  std::vector<std::string> tilde;
  for (const d::FoundItem& row : sink.rows)
    if (row.name == "~x.tmp") tilde.push_back(row.folder + "|" + row.category);
  EXPECT_EQ(tilde, std::vector<std::string>{tree.temp + "|L1"}) << "the drive walk's row";

  settings.drives.clear();
  settings.ticks[0] = settings.ticks[1] = true;
  settings.guardedFolders = suite::GuardedFoldersOf({tree.temp + "\\Docs", tree.cache});
  sink.rows.clear();
  const d::ScanOutcome outcome = d::RunScan(settings, sink, stop);
  EXPECT_EQ(outcome.skipped, (std::vector<std::string>{tree.temp, tree.cache}));
  EXPECT_EQ(Texts(sink.rows),
            std::vector<std::string>{"C:\\SUITE-TESTS\\JUNKSCAN\\RECENT|doc.lnk|1 Byte|L3||1"});
  const std::string note = d::SkippedFoldersNote(outcome, "Dustrel.ini");
  EXPECT_NE(note.find(tree.temp), std::string::npos);
  EXPECT_EQ(note.find(suite::GetInterfaceText("Dustrel.ini", "strSkipFolder")), 0u);
}
