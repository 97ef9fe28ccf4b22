// What the main window and the silent modes ask of the engines, in the terms
// of the window: the scan-target rows, a scan into a sink, a cleaning run
// with its progress and report figures, and the whole silent passes. The
// window code calls only these; they take no window.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "cleanrun.h"
#include "founditem.h"
#include "junkscan.h"
#include "reportfigures.h"
#include "scantargets.h"

namespace dustrel {

enum class ShellMode {
  Window,    // no argument: topmost, centred
  Auto,      // "-Auto": scan, clean, "Dustrel.log", exit
  Track,     // "-Track": plug-in definitions, clean, "History.log", exit
  Advanced,  // "-Advanced": the advanced tools window, then the program ends
  PowerOn,   // "-PowerOn": the window; the cleaning run shows no report
  Other,     // any other argument (also "-auto"): the window, not topmost
};
ShellMode ShellModeFor(const std::string& firstArgument, bool hasArgument);

// Drive rows, the 26 fixed rows, one row per plug-in definition, with the
// saved selection applied. `status` gets the status-line text of the plug-in
// count (empty when there is nothing to say).
ScanTargets BuildTargetList(const std::string& iniName, std::string& status);

// The scan settings for the targets as ticked now.
ScanSettings ScanSettingsFor(const ScanTargets& targets, const std::string& iniName);

struct CleanOutcome {
  std::vector<FoundItem> remaining;  // rows still listed: not ticked, or not removable
  std::string summary;               // the report's text
  DiskFigures before;
  DiskFigures after;
  unsigned long long freedMb = 0;
  bool ran = false;       // false: nothing to clean, or the run failed
  bool shutDown = false;  // the clean-and-shut-down option: shut the computer down now
  bool stopped = false;   // ended early by the stop flag
};

// The interactive cleaning run over the result rows (`powerOn`: no report
// figures are wanted). `autoExit`: the reduced run of the clean-and-shut-down
// option, after which the computer is to be shut down. `stop` ends the run
// after the item it is at (the window is closing).
CleanOutcome RunWindowClean(const std::vector<FoundItem>& rows, bool powerOn, bool autoExit,
                            const CleanProgress& progress,
                            const std::atomic<bool>* stop = nullptr);

// The silent passes: "-Auto" (scan, clean, "Dustrel.log") and "-Track"
// (ticked plug-in definitions, clean, "History.log").
void RunSilentPass(bool track, const ScanTargets& targets, const std::string& iniName);

}  // namespace dustrel
