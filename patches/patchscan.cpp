#include "patchscan.h"

#include "cleanlog.h"
#include "folderwalk.h"
#include "handles.h"
#include "programs.h"
#include "registry.h"
#include "removal.h"
#include "text.h"

namespace patchmoor {

using suite::Format;

std::string UpdateIdFromLogName(const std::string& fileName) {
  std::string id = fileName;
  for (size_t at; (at = id.find(".log")) != std::string::npos;) id.erase(at, 4);
  return id;
}

std::vector<std::string> FindUpdateIds(const std::string& windowsFolder) {
  std::vector<std::string> ids;
  if (windowsFolder.empty()) return ids;
  WIN32_FIND_DATAA data;
  suite::UniqueFind find(FindFirstFileA((windowsFolder + "\\KB*.log").c_str(), &data));
  if (!find) return ids;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    // The pattern also matches through short 8.3 names ("KB1234~1.LOG" for
    // "KB123456.logs"): only names that really end in ".log" are update logs.
    const std::string name = data.cFileName;
    if (name.size() < 4 || suite::ToLower(name.substr(name.size() - 4)) != ".log") continue;
    std::string id = UpdateIdFromLogName(name);
    if (!id.empty()) ids.push_back(id);
  } while (FindNextFileA(find.get(), &data));
  return ids;
}

std::string BackupFolderFor(const std::string& windowsFolder, const std::string& id) {
  return Format("%s\\$NtUninstall%s$", windowsFolder.c_str(), id.c_str());
}

std::string SizeText(uint64_t kb) {
  if (kb == 0) return "√";
  return Format("%-6llu KB", static_cast<unsigned long long>(kb));
}

namespace {
bool IsRealFolder(const std::string& path) {
  const DWORD attr = GetFileAttributesA(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attr & FILE_ATTRIBUTE_REPARSE_POINT);
}
}  // namespace

uint64_t BackupFolderKb(const std::string& folder, const std::atomic<bool>* stop) {
  if (!IsRealFolder(folder)) return 0;
  return suite::FolderSize(folder, stop) / 1024;
}

void ResolveNames(std::vector<PatchBackup>& rows, HKEY root, const std::string& uninstallPath) {
  const std::vector<std::string> subkeys = suite::SubkeyNames(root, uninstallPath, KEY_READ);
  for (PatchBackup& row : rows) {
    row.displayName = " - ";
    row.helpLink = kDefaultHelpLink;
    bool named = false;
    for (const std::string& subkey : subkeys)
      if (subkey.find(row.id) != std::string::npos) {
        named = true;
        break;
      }
    // An entry that mentions the id is read from the key named by the id itself.
    if (named && !row.id.empty()) {
      suite::UniqueKey key = suite::OpenKey(root, uninstallPath + "\\" + row.id, KEY_READ);
      if (key) {
        if (!suite::ReadString(key.get(), "DisplayName", row.displayName, 1024))
          row.displayName = Format("Windows 其他更新 - %s", row.id.c_str());
        if (!suite::ReadString(key.get(), "HelpLink", row.helpLink, 1024)) row.helpLink = " ";
      }
    }
    if (row.displayName.size() <= 10)
      row.displayName = Format("Windows 安全更新 - %s", row.id.c_str());
  }
}

PatchScanResult ScanPatchBackups(const std::string& windowsFolder, ScanProgress* progress,
                                 const std::atomic<bool>* stop, HKEY root,
                                 const std::string& uninstallPath) {
  PatchScanResult result;
  const std::vector<std::string> ids = FindUpdateIds(windowsFolder);
  if (ids.empty()) return result;
  result.foundLogs = true;
  if (progress) progress->Range(1, static_cast<int>(ids.size()) + 1);
  for (size_t i = 0; i < ids.size(); ++i) {
    if (stop && stop->load()) break;
    if (progress) progress->Position(static_cast<int>(i));
    PatchBackup row;
    row.id = ids[i];
    row.folder = BackupFolderFor(windowsFolder, row.id);
    row.kb = BackupFolderKb(row.folder, stop);
    row.sizeText = SizeText(row.kb);
    result.totalKb += row.kb;
    result.rows.push_back(std::move(row));
  }
  ResolveNames(result.rows, root, uninstallPath);
  if (progress) progress->Position(0);
  return result;
}

std::string CountHeader(size_t count) {
  return Format("安装的补丁备份 - %d 个", static_cast<int>(count));
}

std::string SizeHeader(uint64_t totalKb) {
  return Format("占用空间 - %llu MB", static_cast<unsigned long long>(totalKb / 1024));
}

std::string StatisticsLine(size_t count, uint64_t totalKb) {
  return Format("统计信息:安装的补丁备份 - %d 个, 共占用空间 - %llu MB", static_cast<int>(count),
                static_cast<unsigned long long>(totalKb / 1024));
}

std::string RowDetails(const PatchBackup& row) {
  return Format("文件夹:%s 占用:%s", row.folder.c_str(), row.sizeText.c_str());
}

bool IsBackupFolder(const std::string& path) {
  const size_t cut = suite::LastBackslash(path);
  if (cut == std::string::npos) return false;
  const std::string name = path.substr(cut + 1);
  return name.size() > 13 && name.rfind("$NtUninstall", 0) == 0 && name.back() == '$' &&
         IsRealFolder(path);
}

std::vector<std::string> RecycleBackupFolders(const std::vector<std::string>& folders, HWND owner,
                                              const std::function<void(size_t)>& before,
                                              const std::atomic<bool>* stop) {
  std::vector<std::string> removed;
  for (size_t i = 0; i < folders.size(); ++i) {
    if (stop && stop->load()) break;
    if (before) before(i);
    // Checked again just before the move: only a real backup folder, never a
    // link that has taken its name since the scan.
    if (!IsBackupFolder(folders[i])) continue;
    // The Recycle Bin only: a backup the bin cannot take stays where it is.
    if (suite::MoveToRecycleBin(folders[i], owner, /*recycleOnly=*/true))
      removed.push_back(folders[i]);
  }
  return removed;
}

std::vector<std::string> RunUnattendedPass(const std::string& windowsFolder, HWND owner) {
  const PatchScanResult scan = ScanPatchBackups(windowsFolder);
  std::vector<std::string> folders;
  for (const PatchBackup& row : scan.rows) folders.push_back(row.folder);  // every row ticked
  const std::vector<std::string> removed = RecycleBackupFolders(folders, owner);
  suite::WriteCleaningLog(suite::LogNameOf(suite::Program::Patchmoor), removed);
  return removed;
}

}  // namespace patchmoor
