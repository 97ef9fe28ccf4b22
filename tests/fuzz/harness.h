// The fuzz run's frame: its budget (from the command line), a time limit per
// input, and a record of the input in work, saved to a file when it crashes
// the process or runs past its time limit.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace suite::fuzz {

struct Options {
  uint64_t seed = 1;         // --seed=N
  size_t runs = 300;         // --runs=N      inputs per format
  size_t regRuns = 6;        // --reg-runs=N  .reg write-and-restore round trips
  DWORD timeLimitMs = 60000; // --time-limit-ms=N per input (a hang, not a slow input)
  std::string replayFormat;  // --replay=FORMAT:FILE runs that one saved input
  std::string replayFile;
};
Options& Opts();
// Takes the options above out of argv; false (with a message) for a bad one.
bool ParseOptions(int& argc, char** argv);

// The inputs of one format's run: `runs` mutated inputs, or the saved input of
// --replay (none when the replay is of another format).
size_t RunsFor(const char* format, size_t runs);
// The input to feed: the replayed file, or the mutated one.
const std::string& InputFor(const std::string& mutated);

// Installs the crash handler and starts the watchdog thread; Stop ends it.
void StartWatch();
void StopWatch();

// Marks one input as in work for the time limit and the crash handler.
class Current {
 public:
  Current(const char* format, size_t index, const std::string& input);
  ~Current();
  Current(const Current&) = delete;
  Current& operator=(const Current&) = delete;
};

// Writes an input that made a check fail beside the executable
// ("fuzz-<format>-<index>.bin") and returns its path.
std::string SaveInput(const char* format, size_t index, const std::string& input);

// Whether the heap guard (an inaccessible page after every allocation) is on.
bool GuardedHeap();

}  // namespace suite::fuzz
