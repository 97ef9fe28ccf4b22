#include "cleanrun.h"

#include "options.h"
#include "probes.h"

namespace dustrel {

bool ReadDeleteNoBackup() { return ReadOptions().deleteNoBackup; }

uint64_t RowBytes(const FoundItem& row) { return row.bytes; }

std::string CleanSummary(const std::string strOver[7], int fileRows, int registryRows,
                         uint64_t megabytes) {
  return suite::Format("%s\n\n%s%d\n%s%d\n%s %llu MB \n\n%s\n%s", strOver[0].c_str(),
                       strOver[1].c_str(), fileRows, strOver[2].c_str(), registryRows,
                       strOver[3].c_str(), static_cast<unsigned long long>(megabytes),
                       strOver[5].c_str(), strOver[6].c_str());
}

bool IsGameCache(const std::string&) { return false; }

DiskFigures MeasureDisks() { return {}; }

CleanResult CleanRun(const std::vector<FoundItem>& rows, const CleanSettings&,
                     const CleanProgress&) {
  CleanResult result;
  result.remaining = rows;
  return result;
}

CleanResult AutoExitClean(const std::vector<FoundItem>& rows, const CleanSettings&) {
  CleanResult result;
  result.remaining = rows;
  return result;
}

}  // namespace dustrel
