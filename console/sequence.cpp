#include "sequence.h"

#include <thread>

#include "cleanlog.h"
#include "dryrun.h"
#include "probes.h"

namespace suite::console {

const std::array<Step, kStepCount> kSteps{{
    {"IDC_STATICCLINFO1", "Snipwell.exe", "-Auto", "Snipwell.log"},
    {"IDC_STATICCLINFO2", "Marksift.exe", "-Auto", "Marksift.log"},
    {"IDC_STATICCLINFO3", "Dustrel.exe", "-Auto", "Dustrel.log"},
    {"IDC_STATICCLINFO4", "Dustrel.exe", "-Track", "History.log"},
    {"IDC_STATICCLINFO5", "Hivemend.exe", "-Auto", "Hivemend.log"},
    {"IDC_STATICCLINFO6", "Patchmoor.exe", "-Auto", "Patchmoor.log"},
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
    {"Snipwell.log", "strInfo1"},
    {"Marksift.log", "strInfo2"},
    {"Dustrel.log", "strInfo4"},
    {"History.log", "strInfo3"},
    {"Hivemend.log", "strInfo5"},
    {"Patchmoor.log", "strInfo6"},
}};

void DeleteStepLogs(const std::string& folder) {
  for (const Step& step : kSteps) DeleteLogAt(JoinPath(folder, step.logName));
}

UniqueHandleKernel StartWatched(const std::string& commandLine, DWORD* processId) {
  if (processId) *processId = 0;
  UniqueHandleKernel done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!done) return done;

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION child{};
  std::string line = commandLine;  // CreateProcessA may write into its buffer
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &child)) {
    SetEvent(done.get());
    return done;
  }
  if (processId) *processId = child.dwProcessId;

  // The watcher owns the child's handles and its own copy of the event, so it
  // can outlive a stopped run and still close everything it holds.
  HANDLE eventCopy = nullptr;
  DuplicateHandle(GetCurrentProcess(), done.get(), GetCurrentProcess(), &eventCopy, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  HANDLE process = child.hProcess, thread = child.hThread;
  try {
    std::thread([process, thread, eventCopy] {
      WaitForSingleObject(process, INFINITE);
      CloseHandle(process);
      CloseHandle(thread);
      if (eventCopy) {
        SetEvent(eventCopy);
        CloseHandle(eventCopy);
      }
    }).detach();
    if (!eventCopy) {
      // Without a copy to hand over, the caller cannot be told: waiting here
      // is the only safe answer (the watcher still closes the child's handles).
      HANDLE again = OpenProcess(SYNCHRONIZE, FALSE, child.dwProcessId);
      if (again) {
        WaitForSingleObject(again, INFINITE);
        CloseHandle(again);
      }
      SetEvent(done.get());
    }
  } catch (...) {
    // No thread could be made: wait here, then close the handles.
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    CloseHandle(thread);
    if (eventCopy) CloseHandle(eventCopy);
    SetEvent(done.get());
  }
  return done;
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
  HANDLE both[2] = {stop_.get(), handle};
  const DWORD r = WaitForMultipleObjects(2, both, FALSE, INFINITE);
  return r == WAIT_OBJECT_0 + 1;
}

bool RunControl::Sleep(DWORD ms) const {
  return WaitForSingleObject(stop_.get(), ms) == WAIT_TIMEOUT;
}

bool RunSequence(const SequenceOptions& options, const RunControl& control, SequenceSink& sink) {
  int run = 0;
  for (int i = 0; i < kStepCount; ++i) {
    if (!options.enabled[static_cast<size_t>(i)]) continue;
    const Step& step = kSteps[static_cast<size_t>(i)];
    if (!control.Checkpoint()) return false;
    sink.StepStarted(i);
    const std::string program = StepProgram(i, options.osSuffix);
    // A preview passes "-Preview" on, and never starts the outside program,
    // which knows no preview and would clean for real: that step counts 0.
    if (!DryRun() || program != kVistaPatchProgram) {
      UniqueHandleKernel done = StartWatched(
          CommandLineFor(options.folder, program, ChildArguments(step.argument)));
      if (done && !control.WaitFor(done.get())) return false;
    }
    // A paused run reads no result until it goes on.
    if (!control.Checkpoint()) return false;
    sink.StepFinished(i, LogCount(JoinPath(options.folder, step.logName)));
    ++run;
    if (!control.Checkpoint()) return false;
    sink.Progress(20 * run);
  }
  return true;
}

}  // namespace suite::console
