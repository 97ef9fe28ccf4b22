#include "unattendedpass.h"

#include <windows.h>

#include <atomic>

#include "cleanlog.h"
#include "probes.h"
#include "programs.h"
#include "regbackup.h"

namespace hivemend {

std::vector<std::string> RunUnattendedPass(const ScanSettings& settings) {
  std::vector<ScanRow> rows;
  std::atomic<bool> never{false};
  Scanner scanner(settings, {[&](const ScanRow& r) { rows.push_back(r); }, {}}, never);
  scanner.Run();
  Preselect(rows, suite::WindowsFolder());
  if (rows.empty()) return {};  // nothing to back up, the old log stays
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string folder = CreateBackupFolder(BackupStorePath(), now);
  std::vector<bool> held;
  if (folder.empty() || !BackupRows(rows, folder, UseRegedit4Header(), {}, &held)) return {};
  // Rows the backup could not hold exactly are left alone.
  RepairOptions options;
  options.held = &held;
  const RepairResult result = RepairRows(rows, {}, options);
  suite::WriteCleaningLog(suite::LogNameOf(suite::Program::Hivemend), result.deleted);
  return result.deleted;
}

}  // namespace hivemend
