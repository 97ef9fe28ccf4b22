// The system figures the console compares before and after a one-click run,
// and what the performance page shows from them.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace suite::console {

struct SystemFigures {
  int startupEntries = 0;
  int services = 0;
  int automaticServices = 0;  // "Start" is 0, 1 or 2
  int processes = 0;          // running processes whose program path can be read
};

struct DiskFigures {
  unsigned long long totalMb = 0;
  unsigned long long freeMb = 0;
};

// The startup keys: (root, path) pairs whose values are counted.
const std::vector<std::pair<HKEY, std::string>>& StartupKeys();
int CountStartupEntries();
// Counts the subkeys of `servicesKey` and those whose DWORD "Start" is 0..2.
void CountServices(HKEY root, const std::string& servicesKey, int& services, int& automatic);
int CountProcesses();
SystemFigures TakeSystemFigures();
DiskFigures TakeDiskFigures();

struct PerformanceTexts {
  std::string disk;         // "strInfo9"
  std::string performance;  // "strInfo10"
  std::string startup;      // "strInfo11"
};

// Bars: the startup and performance bars run 1..200 with the before bars at
// kBeforePosition; the disk bars run 0..99 (used space in percent).
constexpr int kBarMax = 200;
constexpr int kBeforePosition = 100;

struct PerformanceDisplay {
  int diskBefore = 0, diskAfter = 0;
  int startupAfter = kBeforePosition, performanceAfter = kBeforePosition;
  std::string diskText, performanceText, startupText;
};

// Only measured differences (before less after) are shown: with no change the
// after bars stand level with the before bars and the texts show no gain.
PerformanceDisplay ComputeDisplay(const SystemFigures& before, const SystemFigures& after,
                                  const DiskFigures& diskBefore, const DiskFigures& diskAfter,
                                  const PerformanceTexts& texts);

}  // namespace suite::console
