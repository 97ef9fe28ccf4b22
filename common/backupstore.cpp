#include "backupstore.h"

#include "dryrun.h"
#include "handles.h"
#include "removal.h"
#include "sysinfo.h"
#include "text.h"

namespace suite {

std::string BackupSuffixFor(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
  if (platform == VER_PLATFORM_WIN32_NT && (major >= 6 || (major == 5 && minor >= 2)))
    return std::string();
  return OsSuffixFor(platform, major, minor, servicePack);
}

std::string BackupStoreName() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return "Reg-Backup";
  }
  return "Reg-Backup" + BackupSuffixFor(info.dwPlatformId, info.dwMajorVersion,
                                        info.dwMinorVersion, info.szCSDVersion);
}

std::string BackupStorePath() { return ProgramFolderPath(BackupStoreName()); }

std::string BackupFolderName(const SYSTEMTIME& t) {
  return Format("%02d-%02d-%04d %02d-%02d 备份", t.wMonth, t.wDay, t.wYear, t.wHour, t.wMinute);
}

std::string CreateBackupFolder(const std::string& store, const SYSTEMTIME& time) {
  const std::string base = store + "\\" + BackupFolderName(time);
  if (DryRun()) {
    // Where the real run would fail to make the store (a file in its way, no
    // folder to make it in), the preview fails too: it then removes nothing.
    const DWORD storeAttributes = GetFileAttributesA(store.c_str());
    if (storeAttributes == INVALID_FILE_ATTRIBUTES) {
      const size_t slash = LastBackslash(store);
      const DWORD parent = slash == std::string::npos
                               ? INVALID_FILE_ATTRIBUTES
                               : GetFileAttributesA(store.substr(0, slash + 1).c_str());
      if (parent == INVALID_FILE_ATTRIBUTES || !(parent & FILE_ATTRIBUTE_DIRECTORY))
        return std::string();
    } else if (!(storeAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::string();
    }
    // The folder the real run would make; nothing is created.
    for (int n = 1; n < 1000; ++n) {
      const std::string folder = n == 1 ? base : Format("%s (%d)", base.c_str(), n);
      if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MayChange("create folder", folder);
        return folder;
      }
    }
    return std::string();
  }
  CreateDirectoryA(store.c_str(), nullptr);
  for (int n = 1; n < 1000; ++n) {
    const std::string folder = n == 1 ? base : Format("%s (%d)", base.c_str(), n);
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

namespace {

bool RealFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

}  // namespace

std::vector<std::string> ListBackups(const std::string& store) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA((store + "\\*.*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name.find('.') == std::string::npos && RealFolder(data.dwFileAttributes))
      names.push_back(name);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

bool IsBackupFolder(const std::string& store, const std::string& name) {
  if (!PlainName(name) || name.find('.') != std::string::npos) return false;
  if (!RealFolder(GetFileAttributesA(store.c_str()))) return false;
  return RealFolder(GetFileAttributesA((store + "\\" + name).c_str()));
}

bool DeleteBackup(const std::string& store, const std::string& name, HWND owner) {
  if (!IsBackupFolder(store, name)) return false;
  return RecycleBackupFolder(store + "\\" + name, owner);
}

}  // namespace suite
