// The junk scan: walks the ticked fixed disks, lists the temp folder's
// sub-folders, walks the IE cache and Recent folders when their rows are
// ticked and always the temp folder, applies the junk rules to every file,
// then runs the ticked trace scanners and lists one row per browser store
// the cleaning run would empty. Rows go to a RowSink; the path being
// examined goes to the sink's Status. No window.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "folderguard.h"
#include "founditem.h"
#include "junkrules.h"
#include "tracetable.h"

namespace dustrel {

// The five category labels ("g_RbStr0" .. "g_RbStr4").
struct JunkLabels {
  std::string text[5];
};
JunkLabels ReadJunkLabels(const std::string& iniName);

struct ScanSettings {
  std::vector<std::string> drives;  // roots of the ticked drive rows, in row order
  OtherItemTicks ticks{};           // OtherItem1..26
  JunkLabels labels;
  std::string iniName = "Dustrel.ini";  // for the trace scanners' texts
  // The folders of the special-folder pass as the system names them; when
  // `useSystemFolders` is set they are read from the system at the start of
  // the scan (temp path, "Cache" and "Recent" shell folders).
  bool useSystemFolders = true;
  std::string tempFolder;
  std::string cacheFolder;
  std::string recentFolder;
  // What the special folders are judged against when `useSystemFolders` is
  // clear (with it set: the system's own folders).
  std::vector<suite::GuardedFolder> guardedFolders;
  bool runTraceScanners = true;
};

struct ScanOutcome {
  bool stopped = false;  // the stop flag ended the scan; the rows found so far stay
  size_t rows = 0;       // rows handed to the sink
  // Special folders not walked because they are not what their name says (a
  // root, a system or shell folder, or a folder above one).
  std::vector<std::string> skipped;
};

// The status-line note for the skipped folders ("strSkipFolder" and the
// folders); empty when none was skipped.
std::string SkippedFoldersNote(const ScanOutcome& outcome, const std::string& iniName);

// Called when a ticked drive's walk ends (its row gets the "strFsOver" text),
// with the position of the drive in ScanSettings::drives; also for the drive
// where a stop ended the loop.
using DriveDoneFn = std::function<void(size_t driveIndex)>;

// One walk step of the scan: applies the rules to every file below `folder`
// into `sink`. `special` is null during the drive walks. False when stopped.
bool WalkJunkFolder(const std::string& folder, const SpecialFolders* special,
                    const JunkLabels& labels, RowSink& sink, const std::atomic<bool>& stop);

// The temp folder's first-level sub-folders (ticked rows, size "0 字节").
void ListTempSubfolders(const std::string& tempFolder, RowSink& sink,
                        const std::atomic<bool>& stop);

// The whole scan. Tests `stop` in every step; a stop keeps the rows found.
// A file is listed once: when two rules or two walks meet the same file, the
// row found first stays.
ScanOutcome RunScan(const ScanSettings& settings, RowSink& sink, const std::atomic<bool>& stop,
                    const DriveDoneFn& driveDone = {});

}  // namespace dustrel
