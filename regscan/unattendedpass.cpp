#include "unattendedpass.h"

#include <windows.h>

#include <atomic>

#include "cleanlog.h"
#include "programs.h"
#include "regbackup.h"
#include "sysinfo.h"

namespace hivemend {

std::vector<std::string> RunUnattendedPass(const ScanSettings& settings) {
  std::vector<ScanRow> rows;
  std::atomic<bool> never{false};
  Scanner scanner(settings, {[&](const ScanRow& r) { rows.push_back(r); }, {}}, never);
  scanner.Run();
  Preselect(rows, suite::WindowsFolder());
  if (rows.empty()) return {};  // nothing to back up, the old log stays
  // One restore point: the backup of every row, then the repair's removals.
  suite::RestorePoint point;
  if (!BackupRows(rows, point)) return {};
  RepairOptions options;
  options.point = &point;
  const RepairResult result = RepairRows(rows, {}, options);
  suite::WriteCleaningLog(suite::LogNameOf(suite::Program::Hivemend), result.deleted);
  return result.deleted;
}

}  // namespace hivemend
