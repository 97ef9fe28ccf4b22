#include "programs.h"

#include <atomic>

namespace suite {

namespace {
std::atomic<bool> g_unattended{false};
}  // namespace

std::vector<std::string> SilentSwitchesOf(Program program) {
  std::vector<std::string> out;
  for (const SilentSwitch& s : EntryOf(program).switches)
    if (s.argument) out.push_back(s.argument);
  return out;
}

void SetUnattendedRun(bool on) { g_unattended = on; }
bool UnattendedRun() { return g_unattended; }

}  // namespace suite
