#include "sysinfo.h"

#include "dryrun.h"
#include "handles.h"
#include "programs.h"
#include "text.h"

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

}  // namespace suite
