// The broken-shortcut scan and the deletion pass, without any window.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "pathcheck.h"

namespace suite {

// What a scan reports, in order: status texts, the end of the file search,
// and each broken shortcut found.
class ShortcutScanSink {
 public:
  virtual ~ShortcutScanSink() = default;
  virtual void Status(const std::string& text) = 0;
  virtual void SearchFinished() = 0;
  virtual void Broken(const std::string& shortcutPath) = 0;
};

// The Windows folder, the system drive's "\Program Files", and its "\Users"
// (Vista and later) or "\Documents and Settings".
std::vector<std::string> ShortcutSearchRoots();

// Every file below the roots whose upper-cased path contains ".LNK".
std::vector<std::string> FindShortcutCandidates(const std::vector<std::string>& roots,
                                                const std::atomic<bool>* stop);

// True when the shortcut's target is missing: the byte-level scan finds a
// target, the path-present test says it is missing, and the file is a real
// shell link whose reader gives targets that are all missing
// (ShellLinkTargetMissing). Anything else is not broken.
bool IsShortcutBroken(const std::string& shortcutPath, PathChecker& checker);

struct ShortcutScanOptions {
  // The interactive window pauses 50 ms per candidate so that a person can read
  // the status line; an unattended run has no reader and does not pause.
  DWORD pauseMs = 0;
};

// The whole scan: search, then analyse each candidate. Ends early, between
// candidates or inside the search, when `stop` becomes true. Needs COM
// initialised on the calling thread.
void ScanShortcuts(ShortcutScanSink& sink, const std::atomic<bool>& stop,
                   const ShortcutScanOptions& options,
                   const std::vector<std::string>& roots = ShortcutSearchRoots());

// Checks each shortcut again (IsShortcutBroken with a fresh path test) and
// sends those still broken to the Recycle Bin (permanent delete when the shell
// refuses); returns the positions (into `paths`) of those that are gone.
// Stops between shortcuts when `stop` becomes true. Needs COM initialised on
// the calling thread.
std::vector<size_t> RemoveShortcuts(const std::vector<std::string>& paths, HWND owner,
                                    const std::atomic<bool>* stop = nullptr);

// The unattended pass ("-Auto"): scans `roots`, sends every broken shortcut
// to the Recycle Bin (each checked again first) and writes the cleaning log
// with the shortcuts really gone; returns them. Initialises COM for itself.
std::vector<std::string> RunUnattendedPass(
    const std::vector<std::string>& roots = ShortcutSearchRoots());

}  // namespace suite
