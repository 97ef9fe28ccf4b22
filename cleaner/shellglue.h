// What the main window and the silent modes ask of the engines, in the terms
// of the window: the scan-target rows, a scan into a sink, a cleaning run
// with its progress and report figures, and the whole silent passes. The
// window code calls only these; they take no window.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "founditem.h"
#include "reportfigures.h"

namespace dustrel {

// One row of the scan-target list.
struct TargetRow {
  std::string caption;  // column 0
  std::string column1;  // column 1
  std::string status;   // column 2
  int image = 0;
  bool checked = false;
};

// Drive rows, the 26 fixed rows, one row per plug-in definition, with the
// saved selection applied. `status` gets the status-line text of the plug-in
// count (empty when there is nothing to say).
std::vector<TargetRow> BuildTargetRows(const std::string& iniName, std::string& status);

// Saves the ticks of the scan-target list (see selection.h).
bool SaveTargetSelection(const std::vector<bool>& ticks);

// The junk scan of the ticked targets (indices as BuildTargetRows made them)
// into `sink`, until done or `stop`. `labels` are the category texts g_RbStr0-4.
void RunWindowScan(const std::vector<bool>& ticks, const std::vector<std::string>& labels,
                   RowSink& sink, const std::atomic<bool>& stop);

struct CleanProgressSink {
  std::function<void(const std::string&)> status;
  std::function<void(int)> range;
  std::function<void(int)> position;
};

struct CleanOutcome {
  std::vector<FoundItem> remaining;  // rows still listed: not ticked, or not removable
  std::string summary;               // the report's text
  DiskFigures before;
  DiskFigures after;
  unsigned long long freedMb = 0;
  bool failed = false;    // the run did not finish; nothing to report
  bool shutDown = false;  // the clean-and-shut-down option: shut the computer down now
};

// The interactive cleaning run over the result rows. `autoExit`: the reduced
// run of the clean-and-shut-down option, after which the computer is shut down.
CleanOutcome RunWindowClean(const std::vector<FoundItem>& rows, const std::vector<bool>& ticks,
                            bool autoExit, const CleanProgressSink& progress);

// The silent passes: "-Auto" (scan, clean, "Dustrel.log") and "-Track"
// (ticked plug-in definitions, clean, "History.log").
void RunSilentPass(bool track, const std::vector<bool>& ticks,
                   const std::vector<std::string>& labels);

}  // namespace dustrel
