// The cleanliness score: four checks of the user's traces, 20 points each.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace suite::console {

constexpr uint64_t kCacheLimitBytes = 4194304;  // the cache counts when above this
constexpr uint64_t kTempLimitBytes = 2097152;   // the temp folder counts from this on
constexpr DWORD kRecentDocsLimit = 6;           // values in the recent-document list

struct ScoreInputs {
  std::string cacheFolder;   // the shell's Internet cache (empty: not found, no check)
  std::string recentFolder;  // the shell's Recent folder
  std::string tempFolder;    // without a trailing backslash
  HKEY recentDocsRoot = HKEY_CURRENT_USER;
  std::string recentDocsKey;
};

// The folders and the key of this user; a folder the special-folder guard
// refuses is left empty (its check finds nothing).
ScoreInputs SystemScoreInputs();

bool CacheTooLarge(const std::string& folder, const std::atomic<bool>* stop = nullptr);
// A shortcut (".lnk" in its lower-cased path, no ".ini") whose target is
// missing: the byte-level scan finds no target or one the path-present test
// calls missing, and the system's shell-link reader gives no target that
// exists either. Needs COM on the calling thread.
bool RecentHasBrokenShortcut(const std::string& folder, const std::atomic<bool>* stop = nullptr);
bool TempTooLarge(const std::string& folder, const std::atomic<bool>* stop = nullptr);
bool TooManyRecentDocs(HKEY root, const std::string& key);

// 100 less 20 for each check that finds traces: 100, 80, 60, 40 or 20.
int CleanlinessScore(const ScoreInputs& inputs, const std::atomic<bool>* stop = nullptr);

}  // namespace suite::console
