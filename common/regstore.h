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
// What an export could hold.
struct ExportReport {
  bool written = false;   // the file was created and written whole
  bool keyFound = false;  // the key opened (else only the header was written)
  // Every key and value below was read and written so that an import gives
  // it back exactly: no value or subkey that could not be read, no name the
  // file cannot carry (a line break; for REGEDIT4 a character outside the
  // ANSI code page), no registry link, nothing beyond the depth limit.
  bool exact = false;
  // Values of the key itself that were written exactly (UTF-16 names).
  std::vector<std::wstring> exactValues;
};
ExportReport ExportKeyW(const std::string& rootName, const std::wstring& keyPath,
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
  // The registry's own UTF-16 names, when the entry was found by them (names
  // outside the ANSI code page); then they, not the ANSI texts, name the entry.
  bool wide = false;
  std::wstring keyPathW;
  std::wstring valueNameW;
};
inline RegEntry KeyEntry(std::string root, std::string path) {
  RegEntry e;
  e.rootName = std::move(root);
  e.keyPath = std::move(path);
  return e;
}
inline RegEntry ValueEntry(std::string root, std::string path, std::string value) {
  RegEntry e;
  e.rootName = std::move(root);
  e.keyPath = std::move(path);
  e.valueName = std::move(value);
  e.isValue = true;
  return e;
}
// Entries named by their UTF-16 names; the ANSI texts are the display names.
RegEntry WideKeyEntry(std::string root, std::wstring path);
RegEntry WideValueEntry(std::string root, std::wstring path, std::wstring value);
// The UTF-16 key path and value name of any entry.
std::wstring EntryKeyPathW(const RegEntry& entry);
std::wstring EntryValueNameW(const RegEntry& entry);

// The text a log shows for the entry: "ROOT\path" or "ROOT\path\value".
std::string EntryText(const RegEntry& entry);

// Writes a new backup folder in the store beside the program with one
// "RB<i>.reg" per entry (the key that holds a value entry, the key itself of a
// key entry). Returns the folder, or empty when the store, the folder or any
// file could not be written: the caller then removes nothing.
std::string BackupEntries(const std::vector<RegEntry>& entries);
std::string BackupEntries(const std::vector<RegEntry>& entries, const std::string& store);
// The same, telling per entry whether its file holds it exactly (a key entry:
// its whole tree; a value entry: that value). An entry that is not held must
// not be removed. Empty when the store, the folder or any file could not be
// written (then nothing may be removed).
std::string BackupEntries(const std::vector<RegEntry>& entries, const std::string& store,
                          std::vector<bool>& held);
// Writes the backup file of one entry; true when it holds the entry exactly.
bool BackupEntryFile(const RegEntry& entry, const std::string& file, bool regedit4,
                     bool* written = nullptr);

// Removes one entry (opening keys with the access the deletion needs) and
// tells whether it is gone afterwards. A key entry with an empty path, an
// unknown root, or a path of backslashes only never deletes anything.
bool DeleteRegEntry(const RegEntry& entry);
// Whether the entry no longer exists (a key that cannot be opened for another
// reason, such as access, may still hold it).
bool RegEntryGone(const RegEntry& entry);

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

struct RestoreResult {
  int files = 0;     // backup files found
  int imported = 0;  // files whose every key and value is in the registry after the import
};
// Stages every "RB<i>.reg" of store\name in a folder of its own and imports
// each with the registry editor, one after the other, waiting for each. A file
// counts as imported when the registry, read afterwards, holds every key and
// value it names. `staging` empty: a new folder under the user's temp folder,
// removed afterwards; otherwise that folder (files of the same name replaced).
RestoreResult RestoreBackup(const std::string& store, const std::string& name,
                            const std::string& staging = std::string());
// Runs "regedit.exe /s <file>" hidden and waits. When the system wants
// elevation for it (Windows Vista and later), starts it through the shell so
// the system can ask, and waits for that. False when it could not be started
// or did not end.
bool ImportRegFile(const std::string& file);
// The same start through the shell alone ("runas" on Windows Vista and
// later, "open" before), waiting for the program to end.
bool RunThroughShellAndWait(const std::string& program, const std::string& parameters,
                            DWORD timeoutMs);
// Whether the registry holds every key and value that a .reg file names.
bool RegFileContentPresent(const std::string& file);

}  // namespace suite
