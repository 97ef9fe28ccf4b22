// The one-click sequence without any window: the step table, the command
// lines, starting a cleaner and waiting for it through a watcher thread, the
// cleaners' logs, and the run itself with cooperative pause and stop.
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "handles.h"

namespace suite::console {

constexpr int kStepCount = 6;

struct Step {
  const char* labelKey;  // label control / settings key
  const char* program;   // the cleaner beside the console
  const char* argument;  // its switch
  const char* logName;   // the log read after the step
};

// In run order: shortcuts, favorites, junk files, software history, registry,
// patch backups.
extern const std::array<Step, kStepCount> kSteps;

// The outside program that replaces the patch step's cleaner on Vista.
extern const char kVistaPatchProgram[];

// The program a step starts under the given OS suffix ("-XP", "-Vista", ...).
std::string StepProgram(int index, const std::string& osSuffix);

// The command line of a program in `folder` with its switch: the program path
// quoted, so that the switch is the child's first argument also when the
// folder holds blanks.
std::string CommandLineFor(const std::string& folder, const std::string& program,
                           const std::string& argument);

// Logs larger than this are not read: they count 0 and list nothing.
constexpr unsigned long long kMaxLogBytes = 8ull << 20;

// Reads one section of a log file. A missing, unreadable or oversized file
// gives an empty list and false.
bool ReadLogSection(const std::string& logPath, const std::string& section,
                    std::vector<std::string>& out);
// The count a log reports: the first "Numbers" element when it is a plain
// decimal number, "0" for a missing, empty, malformed or oversized log.
std::string LogCount(const std::string& logPath);
// A step's result line: "- <count> <word>".
std::string ResultText(const std::string& count, const std::string& word);

// What the log viewer shows of one log: its "Files" entries and its count.
struct LogView {
  std::vector<std::string> files;
  std::string count = "0";
};
LogView ReadLogView(const std::string& logPath);
// The viewer's status line: "<caption> - <count> ".
std::string LogViewStatus(const std::string& caption, const LogView& view);

// The log viewer's six buttons: the log and the key of its caption.
struct LogButton {
  const char* logName;
  const char* captionKey;
};
extern const std::array<LogButton, kStepCount> kLogButtons;

// Deletes the six logs of the step table from `folder`.
void DeleteStepLogs(const std::string& folder);

// A started child process, watched by a thread of its own, which waits for
// it without time-out, closes the handles it was given and then sets the
// manual-reset event Done(). When the program cannot be started the event is
// set at once. The object keeps its own handle to the child, so a step past
// its time limit can be ended and the child's exit status read.
class WatchedChild {
 public:
  HANDLE Done() const { return done_.get(); }
  bool Started() const { return static_cast<bool>(process_); }
  DWORD Id() const { return id_; }
  // Ends the child (a step past its time limit) and waits until it is gone.
  void End();
  // The child's exit status once Done() is set; false when it never started.
  bool ExitCode(DWORD& code) const;

 private:
  friend WatchedChild StartWatched(const std::string& commandLine);
  UniqueHandleKernel done_;
  UniqueHandleKernel process_;
  DWORD id_ = 0;
};

// Starts `commandLine` (not inherited handles, normal priority, default show
// state, this process's environment and current directory) and hands the
// child to its watcher.
WatchedChild StartWatched(const std::string& commandLine);

// The time limit of one step, in seconds: "StepTimeout" in section "Setting"
// of the console's settings file; 0 means none. A missing or malformed value
// gives the default.
constexpr unsigned long kDefaultStepTimeoutSeconds = 1800;
unsigned long ReadStepTimeout(const std::string& settingsPath);

// Pause and stop of one run, shared by the window's thread and the worker.
// Both wait on events; nothing polls.
class RunControl {
 public:
  RunControl();
  void Stop() { SetEvent(stop_.get()); }
  void Pause() { ResetEvent(resume_.get()); }
  void Continue() { SetEvent(resume_.get()); }
  bool Stopped() const { return WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }
  bool Paused() const { return WaitForSingleObject(resume_.get(), 0) != WAIT_OBJECT_0; }
  // Waits while the run is paused; false when it was stopped.
  bool Checkpoint() const;
  // Waits until `handle` is signalled (true) or the run is stopped (false).
  bool WaitFor(HANDLE handle) const;
  enum class Wait { Signalled, Stopped, TimedOut };
  // The same with a limit in milliseconds (INFINITE for none).
  Wait WaitFor(HANDLE handle, DWORD limitMs) const;
  // Sleeps up to `ms`; false when the run was stopped meanwhile.
  bool Sleep(DWORD ms) const;

 private:
  UniqueHandleKernel stop_;    // manual reset, set = stopped
  UniqueHandleKernel resume_;  // manual reset, set = running, reset = paused
};

// What a run reports, in order, from the worker's thread.
class SequenceSink {
 public:
  virtual ~SequenceSink() = default;
  virtual void StepStarted(int index) = 0;
  virtual void StepFinished(int index, const std::string& count) = 0;
  virtual void Progress(int position) = 0;
};

struct SequenceOptions {
  std::array<bool, kStepCount> enabled{{true, true, true, true, true, true}};
  std::string folder;    // where the cleaners and their logs are
  std::string osSuffix;  // decides the patch step's program
  unsigned long stepTimeoutSeconds = kDefaultStepTimeoutSeconds;  // 0: no limit
};

struct SequenceResult {
  bool completed = false;  // every enabled step ran; false when the run was stopped
  // Every step that started ended by itself with exit status 0. A program
  // that is not there starts nothing and does not count against it.
  bool succeeded = true;
};

// Runs the enabled steps in order: start, wait, read the count, report the
// progress (20 per step run). Does not delete the logs (the caller does that
// when the user confirms). Tests pause and stop between any two actions; a
// stopped run ends at once, leaving a started child running (its watcher
// still closes its handles). A child still running when its step's time
// limit is over is ended; that step counts 0 and the run goes on.
SequenceResult RunSequence(const SequenceOptions& options, const RunControl& control, SequenceSink& sink);

}  // namespace suite::console
