// The step table, command lines, log reading and the run itself, with
// stand-in cleaners that record how they were started.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include <thread>

#include "consoletest.h"
#include "sequence.h"
#include "text.h"

namespace t = suite::test;
using namespace suite::console;
using suite::console::test::LogBytes;
using suite::console::test::StandinFolder;
using suite::console::test::WaitUntil;

namespace {

std::vector<std::wstring> Args(const std::string& line) {
  std::wstring wide(line.begin(), line.end());
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(wide.c_str(), &argc);
  std::vector<std::wstring> out(argv, argv + argc);
  LocalFree(argv);
  return out;
}

// Records what a run reports.
class RecordingSink : public SequenceSink {
 public:
  void StepStarted(int index) override { events.push_back("start " + std::to_string(index)); }
  void StepFinished(int index, const std::string& count) override {
    events.push_back("done " + std::to_string(index) + " " + count);
  }
  void Progress(int position) override { events.push_back("progress " + std::to_string(position)); }
  std::vector<std::string> events;
};

std::vector<std::string> AllCleaners() { return suite::console::test::CleanerNames(); }

}  // namespace

TEST(StepTable, RunsTheCleanersInTheirFixedOrderWithTheirLogs) {
  const char* programs[] = {"Snipwell.exe", "Marksift.exe", "Dustrel.exe",
                            "Dustrel.exe",  "Hivemend.exe", "Patchmoor.exe"};
  const char* args[] = {"-Auto", "-Auto", "-Auto", "-Track", "-Auto", "-Auto"};
  const char* logs[] = {"Snipwell.log", "Marksift.log", "Dustrel.log",
                        "History.log",  "Hivemend.log", "Patchmoor.log"};
  for (int i = 0; i < kStepCount; ++i) {
    EXPECT_STREQ(kSteps[i].program, programs[i]);
    EXPECT_STREQ(kSteps[i].argument, args[i]);
    EXPECT_STREQ(kSteps[i].logName, logs[i]);
    EXPECT_EQ(kSteps[i].labelKey, "IDC_STATICCLINFO" + std::to_string(i + 1));
    EXPECT_EQ(StepProgram(i, "-XP"), programs[i]);
  }
  // Only the patch step changes on Vista; its log stays "Patchmoor.log".
  EXPECT_EQ(StepProgram(5, "-Vista"), "Patchmoorv.exe");
  EXPECT_EQ(StepProgram(4, "-Vista"), "Hivemend.exe");
  // The log viewer follows the step order; buttons 3 and 4 cross their captions.
  EXPECT_STREQ(kLogButtons[2].logName, "Dustrel.log");
  EXPECT_STREQ(kLogButtons[2].captionKey, "strInfo4");
  EXPECT_STREQ(kLogButtons[3].logName, "History.log");
  EXPECT_STREQ(kLogButtons[3].captionKey, "strInfo3");
}

TEST(CommandLine, TheSwitchIsTheFirstArgumentAlsoWhenTheFolderHoldsBlanks) {
  for (std::string folder : {"C:\\Suite", "C:\\Program Files\\My Suite", "C:\\Suite\\"}) {
    const std::string line = CommandLineFor(folder, "Snipwell.exe", "-Auto");
    const auto args = Args(line);
    ASSERT_EQ(args.size(), 2u) << line;
    EXPECT_EQ(args[1], L"-Auto");
    std::string program(args[0].begin(), args[0].end());
    EXPECT_EQ(program, suite::JoinPath(folder, "Snipwell.exe"));
  }
  EXPECT_EQ(Args(CommandLineFor("C:\\a b", "Dustrel.exe", "")).size(), 1u);
}

TEST(StepLog, CountsAndListsWhatTheCleanerWrote) {
  t::ScratchDir dir("C:\\brisko tests\\logs");
  const std::string log = dir / "Snipwell.log";
  t::WriteBytes(log, LogBytes(12, {"C:\\a.lnk", "C:\\b=c.lnk", "C:\\中文.lnk"}));
  EXPECT_EQ(LogCount(log), "12");
  LogView view = ReadLogView(log);
  EXPECT_EQ(view.files, (std::vector<std::string>{"C:\\a.lnk", "C:\\b=c.lnk", "C:\\中文.lnk"}));
  EXPECT_EQ(LogViewStatus("快捷方式", view), "快捷方式 - 12 ");
  EXPECT_EQ(ResultText(LogCount(log), "项"), "- 12 项");

  // A pass that removed nothing: count 0 and no "Files" section.
  t::WriteBytes(log, LogBytes(0, {}));
  view = ReadLogView(log);
  EXPECT_TRUE(view.files.empty());
  EXPECT_EQ(view.count, "0");

  // A gap in the keys reads as an empty entry.
  t::WriteBytes(log, "[Numbers]\r\nItem0=2\r\n\r\n[Files]\r\nItem0=x\r\nItem2=z\r\n\r\n");
  EXPECT_EQ(ReadLogView(log).files, (std::vector<std::string>{"x", ""}));
}

TEST(StepLog, AMissingEmptyMalformedOrHugeLogCountsZeroAndListsNothing) {
  t::ScratchDir dir("C:\\brisko tests\\badlogs");
  const std::string log = dir / "Hivemend.log";
  EXPECT_EQ(LogCount(log), "0");
  EXPECT_TRUE(ReadLogView(log).files.empty());
  EXPECT_EQ(LogViewStatus("注册表", ReadLogView(log)), "注册表 - 0 ");

  const std::string bad[] = {
      "",                                              // empty
      "[Files]\r\nItem0=C:\\x\r\n",                    // no "Numbers"
      "[Numbers]\r\nItem0=\r\n",                       // empty count
      "[Numbers]\r\nItem0=seven\r\n",                  // not a number
      "[Numbers]\r\nItem0=-3\r\n",                     // a sign
      "[Numbers]\r\nItem0=99999999999999999999\r\n",   // too long
      std::string("\0\xff\xfe[Numbers\r\n=\r\n", 14),  // binary garbage
  };
  for (const std::string& bytes : bad) {
    t::WriteBytes(log, bytes);
    EXPECT_EQ(LogCount(log), "0") << bytes;
  }

  // Larger than the limit: not read at all.
  std::string huge = LogBytes(5, {"C:\\x"});
  huge += "[Padding]\r\n";
  const std::string line = "Item=" + std::string(1000, 'p') + "\r\n";
  while (huge.size() <= kMaxLogBytes) huge += line;
  t::WriteBytes(log, huge);
  EXPECT_EQ(LogCount(log), "0");
  EXPECT_TRUE(ReadLogView(log).files.empty());

  // A folder with the log's name is no log.
  t::MakeDirs(dir / "Patchmoor.log");
  EXPECT_EQ(LogCount(dir / "Patchmoor.log"), "0");
}

TEST(StepLog, TheSixLogsAreDeletedAndNothingElse) {
  t::ScratchDir dir("C:\\brisko tests\\delete");
  for (const Step& s : kSteps) t::WriteBytes(dir / s.logName, LogBytes(1, {"x"}));
  t::WriteBytes(dir / "Other.log", "keep");
  t::WriteBytes(dir / "Brisko.ini", "keep");
  DeleteStepLogs(dir.Path());
  for (const Step& s : kSteps) EXPECT_FALSE(t::Exists(dir / s.logName)) << s.logName;
  EXPECT_TRUE(t::Exists(dir / "Other.log"));
  EXPECT_TRUE(t::Exists(dir / "Brisko.ini"));
}

TEST(Sequence, RunsTheEnabledStepsInOrderAndReadsEachLog) {
  StandinFolder bin("C:\\brisko tests\\run here", AllCleaners());
  bin.SeedLog("Snipwell.log", 7, {"C:\\x.lnk"});
  bin.SeedLog("History.log", 2, {"a", "b"});
  SequenceOptions options;
  options.folder = bin.Path();
  options.osSuffix = "-XP";
  RunControl control;
  RecordingSink sink;
  EXPECT_TRUE(RunSequence(options, control, sink).completed);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{
                             "Snipwell|-Auto|2", "Marksift|-Auto|2", "Dustrel|-Auto|2",
                             "Dustrel|-Track|2", "Hivemend|-Auto|2", "Patchmoor|-Auto|2"}));
  EXPECT_EQ(sink.events,
            (std::vector<std::string>{"start 0", "done 0 7", "progress 20", "start 1", "done 1 0",
                                      "progress 40", "start 2", "done 2 0", "progress 60",
                                      "start 3", "done 3 2", "progress 80", "start 4", "done 4 0",
                                      "progress 100", "start 5", "done 5 0", "progress 120"}));
}

TEST(Sequence, SkipsStepsThatAreOffAndCountsOnlyTheStepsRun) {
  StandinFolder bin("C:\\brisko tests\\some", AllCleaners());
  SequenceOptions options;
  options.folder = bin.Path();
  options.enabled = {{false, true, false, true, false, false}};
  RunControl control;
  RecordingSink sink;
  EXPECT_TRUE(RunSequence(options, control, sink).completed);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Marksift|-Auto|2", "Dustrel|-Track|2"}));
  EXPECT_EQ(sink.events.back(), "progress 40");
}

TEST(Sequence, OnVistaThePatchStepRunsTheOutsideProgramAndReadsPatchmoorLog) {
  StandinFolder bin("C:\\brisko tests\\vista", {"Patchmoor.exe", "Patchmoorv.exe"});
  bin.SeedLog("Patchmoor.log", 3, {"C:\\windows\\$NtUninstallKB1$"});
  SequenceOptions options;
  options.folder = bin.Path();
  options.osSuffix = "-Vista";
  options.enabled = {{false, false, false, false, false, true}};
  RunControl control;
  RecordingSink sink;
  EXPECT_TRUE(RunSequence(options, control, sink).completed);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Patchmoorv|-Auto|2"}));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"start 5", "done 5 3", "progress 20"}));
}

TEST(Sequence, AMissingProgramEndsItsStepAtOnceWithZero) {
  StandinFolder bin("C:\\brisko tests\\missing", {"Snipwell.exe", "Patchmoor.exe"});
  SequenceOptions options;
  options.folder = bin.Path();
  options.osSuffix = "-Vista";  // "Patchmoorv.exe" is not there either
  RunControl control;
  RecordingSink sink;
  const DWORD start = GetTickCount();
  const SequenceResult result = RunSequence(options, control, sink);
  EXPECT_TRUE(result.completed);
  EXPECT_TRUE(result.succeeded) << "a program that is not there does not fail the run";
  EXPECT_LT(GetTickCount() - start, 20000u);
  EXPECT_EQ(bin.Calls(), (std::vector<std::string>{"Snipwell|-Auto|2"}));
  for (int i = 1; i < kStepCount; ++i) {
    EXPECT_NE(std::find(sink.events.begin(), sink.events.end(), "done " + std::to_string(i) + " 0"),
              sink.events.end());
  }
  EXPECT_EQ(sink.events.back(), "progress 120");
}

TEST(Sequence, PauseHoldsTheNextStepAndStopEndsTheRunWhileAChildHangs) {
  StandinFolder bin("C:\\brisko tests\\hang", AllCleaners());
  bin.Hang("Marksift");
  SequenceOptions options;
  options.folder = bin.Path();
  RunControl control;
  RecordingSink sink;
  bool finished = true;
  control.Pause();
  std::thread run([&] { finished = RunSequence(options, control, sink).completed; });
  Sleep(500);
  EXPECT_TRUE(bin.Calls().empty()) << "a paused run starts no step";
  control.Continue();
  ASSERT_TRUE(WaitUntil([&] { return bin.Calls().size() == 2; }));
  Sleep(300);
  EXPECT_EQ(bin.Calls().back(), "Marksift|-Auto|2");
  const DWORD stopAt = GetTickCount();
  control.Stop();
  run.join();
  EXPECT_LT(GetTickCount() - stopAt, 2000u) << "Stop does not wait for the child";
  EXPECT_FALSE(finished);
  EXPECT_EQ(sink.events.back(), "start 1");
  // The child was left running; once it ends, nothing more was started.
  bin.Release();
  Sleep(1000);
  EXPECT_EQ(bin.Calls().size(), 2u);
}

TEST(Sequence, WhilePausedAFinishedChildsResultIsNotRead) {
  StandinFolder bin("C:\\brisko tests\\pause", AllCleaners());
  bin.Hang("Snipwell");
  bin.SeedLog("Snipwell.log", 4, {"x"});
  SequenceOptions options;
  options.folder = bin.Path();
  options.enabled = {{true, true, false, false, false, false}};
  RunControl control;
  RecordingSink sink;
  std::thread run([&] { RunSequence(options, control, sink); });
  ASSERT_TRUE(WaitUntil([&] { return bin.Calls().size() == 1; }));
  control.Pause();
  bin.Release();  // the child ends while the run is paused
  Sleep(1500);
  EXPECT_EQ(bin.Calls().size(), 1u);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"start 0"}));
  control.Continue();
  run.join();
  EXPECT_EQ(sink.events[1], "done 0 4");
  EXPECT_EQ(bin.Calls().size(), 2u);
}

TEST(StartWatched, AnUnstartableProgramSignalsAtOnce) {
  WatchedChild child = StartWatched("\"C:\\no such folder\\nothing.exe\" -Auto");
  ASSERT_TRUE(child.Done());
  EXPECT_EQ(WaitForSingleObject(child.Done(), 0), WAIT_OBJECT_0);
  EXPECT_FALSE(child.Started());
  EXPECT_EQ(child.Id(), 0u);
}

// A step past its limit is ended and counts 0, the run goes on; the run
// succeeded only when every started step ended by itself with status 0.
TEST(Sequence, AStepPastItsLimitIsEndedCountsZeroAndFailsTheRun) {
  StandinFolder bin("C:\\brisko tests\\limit", AllCleaners());
  bin.Hang("Marksift");
  bin.SeedLog("Marksift.log", 6, {"x"});  // never read: the step was ended
  bin.SeedLog("Hivemend.log", 2, {"a", "b"});
  SequenceOptions options;
  options.folder = bin.Path();
  options.stepTimeoutSeconds = 2;
  RunControl control;
  RecordingSink sink;
  const DWORD start = GetTickCount();
  SequenceResult result = RunSequence(options, control, sink);
  EXPECT_LT(GetTickCount() - start, 30000u) << "the hanging step held the run";
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(result.succeeded);
  EXPECT_EQ(bin.Calls().size(), 6u);
  EXPECT_NE(std::find(sink.events.begin(), sink.events.end(), "done 1 0"), sink.events.end());
  EXPECT_NE(std::find(sink.events.begin(), sink.events.end(), "done 4 2"), sink.events.end());
  EXPECT_EQ(sink.events.back(), "progress 120");

  // Every step ends by itself, one with status 3: the run failed all the same.
  StandinFolder exits("C:\\brisko tests\\exit status", AllCleaners());
  t::WriteBytes(exits / "Hivemend.exit", "3");
  options.folder = exits.Path();
  options.stepTimeoutSeconds = 0;  // no limit
  result = RunSequence(options, control, sink);
  EXPECT_TRUE(result.completed);
  EXPECT_FALSE(result.succeeded);
  DeleteFileA((exits / "Hivemend.exit").c_str());
  EXPECT_TRUE(RunSequence(options, control, sink).succeeded);
}

TEST(StepLimit, ReadFromTheSettingsFileWithTheDefaultForAnythingOdd) {
  t::ScratchDir dir("C:\\brisko tests\\limit ini");
  const std::string ini = dir / "Brisko.ini";
  EXPECT_EQ(ReadStepTimeout(ini), 1800u);  // no file
  const std::pair<const char*, unsigned long> cases[] = {
      {"5", 5}, {"0", 0}, {"", 1800}, {"-1", 1800}, {"ten", 1800}, {"99999999", 1800}};
  for (const auto& c : cases) {
    t::WriteBytes(ini, std::string("[Resource]\r\nStepTimeout=9\r\n[Setting]\r\nStepTimeout=") +
                           c.first + "\r\n");
    EXPECT_EQ(ReadStepTimeout(ini), c.second) << c.first;
  }
}
