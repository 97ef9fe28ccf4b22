#include "probes.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>

#include "dryrun.h"
#include "folderguard.h"
#include "programs.h"
#include "handles.h"

namespace suite {

namespace {

bool QueryVersion(OSVERSIONINFOEXA& info) {
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return true;
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != 0;
#pragma GCC diagnostic pop
}

std::vector<std::string> DrivesWhere(bool fixed) {
  std::vector<std::string> roots;
  // A letter with no drive is no fixed drive: only the drives there are get
  // asked for their type (each question can take milliseconds).
  const DWORD present = GetLogicalDrives();
  for (char letter = 'C'; letter <= 'V'; ++letter) {
    std::string root{letter, ':', '\\'};
    const bool there = present == 0 || (present & (1u << (letter - 'A')));
    const bool isFixed = there && GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
    if (isFixed == fixed) roots.push_back(root);
  }
  return roots;
}

std::string TrimTrailingBackslash(std::string s) {
  DropTrailingBackslash(s);
  return s;
}

}  // namespace

std::string OsSuffixFor(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
  const char sp1 = (servicePack && servicePack[0]) ? servicePack[1] : '\0';
  switch (platform) {
    case VER_PLATFORM_WIN32s:
      return "32s";
    case VER_PLATFORM_WIN32_WINDOWS:
      if (major == 4 && minor == 0) return sp1 == 'C' ? "-95OSR2" : "-95";
      if (major == 4 && minor == 10) return sp1 == 'A' ? "-98SE" : "-98";
      if (major == 4 && minor == 90) return "-Me";
      return std::string();
    case VER_PLATFORM_WIN32_NT:
      if (major <= 4) return "-NT";
      if (major == 5) return minor == 0 ? "-2000" : "-XP";
      return "-Vista";
    default:
      return std::string();
  }
}

std::string GetOsSuffix() {
  OSVERSIONINFOEXA info;
  if (!QueryVersion(info)) return std::string();
  return OsSuffixFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                     info.szCSDVersion);
}

bool IsWin9x() {
  OSVERSIONINFOEXA info;
  return QueryVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsIE7() {
  UniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", 0, KEY_READ,
                    key.put()) != ERROR_SUCCESS)
    return false;
  char data[256] = {};
  DWORD size = sizeof data - 1, type = 0;
  if (RegQueryValueExA(key.get(), "Version", nullptr, &type, reinterpret_cast<BYTE*>(data),
                       &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  return std::string(data).find("7.0.") != std::string::npos;
}

std::string ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t cut = LastBackslash(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string ProgramFolderPath(const std::string& name) { return ProgramFolder() + "\\" + name; }

std::vector<std::string> FixedDrives() { return DrivesWhere(true); }
std::vector<std::string> NonFixedDrives() { return DrivesWhere(false); }

void DiskSpaceTotals(unsigned long long& totalMb, unsigned long long& freeMb) {
  totalMb = freeMb = 0;
  for (const std::string& root : FixedDrives()) {
    ULARGE_INTEGER avail{}, total{}, freeAll{};
    if (GetDiskFreeSpaceExA(root.c_str(), &avail, &total, &freeAll)) {
      totalMb += total.QuadPart >> 20;
      freeMb += avail.QuadPart >> 20;
    }
  }
}

std::string TempFolder() {
  char buf[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(MAX_PATH, buf);
  if (n == 0 || n > MAX_PATH) return std::string();
  std::string path(buf, n);
  if (!IsWin9x()) {
    char longer[MAX_PATH + 1] = {};
    DWORD m = GetLongPathNameA(path.c_str(), longer, MAX_PATH);
    if (m > 0 && m <= MAX_PATH) path.assign(longer, m);
  }
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

std::string WindowsFolder() {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
  return (n == 0 || n > MAX_PATH) ? std::string() : TrimTrailingBackslash(std::string(buf, n));
}

std::string SystemFolder() {
  char buf[MAX_PATH + 1] = {};
  UINT n = GetSystemDirectoryA(buf, MAX_PATH);
  return (n == 0 || n > MAX_PATH) ? std::string() : TrimTrailingBackslash(std::string(buf, n));
}

std::string ShellFolder(const std::string& valueName) {
  HKEY root = valueName.rfind("Common ", 0) == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  UniqueKey key;
  if (RegOpenKeyExA(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                    0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return std::string();
  char data[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH, type = 0;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::string();
  return std::string(data);
}

bool EnablePrivilege(const char* privilegeName) {
  UniqueHandleKernel token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
    return false;
  TOKEN_PRIVILEGES tp{};
  if (!LookupPrivilegeValueA(nullptr, privilegeName, &tp.Privileges[0].Luid)) return false;
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
}

void ShutdownComputer() {
  static const char kMessage[] = "Error:关机错误,请立即重新启动计算机!";
  if (!MayChange("shut down", std::string())) return;
  if (!IsWin9x() && !EnablePrivilege(SE_SHUTDOWN_NAME)) {
    if (!UnattendedRun()) MessageBoxA(nullptr, kMessage, nullptr, MB_OK | MB_ICONERROR);
    PostQuitMessage(0);
  }
  if (!ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE, 0)) {
    if (!UnattendedRun()) MessageBoxA(nullptr, kMessage, nullptr, MB_OK | MB_ICONERROR);
    PostQuitMessage(0);
  }
}

namespace {

bool AcceptablePath(const std::string& path) {
  const bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') ||
                        path.rfind("\\\\", 0) == 0;
  return absolute && path.find_first_of("*?") == std::string::npos && path.size() < MAX_PATH;
}

struct ProtectedFolders {
  std::vector<std::string> exact;    // the folder itself and every folder above it
  std::vector<std::string> subtree;  // the folder and everything in it
};

const ProtectedFolders& Protected() {
  static const ProtectedFolders folders = [] {
    ProtectedFolders f;
    for (const GuardedFolder& g : SystemGuardedFolders()) f.exact.push_back(g.form);
    // The suite's own folder holds the programs, their settings, the logs and
    // the registry backup store ("Reg-Backup..."): nothing in it is junk.
    const std::string own = GuardForm(ProgramFolder());
    if (!own.empty()) f.subtree.push_back(own);
    return f;
  }();
  return folders;
}

bool Below(const std::string& inner, const std::string& outer) { return IsBelowForm(inner, outer); }

}  // namespace

std::vector<std::string> OtherSystemFolders() {
  std::vector<std::string> folders;
  using GetWow64Fn = UINT(WINAPI*)(LPSTR, UINT);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto getWow64 = kernel ? reinterpret_cast<GetWow64Fn>(reinterpret_cast<void*>(
                               GetProcAddress(kernel, "GetSystemWow64DirectoryA")))
                         : nullptr;
  char buf[MAX_PATH + 1] = {};
  if (getWow64) {
    UINT n = getWow64(buf, MAX_PATH);
    if (n > 0 && n <= MAX_PATH) {
      std::string wow(buf, n);
      DropTrailingBackslash(wow);
      if (!EqualsNoCase(wow, SystemFolder())) folders.push_back(wow);
    }
  }
  using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = kernel ? reinterpret_cast<IsWow64Fn>(reinterpret_cast<void*>(
                              GetProcAddress(kernel, "IsWow64Process")))
                        : nullptr;
  BOOL wow64 = FALSE;
  if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) {
    // A 32-bit program reaches the 64-bit system folder only by this alias.
    const std::string native = JoinPath(WindowsFolder(), "Sysnative");
    if (!WindowsFolder().empty()) folders.push_back(native);
  }
  return folders;
}

bool IsProtectedPath(const std::string& path) {
  if (!AcceptablePath(path)) return true;
  const std::string form = GuardForm(path);
  if (form.empty() || IsRootForm(form)) return true;
  const ProtectedFolders& folders = Protected();
  for (const std::string& p : folders.exact)
    if (form == p || Below(p, form)) return true;
  for (const std::string& p : folders.subtree)
    if (form == p || Below(p, form) || Below(form, p)) return true;
  return false;
}

bool IsGone(const std::string& path) {
  if (RemovedByDryRun(path)) return true;  // removed by this preview run
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

namespace {

// The shell's move to the Recycle Bin of an item the caller has judged.
bool SendToRecycleBin(const std::string& path, HWND owner, bool recycleOnly) {
  std::string from = path;
  while (from.size() > 3 && EndsWithBackslash(from)) from.pop_back();
  if (GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES || RemovedByDryRun(from))
    return false;
  // Where no Recycle Bin answers for the item's drive (none configured, a
  // network folder, a missing trash under Wine), the shell deletes the item
  // outright and still reports success: a caller that must not lose the item
  // is refused before anything happens.
  std::string root = from.substr(0, 3);
  SHQUERYRBINFO before{};
  before.cbSize = sizeof before;
  const bool binAnswers = SUCCEEDED(SHQueryRecycleBinA(root.c_str(), &before));
  // Only fixed disks keep a Recycle Bin of their own: on a network or
  // removable drive the shell deletes outright.
  if (recycleOnly && (!binAnswers || GetDriveTypeA(root.c_str()) != DRIVE_FIXED)) return false;
  if (!MayChange("recycle", from)) {
    NoteRemovedPath(from);
    return true;
  }
  std::string list = from;
  list.push_back('\0');  // the list of names ends with a second NUL
  SHFILEOPSTRUCTA op{};
  op.hwnd = owner;
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  const bool refused = SHFileOperationA(&op) != 0 || op.fAnyOperationsAborted;
  if (refused && !recycleOnly) {
    const DWORD attributes = GetFileAttributesA(from.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      DeleteFileA(from.c_str());
  }
  return IsGone(from);
}

}  // namespace

bool MoveToRecycleBin(const std::string& path, HWND owner, bool recycleOnly) {
  if (!AcceptablePath(path) || IsProtectedPath(path)) return false;
  return SendToRecycleBin(path, owner, recycleOnly);
}

bool RecycleBackupFolder(const std::string& folder, HWND owner) {
  if (!AcceptablePath(folder)) return false;
  if (IsProtectedPath(folder)) {
    // Inside the suite's own folder only a folder directly in its backup
    // store ("Reg-Backup...") may go.
    const size_t slash = LastBackslash(folder);
    if (slash == std::string::npos) return false;
    const std::string store = folder.substr(0, slash);
    const size_t up = LastBackslash(store);
    if (up == std::string::npos || !EqualsNoCase(store.substr(0, up), ProgramFolder())) return false;
    if (ToUpper(store.substr(up + 1)).rfind("REG-BACKUP", 0) != 0) return false;
  }
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  return SendToRecycleBin(folder, owner, /*recycleOnly=*/true);
}

bool DeletePermanently(const std::string& path) {
  if (!AcceptablePath(path) || IsProtectedPath(path)) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      RemovedByDryRun(path))
    return false;
  if (!MayChange("delete", path)) {
    NoteRemovedPath(path);
    return true;
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!DeleteFileA(path.c_str())) SetFileAttributesA(path.c_str(), attributes);
  return IsGone(path);
}

namespace {
// Changes the ASCII letters of a text in the ANSI code page, stepping over the
// trail byte of every double-byte character (GBK trail bytes include 'a'-'z').
template <char From, char To>
std::string MapAsciiCase(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      if (IsDBCSLeadByte(c) && i + 1 < s.size()) ++i;
      continue;
    }
    if (c >= From && c <= From + 25) s[i] = static_cast<char>(c - From + To);
  }
  return s;
}
}  // namespace

std::string ToUpper(std::string s) { return MapAsciiCase<'a', 'A'>(std::move(s)); }
std::string ToLower(std::string s) { return MapAsciiCase<'A', 'a'>(std::move(s)); }

bool ContainsNoCase(const std::string& haystack, const std::string& needle) {
  return ToUpper(haystack).find(ToUpper(needle)) != std::string::npos;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return ToUpper(a) == ToUpper(b); }

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(&out[0], out.size(), fmt, args);
    out.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

size_t LastBackslash(const std::string& s) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < s.size())
      ++i;  // the trail byte belongs to this character
    else if (c == '\\')
      last = i;
  }
  return last;
}

bool EndsWithBackslash(const std::string& s) {
  return !s.empty() && LastBackslash(s) == s.size() - 1;
}

void DropTrailingBackslash(std::string& s) {
  if (EndsWithBackslash(s)) s.pop_back();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (EndsWithBackslash(folder)) return folder + name;
  return folder + "\\" + name;
}

}  // namespace suite
