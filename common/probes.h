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

// Sends a file or folder to the Recycle Bin (no confirmation, silent, no error
// display); when the shell refuses, deletes a file permanently, unless
// `recycleOnly` is set (the item then stays where it is). Only absolute paths
// without wildcards are accepted: the shell operation would expand "*" and "?"
// and act on every match. True when the item is gone afterwards.
bool MoveToRecycleBin(const std::string& path, HWND owner = nullptr, bool recycleOnly = false);

// Deletes one file permanently (no Recycle Bin), its attributes cleared
// first; the same path rules as MoveToRecycleBin. Folders are not deleted.
// True when the file is gone afterwards.
bool DeletePermanently(const std::string& path);

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
