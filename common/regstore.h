// The suite's registry backup store and the .reg writer, shared by every
// program that removes registry entries (Hivemend's repair, Dustrel's registry
// rows, trace rows and advanced pages). Whatever a program removes from the
// registry it first writes here, so Hivemend's restore chooser can bring it back:
//
//   <program folder>\Reg-Backup<suffix>\<MM-DD-YYYY HH-MM> 备份\RB<n>.reg
//
// Nothing here touches a window.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

// Header lines of the .reg files.
extern const char* const kRegedit4Header;  // the Windows 9x family
extern const char* const kRegedit5Header;

// The header this system's registry editor expects (by GetVersion's top bit).
bool UseRegedit4Header();

// Writes one .reg file for root\keyPath and its whole subtree. REGEDIT4 files
// are ANSI text, version-5 files UTF-16 with a BOM (as the system's editor
// writes them); both end lines with CR LF and read back through the registry
// editor to the same names, types and data. `rootName` is one of the
// predefined root names; an unknown name writes the header only. False when
// the file cannot be created.
bool ExportKey(const std::string& rootName, const std::string& keyPath,
               const std::string& filePath, bool regedit4);
// The same text in the ANSI code page, without a file.
std::string ExportText(const std::string& rootName, const std::string& keyPath, bool regedit4);

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

// One registry entry a program is about to remove.
struct RegEntry {
  std::string rootName;   // "HKEY_CURRENT_USER", ... (see RootKeyFromName)
  std::string keyPath;    // key path under the root
  std::string valueName;  // value entries: the value's name; empty is the unnamed default value
  bool isValue = false;   // false: the key rootName\keyPath with its whole subtree
};
inline RegEntry KeyEntry(std::string root, std::string path) {
  return RegEntry{std::move(root), std::move(path), std::string(), false};
}
inline RegEntry ValueEntry(std::string root, std::string path, std::string value) {
  return RegEntry{std::move(root), std::move(path), std::move(value), true};
}
// The text a log shows for the entry: "ROOT\path" or "ROOT\path\value".
std::string EntryText(const RegEntry& entry);

// Writes a new backup folder in the store beside the program with one
// "RB<i>.reg" per entry (the key that holds a value entry, the key itself of a
// key entry). Returns the folder, or empty when the store, the folder or any
// file could not be written: the caller then removes nothing.
std::string BackupEntries(const std::vector<RegEntry>& entries);
std::string BackupEntries(const std::vector<RegEntry>& entries, const std::string& store);

// Removes one entry (opening keys with the access the deletion needs) and
// tells whether it is gone afterwards. A key entry with an empty path, an
// unknown root, or a path of backslashes only never deletes anything.
bool DeleteRegEntry(const RegEntry& entry);
// Whether the entry no longer exists (a key that cannot be opened for another
// reason, such as access, may still hold it).
bool RegEntryGone(const RegEntry& entry);

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

}  // namespace suite
