// Questions every program asks of the system it runs on (version, folders,
// drives, disk space) and the two system actions (privilege, shutdown).
// Every question answers "unknown" (empty text, false, empty list, zero)
// when the system call fails.
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

// The system folders a 32-bit program's "system32" may mean on 64-bit
// Windows: the 32-bit system folder (SysWOW64) and, for a 32-bit program, the
// 64-bit one (through "Sysnative"). Empty on a 32-bit Windows.
std::vector<std::string> OtherSystemFolders();

bool EnablePrivilege(const char* privilegeName);
void ShutdownComputer();

}  // namespace suite
