// What the scanner does with its result rows: the backup of scan results
// (through the suite's shared .reg writer and backup store) and the repair.
// Nothing here touches a window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "regstore.h"
#include "scanengine.h"

namespace hivemend {

// The .reg writer and the backup store are the suite's shared ones.
using suite::BackupFolderName;
using suite::BackupStoreName;
using suite::BackupStorePath;
using suite::BackupSuffixFor;
using suite::CreateBackupFolder;
using suite::DeleteBackup;
using suite::ExportKey;
using suite::ExportText;
using suite::ImportRegFile;
using suite::kRegedit4Header;
using suite::kRegedit5Header;
using suite::ListBackups;
using suite::RestoreBackup;
using suite::RestoreResult;
using suite::UseRegedit4Header;

// The registry key a row's backup file holds: the key of a value row, the key
// itself of a key row.
std::string BackupKeyPath(const ScanRow& row);

// One file "RB<i>.reg" per row, ticked or not. `failed` is told the file
// that could not be created; the backup goes on with the next row. True when
// every file was written.
bool BackupRows(const std::vector<ScanRow>& rows, const std::string& folder, bool regedit4,
                const std::function<void(const std::string& file)>& failed = {});

// Rows the repair leaves alone: key paths under system\currentcontrolset or
// microsoft\windows nt (any case).
bool IsProtectedKeyPath(const std::string& keyPath);

struct RepairResult {
  std::vector<std::string> deleted;  // log entries, in list order
  std::vector<int> removedRows;      // indices of the rows removed, increasing
};
// Deletes the ticked rows' entries, in list order. A row is counted and
// removed only when its entry is gone afterwards; a row with an empty item
// name never deletes anything (not the root, not the key path).
RepairResult RepairRows(const std::vector<ScanRow>& rows,
                        const std::function<void(const std::string&)>& status = {});

}  // namespace hivemend
