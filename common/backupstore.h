// The backup store beside the program and its dated backup folders:
//
//   <program folder>\Reg-Backup<suffix>\<MM-DD-YYYY HH-MM> 备份\RB<n>.reg
//
// Nothing here touches a window.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

// "Reg-Backup" and the version suffix; the store knows no Vista branch, so
// Windows Vista and later and Server 2003 (5.2) give no suffix.
std::string BackupSuffixFor(DWORD platform, DWORD major, DWORD minor, const char* servicePack);
std::string BackupStoreName();
// The store beside the running program.
std::string BackupStorePath();

// "MM-DD-YYYY HH-MM 备份" for the given local time.
std::string BackupFolderName(const SYSTEMTIME& time);
// Creates the store and a new backup folder of its own inside it: a second
// backup within the same minute gets " (2)", " (3)" ... so it never mixes its
// files with an earlier one. Empty when no folder can be made.
std::string CreateBackupFolder(const std::string& store, const SYSTEMTIME& time);

// Backup folder names in the store (real folders without a dot in the name;
// no links or junctions), in find order.
std::vector<std::string> ListBackups(const std::string& store);
// Whether store\name is a backup folder the chooser may act on: a plain name
// (no separator, not "." or ".."), a real folder directly inside the store,
// not a link or junction.
bool IsBackupFolder(const std::string& store, const std::string& name);
// Sends store\name with everything in it to the Recycle Bin (never an
// outright delete); refuses anything IsBackupFolder refuses.
bool DeleteBackup(const std::string& store, const std::string& name, HWND owner = nullptr);

}  // namespace suite
