// What the scanner does with its result rows: the .reg writer, the backup of
// scan results, the repair, the backup store and the restore through the
// system registry editor. Nothing here touches a window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "scanengine.h"

namespace hivemend {

// Header lines of the .reg files.
extern const char* const kRegedit4Header;  // the Windows 9x family
extern const char* const kRegedit5Header;

// The header this system's registry editor expects (by GetVersion's top bit).
bool UseRegedit4Header();

// Writes one .reg file for root\keyPath and its whole subtree. The file is ANSI
// text with CR LF line ends; it reads back through the registry editor to the
// same names, types and data. `rootName` is one of the predefined root names;
// an unknown name writes the header only. False when the file cannot be created.
bool ExportKey(const std::string& rootName, const std::string& keyPath,
               const std::string& filePath, bool regedit4);
// The same text, without a file.
std::string ExportText(const std::string& rootName, const std::string& keyPath, bool regedit4);

// The registry key a row's backup file holds: the key of a value row, the key
// itself of a key row.
std::string BackupKeyPath(const ScanRow& row);

// "Reg-Backup" and the version suffix; this program knows no Vista branch, so
// Windows Vista and later and Server 2003 (5.2) give no suffix.
std::string BackupSuffixFor(DWORD platform, DWORD major, DWORD minor, const char* servicePack);
std::string BackupStoreName();
// The store beside the program.
std::string BackupStorePath();

// "MM-DD-YYYY HH-MM 备份" for the given local time.
std::string BackupFolderName(const SYSTEMTIME& time);
// Creates the store and a new backup folder of its own inside it: a second
// backup within the same minute gets " (2)", " (3)" ... so it never mixes its
// files with an earlier one. Empty when no folder can be made.
std::string CreateBackupFolder(const std::string& store, const SYSTEMTIME& time);

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

// Backup folder names in the store (entries without a dot), in find order.
std::vector<std::string> ListBackups(const std::string& store);
// Deletes store\name with everything in it. Refuses names that would reach
// outside the store.
bool DeleteBackup(const std::string& store, const std::string& name);

struct RestoreResult {
  int files = 0;     // backup files found
  int imported = 0;  // imports that ended with success
};
// Stages every "RB<i>.reg" of store\name into `staging` (replacing a file of
// the same name left there before) and imports each with the registry editor,
// one after the other, waiting for each to finish.
RestoreResult RestoreBackup(const std::string& store, const std::string& name,
                            const std::string& staging = "C:\\Temp");
// Runs "regedit.exe /s <file>" hidden and waits; true when it ended with 0.
bool ImportRegFile(const std::string& file);

}  // namespace hivemend
