// What the scanner does with its result rows: the backup of scan results
// (through the suite's shared .reg writer and backup store) and the repair.
// Nothing here touches a window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "regremoval.h"
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

// The registry entry a row names (by its UTF-16 names when the walk had them).
suite::RegEntry EntryOf(const ScanRow& row);

// One file "RB<i>.reg" per row, ticked or not, written into the restore
// point (numbered on from its earlier files; a row index for a fresh point).
// `failed` is told the file that could not be created; the backup goes on
// with the next row. True when every file was written. `held` (when given)
// tells per row whether its file holds the entry exactly.
bool BackupRows(const std::vector<ScanRow>& rows, suite::RestorePoint& point,
                const std::function<void(const std::string& file)>& failed = {},
                std::vector<bool>* held = nullptr);

// Rows the repair leaves alone: key paths under system\currentcontrolset or
// microsoft\windows nt (any case).
bool IsProtectedKeyPath(const std::string& keyPath);

// Whether a key row may be deleted at all: never an empty name, a name with a
// backslash, or a structural key directly under HKEY_CLASSES_ROOT (an
// extension only through its file-type row).
bool MayDeleteKeyRow(const ScanRow& row);

struct RepairResult {
  std::vector<std::string> deleted;  // log entries, in list order
  std::vector<int> removedRows;      // indices of the rows removed, increasing
  std::vector<int> notBackedUp;      // ticked rows left alone: the backup could not hold them
  std::vector<int> notRemoved;       // ticked rows backed up that the registry kept (whole)
  std::vector<int> nowValid;         // ticked rows left alone: valid again since the scan
};
struct RepairOptions {
  // Where the repair backs up what it removes (a backup of the scan results
  // made into it just before is not written again); null: a restore point of
  // its own in the store beside the program.
  suite::RestorePoint* point = nullptr;
  // The non-fixed drive roots for the recheck; empty: the system's.
  std::vector<std::string> nonFixedRoots;
};
// Deletes the ticked rows' entries, in list order, each through the shared
// removal (backed up first; a row its backup cannot hold stays, and so does a
// key row whose tree cannot go whole). Dependant rows of an
// unticked row are left too. Just before each deletion the row's test is asked
// again; a row that is valid now stays. A row is counted and removed only when
// its entry is gone afterwards (an entry an earlier row already took is
// removed from the list but not logged twice); a row with an empty item name
// never deletes anything (not the root, not the key path).
RepairResult RepairRows(const std::vector<ScanRow>& rows,
                        const std::function<void(const std::string&)>& status = {},
                        const RepairOptions& options = RepairOptions());

}  // namespace hivemend
