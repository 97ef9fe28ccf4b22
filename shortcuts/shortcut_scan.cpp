#include "shortcut_scan.h"

#include <objbase.h>

#include "cleanlog.h"
#include "folderwalk.h"
#include "handles.h"
#include "programs.h"
#include "removal.h"
#include "shortcut_target.h"
#include "sysinfo.h"
#include "text.h"

namespace suite {

namespace {
bool IsCandidate(const std::string& path) { return ToUpper(path).find(".LNK") != std::string::npos; }
}  // namespace

std::vector<std::string> ShortcutSearchRoots() {
  const std::string windows = WindowsFolder();
  std::vector<std::string> roots{windows};
  const size_t colon = windows.find(":\\");
  if (colon != std::string::npos) {
    const std::string drive = windows.substr(0, colon + 1);
    roots.push_back(drive + "\\Program Files");
    const bool vista = GetOsSuffix().find("Vista") != std::string::npos;
    roots.push_back(drive + (vista ? "\\Users" : "\\Documents and Settings"));
  }
  return roots;
}

std::vector<std::string> FindShortcutCandidates(const std::vector<std::string>& roots,
                                                const std::atomic<bool>* stop) {
  std::vector<std::string> candidates;
  for (const std::string& root : roots) {
    if (stop && stop->load()) break;
    WalkFolder(root, [&](const WalkEntry& e) {
      if (IsCandidate(e.path)) candidates.push_back(e.path);
    }, stop);
  }
  return candidates;
}

bool IsShortcutBroken(const std::string& shortcutPath, PathChecker& checker) {
  const std::string target = RawShortcutTarget(ReadShortcutBytes(shortcutPath));
  if (target.empty()) return false;
  if (checker.FileReferenceExists(target)) return false;
  return ShellLinkTargetMissing(shortcutPath);
}

void ScanShortcuts(ShortcutScanSink& sink, const std::atomic<bool>& stop,
                   const ShortcutScanOptions& options, const std::vector<std::string>& roots) {
  sink.Status("正在搜索文件...");
  const std::vector<std::string> candidates = FindShortcutCandidates(roots, &stop);
  sink.SearchFinished();
  PathChecker checker(kShortcutPathCheck);
  for (const std::string& path : candidates) {
    if (stop) return;
    sink.Status("分析" + path);
    if (options.pauseMs) Sleep(options.pauseMs);
    if (IsShortcutBroken(path, checker) && !stop) sink.Broken(path);
  }
}

std::vector<size_t> RemoveShortcuts(const std::vector<std::string>& paths, HWND owner,
                                    const std::atomic<bool>* stop) {
  std::vector<size_t> removed;
  // A fresh checker: the scan's folder listings may be older than what the
  // user has repaired since.
  PathChecker checker(kShortcutPathCheck);
  for (size_t i = 0; i < paths.size(); ++i) {
    if (stop && stop->load()) break;
    // Checked again just before the deletion: a shortcut whose target came
    // back (or that is no broken shortcut any more) stays.
    if (!IsShortcutBroken(paths[i], checker)) continue;
    if (MoveToRecycleBin(paths[i], owner)) removed.push_back(i);
  }
  return removed;
}

namespace {

// An unattended scan only collects the paths.
class CollectSink : public ShortcutScanSink {
 public:
  void Status(const std::string&) override {}
  void SearchFinished() override {}
  void Broken(const std::string& path) override { found.push_back(path); }
  std::vector<std::string> found;
};

}  // namespace

std::vector<std::string> RunUnattendedPass(const std::vector<std::string>& roots) {
  std::vector<std::string> removed;
  {
    suite::ComScope com;
    CollectSink sink;
    std::atomic<bool> never{false};
    ScanShortcuts(sink, never, ShortcutScanOptions{0}, roots);
    for (size_t k : RemoveShortcuts(sink.found, nullptr)) removed.push_back(sink.found[k]);
  }
  WriteCleaningLog(LogNameOf(Program::Snipwell), removed);
  return removed;
}

}  // namespace suite
