// Figures every benchmark prints: wall time and the process's private memory.
// Header only; the benchmark links psapi.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace suite::bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of the calling thread (user and kernel), in seconds: on a
// machine shared with other work it varies less than the wall time.
inline double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  const auto value = [](const FILETIME& f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                               f.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
}

// The best wall and processor times of repeated runs of one piece of work.
struct Best {
  double wall = 1e9, cpu = 1e9;
  template <typename Work>
  void Time(Work&& work, bool keep = true) {
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    work();
    if (!keep) return;
    cpu = std::min(cpu, ThreadCpuSeconds() - cpuStart);
    wall = std::min(wall, SecondsSince(start));
  }
};

// Private (committed) memory: PagefileUsage, which Windows keeps equal to
// PrivateUsage (Wine reports PrivateUsage as 0).
struct Memory {
  double privateMb = 0;      // private bytes now (PagefileUsage)
  double peakPrivateMb = 0;  // the most private bytes so far (PeakPagefileUsage)
};

inline Memory MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  Memory m;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    m.privateMb = counters.PagefileUsage / 1048576.0;
    m.peakPrivateMb = counters.PeakPagefileUsage / 1048576.0;
  }
  return m;
}

inline Memory OwnMemory() { return MemoryOf(GetCurrentProcess()); }

}  // namespace suite::bench
