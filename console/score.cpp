#include "score.h"

#include <shlobj.h>

#include "folderguard.h"
#include "folderwalk.h"
#include "pathcheck.h"
#include "registry.h"
#include "shortcut_target.h"
#include "sysinfo.h"
#include "text.h"

namespace suite::console {

namespace {

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return std::string();
  return path;
}

}  // namespace

ScoreInputs SystemScoreInputs() {
  ScoreInputs in;
  in.cacheFolder = SpecialFolder(CSIDL_INTERNET_CACHE);
  in.recentFolder = SpecialFolder(CSIDL_RECENT);
  in.tempFolder = TempFolder();
  DropTrailingBackslash(in.tempFolder);
  // A folder that is not what its name says (a root, a system or shell
  // folder, or one that holds them) is not walked: that check finds nothing.
  if (!IsSweepableFolder(in.cacheFolder, SweptFolder::Cache)) in.cacheFolder.clear();
  if (!IsSweepableFolder(in.recentFolder, SweptFolder::Recent)) in.recentFolder.clear();
  if (!IsSweepableFolder(in.tempFolder, SweptFolder::Temp)) in.tempFolder.clear();
  in.recentDocsRoot = HKEY_CURRENT_USER;
  in.recentDocsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs";
  return in;
}

bool CacheTooLarge(const std::string& folder, const std::atomic<bool>* stop) {
  if (folder.empty()) return false;
  return FolderSize(folder, stop) > kCacheLimitBytes;
}

bool TempTooLarge(const std::string& folder, const std::atomic<bool>* stop) {
  if (folder.empty()) return false;
  return FolderSize(folder, stop) >= kTempLimitBytes;
}

bool RecentHasBrokenShortcut(const std::string& folder, const std::atomic<bool>* stop) {
  if (folder.empty()) return false;
  PathChecker checker(kShortcutPathCheck);
  bool broken = false;
  std::atomic<bool> found{false};
  WalkFolder(
      folder,
      [&](const WalkEntry& e) {
        if (broken) return;
        const std::string lower = ToLower(e.path);
        if (lower.find(".ini") != std::string::npos || lower.find(".lnk") == std::string::npos)
          return;
        const std::string target = RawShortcutTarget(ReadShortcutBytes(e.path));
        if (!target.empty() && checker.FileReferenceExists(target)) return;
        if (ShellLinkTargetExists(e.path)) return;
        broken = true;
        found = true;
      },
      stop ? stop : &found);
  return broken;
}

bool TooManyRecentDocs(HKEY root, const std::string& key) {
  UniqueKey open = OpenKey(root, key, KEY_READ);
  if (!open) return false;
  DWORD values = 0;
  if (RegQueryInfoKeyA(open.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return values >= kRecentDocsLimit;
}

int CleanlinessScore(const ScoreInputs& in, const std::atomic<bool>* stop) {
  int score = 100;
  if (CacheTooLarge(in.cacheFolder, stop)) score -= 20;
  if (RecentHasBrokenShortcut(in.recentFolder, stop)) score -= 20;
  if (TempTooLarge(in.tempFolder, stop)) score -= 20;
  if (TooManyRecentDocs(in.recentDocsRoot, in.recentDocsKey)) score -= 20;
  return score;
}

}  // namespace suite::console
