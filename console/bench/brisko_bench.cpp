// The one-click run as a whole: starts "<folder>\Brisko.exe -Auto", watches
// the cleaners it starts (every process whose parent is the console), and
// prints each step's time from the system's own start and end times of the
// processes, the console's whole time, and the console's own share: its time
// outside the steps (start-up, deleting and reading the logs, waiting for each
// step's end, the score) against the sum of the steps.
//   console/bench/brisko_bench.sh [BUILD_DIR]     (seeds a sandbox as the demo does)
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Child {
  DWORD pid = 0;
  std::string exe;
  HANDLE handle = nullptr;
};

double Seconds(const FILETIME& a, const FILETIME& b) {
  const auto value = [](const FILETIME& f) {
    return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  };
  return (static_cast<double>(value(b)) - static_cast<double>(value(a))) / 1e7;
}

bool Times(HANDLE process, FILETIME& start, FILETIME& end) {
  FILETIME kernel, user;
  return GetProcessTimes(process, &start, &end, &kernel, &user) != 0;
}

}  // namespace

// What the system itself costs per started program, measured on a program
// that ends at once (this benchmark with "--noop"): the time from the start
// call to the child's birth (the starter's part) and the child's lifetime.
void ProcessStartCost(const std::string& program, const char* argument, double& starter,
                      double& lifetime, double* firstStarter = nullptr) {
  starter = lifetime = 1e9;
  for (int i = 0; i < 5; ++i) {
    std::string command = "\"" + program + "\" " + argument;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    FILETIME called;
    GetSystemTimeAsFileTime(&called);
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return;
    WaitForSingleObject(pi.hProcess, INFINITE);
    FILETIME start, end;
    if (Times(pi.hProcess, start, end)) {
      if (i == 0 && firstStarter) *firstStarter = Seconds(called, start);
      starter = std::min(starter, Seconds(called, start));
      lifetime = std::min(lifetime, Seconds(start, end));
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

int main(int argc, char** argv) {
  if (argc > 1 && !std::strcmp(argv[1], "--noop")) return 0;
  const std::string folder = argc > 1 ? argv[1] : "C:\\Suite";
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  double starter = 0, lifetime = 0, suiteStarter = 0, suiteLifetime = 0, first = 0;
  ProcessStartCost(self, "--noop", starter, lifetime, &first);
  // A suite program started with no argument ends at once: its life is what
  // loading a suite program (its libraries, its start-up) costs here.
  ProcessStartCost(folder + "\\Hivemend.exe", "", suiteStarter, suiteLifetime);
  std::string command = "\"" + folder + "\\Brisko.exe\" -Auto";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                      &pi)) {
    std::printf("cannot start %s\n", command.c_str());
    return 1;
  }
  CloseHandle(pi.hThread);
  // Every 2 ms a list of the processes; a new child of the console is opened
  // at once, so its times stay readable after it ends. (A step runs at least
  // a second: each cleaner waits that long before its unattended run.)
  std::vector<Child> children;
  while (WaitForSingleObject(pi.hProcess, 2) == WAIT_TIMEOUT) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) continue;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry)) {
      if (entry.th32ParentProcessID != pi.dwProcessId) continue;
      bool known = false;
      for (Child& c : children) {
        if (c.pid != entry.th32ProcessID) continue;
        known = true;
        if (c.exe.empty()) c.exe = entry.szExeFile;  // a new process may show no name at first
      }
      if (known) continue;
      Child c;
      c.pid = entry.th32ProcessID;
      c.exe = entry.szExeFile;
      c.handle = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, c.pid);
      children.push_back(c);
    }
    CloseHandle(snapshot);
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(pi.hProcess, &exitCode);
  FILETIME consoleStart, consoleEnd;
  Times(pi.hProcess, consoleStart, consoleEnd);
  const double total = Seconds(consoleStart, consoleEnd);

  std::printf("Brisko.exe -Auto: exit status %lu, %.2f s in all\n", exitCode, total);
  double steps = 0, gaps = 0;
  int n = 0;
  FILETIME previousEnd = consoleStart;
  for (Child& c : children) {
    if (!c.handle) {
      std::printf("  step %d: %s (not opened in time: its time is counted as the console's)\n", ++n,
                  c.exe.c_str());
      continue;
    }
    WaitForSingleObject(c.handle, 60000);
    FILETIME start, end;
    if (!Times(c.handle, start, end)) continue;
    const double s = Seconds(start, end);
    const double gap = Seconds(previousEnd, start);
    steps += s;
    gaps += gap;
    std::printf("  console %5.3f s, then step %d: %-14s %6.2f s\n", gap, ++n, c.exe.c_str(), s);
    previousEnd = end;
    CloseHandle(c.handle);
  }
  std::printf("  console %5.3f s after the last step (last log, score, exit)\n",
              Seconds(previousEnd, consoleEnd));
  const double own = total - steps;
  std::printf("sum of the steps: %.2f s; the console before and between the steps: %.3f s\n", steps, gaps);
  std::printf("the console's own time: %.2f s = %.1f %% of the sum of the steps (goal 2 %% or less)\n",
              own, steps > 0 ? 100.0 * own / steps : 0.0);
  std::printf("the system's cost of one program start here (a program that ends at once): "
              "%.3f s in the starter (the first start of a process: %.3f s), %.3f s of the program's life\n",
              starter, first, lifetime);
  std::printf("a suite program that ends at once (Hivemend.exe with no argument): %.3f s in the "
              "starter, %.3f s of its life\n", suiteStarter, suiteLifetime);
  // The console's life holds one suite program's start and end, and six starts.
  const double system = suiteLifetime + 6 * suiteStarter;
  std::printf("of the console's own time, a suite program's start and end and six starts: %.2f s; "
              "the rest (deleting and reading the logs, waiting, the next start): %.2f s = %.1f %%\n",
              system, own - system, steps > 0 ? 100.0 * (own - system) / steps : 0.0);
  CloseHandle(pi.hProcess);
  return 0;
}
