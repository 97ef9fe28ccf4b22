// Prints the answers of the system probes, one per line, for tests that run it
// under another Windows version.
#include <cstdio>

#include "sysinfo.h"

int main() {
  std::printf("suffix=%s\n", suite::GetOsSuffix().c_str());
  std::printf("win9x=%d\n", suite::IsWin9x() ? 1 : 0);
  std::printf("ie7=%d\n", suite::IsIE7() ? 1 : 0);
  std::fflush(stdout);
  return 0;
}
