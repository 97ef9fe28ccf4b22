// Figures every benchmark prints: wall time and the process's private memory.
// Header only; the benchmark links psapi.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>

namespace suite::bench {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

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
