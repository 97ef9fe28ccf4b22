#include "sequence.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "cleanlog.h"
#include "dryrun.h"
#include "inifile.h"
#include "programs.h"
#include "text.h"

namespace suite::console {

namespace {

// A step runs one silent switch of one program of the suite's table.
constexpr Step StepOf(const char* labelKey, Program program, int slot = 0) {
  return Step{labelKey, ExecutableOf(program), SwitchOf(program, slot).argument,
              LogNameOf(program, slot)};
}

// What the watcher of a started child holds: the child's process and thread
// and its own copy of the caller's "done" event.
struct ChildHandles {
  UniqueHandleKernel process, thread, doneCopy;
  // Closes the child's handles, then tells the caller through the copy.
  void CloseAndSignal() {
    process.reset();
    thread.reset();
    if (doneCopy) {
      SetEvent(doneCopy.get());
      doneCopy.reset();
    }
  }
};

}  // namespace

const std::array<Step, kStepCount> kSteps{{
    StepOf("IDC_STATICCLINFO1", Program::Snipwell),
    StepOf("IDC_STATICCLINFO2", Program::Marksift),
    StepOf("IDC_STATICCLINFO3", Program::Dustrel),
    StepOf("IDC_STATICCLINFO4", Program::Dustrel, 1),
    StepOf("IDC_STATICCLINFO5", Program::Hivemend),
    StepOf("IDC_STATICCLINFO6", Program::Patchmoor),
}};

const char kVistaPatchProgram[] = "Patchmoorv.exe";

std::string StepProgram(int index, const std::string& osSuffix) {
  if (index == kStepCount - 1 && osSuffix.find("Vista") != std::string::npos)
    return kVistaPatchProgram;
  return kSteps[static_cast<size_t>(index)].program;
}

std::string CommandLineFor(const std::string& folder, const std::string& program,
                           const std::string& argument) {
  std::string line = "\"" + JoinPath(folder, program) + "\"";
  if (!argument.empty()) line += " " + argument;
  return line;
}

bool ReadLogSection(const std::string& givenPath, const std::string& section,
                    std::vector<std::string>& out) {
  out.clear();
  const std::string logPath = ActiveLogPath(givenPath);  // the preview's log under "-Preview"
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(logPath.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size > kMaxLogBytes) return false;
  return ReadLogAt(logPath, section, out);
}

std::string LogCount(const std::string& logPath) {
  std::vector<std::string> numbers;
  ReadLogSection(logPath, "Numbers", numbers);
  if (numbers.empty()) return "0";
  const std::string& first = numbers.front();
  if (first.empty() || first.size() > 10) return "0";
  for (char c : first)
    if (c < '0' || c > '9') return "0";
  return first;
}

std::string ResultText(const std::string& count, const std::string& word) {
  return "- " + count + " " + word;
}

LogView ReadLogView(const std::string& logPath) {
  LogView view;
  ReadLogSection(logPath, "Files", view.files);
  view.count = LogCount(logPath);
  return view;
}

std::string LogViewStatus(const std::string& caption, const LogView& view) {
  return caption + " - " + view.count + " ";
}

// Buttons 3 and 4 take each other's caption keys.
const std::array<LogButton, kStepCount> kLogButtons{{
    {LogNameOf(Program::Snipwell), "strInfo1"},
    {LogNameOf(Program::Marksift), "strInfo2"},
    {LogNameOf(Program::Dustrel), "strInfo4"},
    {LogNameOf(Program::Dustrel, 1), "strInfo3"},
    {LogNameOf(Program::Hivemend), "strInfo5"},
    {LogNameOf(Program::Patchmoor), "strInfo6"},
}};

void DeleteStepLogs(const std::string& folder) {
  for (const Step& step : kSteps) DeleteLogAt(JoinPath(folder, step.logName));
}

WatchedChild StartWatched(const std::string& commandLine) {
  WatchedChild watched;
  watched.done_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!watched.done_) return watched;
  UniqueHandleKernel& done = watched.done_;

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION child{};
  std::string line = commandLine;  // CreateProcessA may write into its buffer
  // Shared with the watcher; made before the child, so that nothing can fail
  // between its start and the handing over of its handles.
  auto handles = std::make_shared<ChildHandles>();
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &child)) {
    SetEvent(done.get());
    return watched;
  }
  watched.id_ = child.dwProcessId;
  DuplicateHandle(GetCurrentProcess(), child.hProcess, GetCurrentProcess(),
                  watched.process_.put(), 0, FALSE, DUPLICATE_SAME_ACCESS);

  // The watcher owns the child's handles and its own copy of the event, so it
  // can outlive a stopped run and still close everything it holds.
  handles->process.reset(child.hProcess);
  handles->thread.reset(child.hThread);
  DuplicateHandle(GetCurrentProcess(), done.get(), GetCurrentProcess(),
                  handles->doneCopy.put(), 0, FALSE, DUPLICATE_SAME_ACCESS);
  const bool haveCopy = static_cast<bool>(handles->doneCopy);
  try {
    std::thread([handles] {
      WaitForSingleObject(handles->process.get(), INFINITE);
      handles->CloseAndSignal();
    }).detach();
    if (!haveCopy) {
      // Without a copy to hand over, the caller cannot be told: waiting here
      // is the only safe answer (the watcher still closes the child's handles).
      UniqueHandleKernel again(OpenProcess(SYNCHRONIZE, FALSE, child.dwProcessId));
      if (again) WaitForSingleObject(again.get(), INFINITE);
      SetEvent(done.get());
    }
  } catch (...) {
    // No thread could be made: wait here, then close the handles.
    WaitForSingleObject(handles->process.get(), INFINITE);
    handles.reset();
    SetEvent(done.get());
  }
  return watched;
}

void WatchedChild::End() {
  if (!process_) return;
  TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), INFINITE);
  // The watcher sets Done() once it has closed its handles.
  if (done_) WaitForSingleObject(done_.get(), INFINITE);
}

bool WatchedChild::ExitCode(DWORD& code) const {
  code = 0;
  if (!process_) return false;
  return GetExitCodeProcess(process_.get(), &code) && code != STILL_ACTIVE;
}

unsigned long ReadStepTimeout(const std::string& settingsPath) {
  IniFile file(settingsPath);
  if (!file.ReadFile()) return kDefaultStepTimeoutSeconds;
  const std::string text = file.GetValue("Setting", "StepTimeout");
  // Seconds as a plain decimal number (a longer one is no setting of ours).
  if (text.empty() || text.size() > 7) return kDefaultStepTimeoutSeconds;
  for (char c : text)
    if (c < '0' || c > '9') return kDefaultStepTimeoutSeconds;
  return std::stoul(text);
}

RunControl::RunControl()
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      resume_(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {}

bool RunControl::Checkpoint() const {
  if (Stopped()) return false;
  HANDLE both[2] = {stop_.get(), resume_.get()};
  const DWORD r = WaitForMultipleObjects(2, both, FALSE, INFINITE);
  return r == WAIT_OBJECT_0 + 1 && !Stopped();
}

bool RunControl::WaitFor(HANDLE handle) const {
  return WaitFor(handle, INFINITE) == Wait::Signalled;
}

RunControl::Wait RunControl::WaitFor(HANDLE handle, DWORD limitMs) const {
  HANDLE both[2] = {stop_.get(), handle};
  const DWORD r = WaitForMultipleObjects(2, both, FALSE, limitMs);
  if (r == WAIT_OBJECT_0 + 1) return Wait::Signalled;
  if (r == WAIT_TIMEOUT) return Wait::TimedOut;
  return Wait::Stopped;
}

bool RunControl::Sleep(DWORD ms) const {
  return WaitForSingleObject(stop_.get(), ms) == WAIT_TIMEOUT;
}

SequenceResult RunSequence(const SequenceOptions& options, const RunControl& control,
                           SequenceSink& sink) {
  SequenceResult result;
  // A limit in milliseconds stays below INFINITE (about 49 days).
  const unsigned long kMaxSeconds = (INFINITE - 1) / 1000;
  const DWORD limitMs = options.stepTimeoutSeconds == 0
                            ? INFINITE
                            : std::min(options.stepTimeoutSeconds, kMaxSeconds) * 1000;
  int run = 0;
  for (int i = 0; i < kStepCount; ++i) {
    if (!options.enabled[static_cast<size_t>(i)]) continue;
    const Step& step = kSteps[static_cast<size_t>(i)];
    if (!control.Checkpoint()) return result;
    sink.StepStarted(i);
    const std::string program = StepProgram(i, options.osSuffix);
    bool endedByItself = true;
    // A preview passes "-Preview" on, and never starts the outside program,
    // which knows no preview and would clean for real: that step counts 0.
    if (!DryRun() || program != kVistaPatchProgram) {
      WatchedChild child = StartWatched(
          CommandLineFor(options.folder, program, ChildArguments(step.argument)));
      if (child.Done()) {
        const RunControl::Wait wait = control.WaitFor(child.Done(), limitMs);
        if (wait == RunControl::Wait::Stopped) return result;
        if (wait == RunControl::Wait::TimedOut) {
          child.End();
          endedByItself = false;
        }
      }
      DWORD code = 0;
      if (child.Started() && (!endedByItself || !child.ExitCode(code) || code != 0))
        result.succeeded = false;
    }
    // A paused run reads no result until it goes on.
    if (!control.Checkpoint()) return result;
    // A step that was ended counts 0, whatever its log holds.
    sink.StepFinished(i, endedByItself ? LogCount(JoinPath(options.folder, step.logName)) : "0");
    ++run;
    if (!control.Checkpoint()) return result;
    sink.Progress(20 * run);
  }
  result.completed = true;
  return result;
}

}  // namespace suite::console
