#include "removal.h"

#include <shellapi.h>

#include <vector>

#include "dryrun.h"
#include "folderguard.h"
#include "sysinfo.h"
#include "text.h"

namespace suite {

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

}  // namespace suite
