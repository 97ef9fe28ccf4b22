// Questions every program asks of the system it runs on, and the three shared
// actions (privilege, shutdown, Recycle Bin). Every probe answers "unknown"
// (empty text, false, empty list, zero) when the system call fails.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

// "-95", "-95OSR2", "-98", "-98SE", "-Me", "-NT", "-2000", "-XP", "-Vista",
// "32s" or empty.
std::string GetOsSuffix();
// The same table applied to a version record (testable without a system).
std::string OsSuffixFor(DWORD platform, DWORD major, DWORD minor, const char* servicePack);
bool IsWin9x();
bool IsIE7();

// The running program's folder, a backslash and `name`.
std::string ProgramFolderPath(const std::string& name);
// The running program's folder without a trailing backslash.
std::string ProgramFolder();

// Root paths "C:\" .. "V:\" whose drive type is (or is not) DRIVE_FIXED.
std::vector<std::string> FixedDrives();
std::vector<std::string> NonFixedDrives();
// Sums over the fixed drives, in megabytes.
void DiskSpaceTotals(unsigned long long& totalMb, unsigned long long& freeMb);

std::string TempFolder();        // ends in a backslash
std::string WindowsFolder();     // GetWindowsDirectory, no trailing backslash
std::string SystemFolder();      // GetSystemDirectory, no trailing backslash
// A text value of HKCU "...\Explorer\Shell Folders" ("Cache", "Recent", ...);
// names beginning with "Common " are read from HKLM.
std::string ShellFolder(const std::string& valueName);

bool EnablePrivilege(const char* privilegeName);
void ShutdownComputer();

// The shared protected-path guard of every deletion: true for what no cleaner
// may ever remove - a drive root, the Windows folder, the system folder(s),
// the Program Files folder(s), the temp folder and the profile folders
// themselves (the folder, not the files in it), any folder that holds one of
// them, and the suite's own folder (with the registry backup store beside the
// programs) with everything in it. A text that cannot be judged (relative,
// wildcards, too long) is protected too.
bool IsProtectedPath(const std::string& path);

// True only when the system says that nothing exists at `path` (file or path
// not found); an item whose attributes cannot be read for another reason
// (access denied, a sharing violation, a broken name) is not gone.
bool IsGone(const std::string& path);

// Sends a file or folder to the Recycle Bin (no confirmation, silent, no error
// display). Protected paths (IsProtectedPath) are refused. When the item
// cannot go to the bin, a file is deleted permanently instead - unless
// `recycleOnly` is set: then the item stays where it is and the call says so
// (where no Recycle Bin answers for the item's drive, or the drive is no
// fixed disk, the shell would delete it outright, so the call does not even
// try). Only absolute paths without
// wildcards are accepted: the shell operation would expand "*" and "?" and act
// on every match. True when the item is gone afterwards (IsGone).
bool MoveToRecycleBin(const std::string& path, HWND owner = nullptr, bool recycleOnly = false);

// Sends a registry backup folder to the Recycle Bin, never deleting it
// outright (where no Recycle Bin takes it, it stays). The one exception to
// the guard: a folder directly in the backup store of the suite's own folder
// may go; anything else protected is refused, and so is a link.
bool RecycleBackupFolder(const std::string& folder, HWND owner = nullptr);

// Deletes one file permanently (no Recycle Bin), its attributes cleared
// first; the same path rules and the same guard as MoveToRecycleBin. Folders
// are not deleted. True when the file is gone afterwards.
bool DeletePermanently(const std::string& path);

// The system folders a 32-bit program's "system32" may mean on 64-bit
// Windows: the 32-bit system folder (SysWOW64) and, for a 32-bit program, the
// 64-bit one (through "Sysnative"). Empty on a 32-bit Windows.
std::vector<std::string> OtherSystemFolders();

// Copies with the ASCII letters changed; double-byte (GBK) characters stay intact.
std::string ToUpper(std::string s);
std::string ToLower(std::string s);
bool ContainsNoCase(const std::string& haystack, const std::string& needle);
bool EqualsNoCase(const std::string& a, const std::string& b);
// Backslashes in ANSI texts: GBK trail bytes include the byte of '\', so a
// path is split only at a backslash that is a character of its own.
size_t LastBackslash(const std::string& s);  // npos when there is none
bool EndsWithBackslash(const std::string& s);
void DropTrailingBackslash(std::string& s);   // removes one
// printf into a std::string.
std::string Format(const char* fmt, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Joins a folder and a name with one backslash ("%s\%s", or "%s%s" when the
// folder already ends in a backslash).
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace suite
