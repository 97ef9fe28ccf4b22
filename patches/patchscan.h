// Finding the uninstall backup folders of installed Windows updates: one row
// per "KB*.log" file in the Windows folder, with the size of its
// "$NtUninstall<id>$" folder and the name of its uninstall entry. No window is
// involved; the dialog and the unattended run show and clean the rows.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace patchmoor {

constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char kDefaultHelpLink[] = "http://support.microsoft.com/";

struct PatchBackup {
  std::string id;           // "KB123456"
  std::string folder;       // "<Windows>\$NtUninstallKB123456$"
  uint64_t kb = 0;          // size of the folder in KB (integer division)
  std::string sizeText;     // "%-6ld KB", or "√" when kb is 0
  std::string displayName;  // from the uninstall entry, or a made-up name
  std::string helpLink;     // from the uninstall entry, or kDefaultHelpLink
  bool Cleaned() const { return sizeText.find("√") != std::string::npos; }
};

struct PatchScanResult {
  std::vector<PatchBackup> rows;
  uint64_t totalKb = 0;
  bool foundLogs = false;  // false: no "KB*.log" file; the statistics stay as they were
};

// Where the scan reports how far it is (position within 1 .. count + 1).
struct ScanProgress {
  virtual ~ScanProgress() = default;
  virtual void Range(int /*low*/, int /*high*/) {}
  virtual void Position(int /*position*/) {}
};

// "KB123456.log" -> "KB123456": every ".log" (exact case) removed, so an
// upper-case ".LOG" stays part of the id.
std::string UpdateIdFromLogName(const std::string& fileName);
// Ids of the "KB*.log" files in the Windows folder, in the order found.
std::vector<std::string> FindUpdateIds(const std::string& windowsFolder);
std::string BackupFolderFor(const std::string& windowsFolder, const std::string& id);
std::string SizeText(uint64_t kb);
// Size of a backup folder in KB, summed file by file over all subfolders.
// A missing folder, a plain file of that name and a folder that is a link
// elsewhere (reparse point) all count 0.
uint64_t BackupFolderKb(const std::string& folder, const std::atomic<bool>* stop = nullptr);

// Fills displayName and helpLink of every row from the subkeys of
// root\uninstallPath.
void ResolveNames(std::vector<PatchBackup>& rows, HKEY root = HKEY_LOCAL_MACHINE,
                  const std::string& uninstallPath = kUninstallKey);

// The whole scan of one Windows folder. An early stop returns what was
// measured so far.
PatchScanResult ScanPatchBackups(const std::string& windowsFolder, ScanProgress* progress = nullptr,
                                 const std::atomic<bool>* stop = nullptr,
                                 HKEY root = HKEY_LOCAL_MACHINE,
                                 const std::string& uninstallPath = kUninstallKey);

// List texts.
std::string CountHeader(size_t count);        // "安装的补丁备份 - %d 个"
std::string SizeHeader(uint64_t totalKb);     // "占用空间 - %ld MB"
std::string StatisticsLine(size_t count, uint64_t totalKb);
std::string RowDetails(const PatchBackup& row);  // "文件夹:%s 占用:%s"

// True for an existing, real folder (not a link) named "$NtUninstall...$":
// the only kind of item the cleaner ever moves.
bool IsBackupFolder(const std::string& path);
// Moves each backup folder to the Recycle Bin (never a permanent delete: a
// folder the bin cannot take stays). Returns the folders that
// existed and are gone afterwards, in order; missing folders and anything that
// is not a backup folder are passed over. `before` is told each folder first.
// Stops between folders when `stop` becomes true.
std::vector<std::string> RecycleBackupFolders(
    const std::vector<std::string>& folders, HWND owner = nullptr,
    const std::function<void(size_t index)>& before = nullptr,
    const std::atomic<bool>* stop = nullptr);

// The unattended pass ("-Auto"): every backup folder found in `windowsFolder`
// goes to the Recycle Bin; the cleaning log names the folders really moved
// and is written on every pass, also when none was. Returns those folders.
std::vector<std::string> RunUnattendedPass(const std::string& windowsFolder, HWND owner = nullptr);

}  // namespace patchmoor
