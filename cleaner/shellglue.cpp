#include "shellglue.h"

#include "cleanlog.h"
#include "plugins.h"
#include "selection.h"

namespace dustrel {

ShellMode ShellModeFor(const std::string& first, bool hasArgument) {
  if (!hasArgument) return ShellMode::Window;
  if (first == "-Auto") return ShellMode::Auto;
  if (first == "-Track") return ShellMode::Track;
  if (first == "-Advanced") return ShellMode::Advanced;
  if (first == "-PowerOn") return ShellMode::PowerOn;
  return ShellMode::Other;
}

ScanTargets BuildTargetList(const std::string& iniName, std::string& status) {
  ScanTargets targets = BuildScanTargets(iniName);
  status = AddPluginRows(targets, LoadPlugins());
  SavedSelection saved;
  if (ReadSavedSelection(saved)) targets.ApplySaved(saved);
  return targets;
}

ScanSettings ScanSettingsFor(const ScanTargets& targets, const std::string& iniName) {
  ScanSettings s;
  s.drives = targets.TickedDrives();
  s.ticks = targets.OtherTicks();
  s.labels = ReadJunkLabels(iniName);
  s.iniName = iniName;
  return s;
}

CleanOutcome RunWindowClean(const std::vector<FoundItem>& rows, bool powerOn, bool autoExit,
                            const CleanProgress& progress, const std::atomic<bool>* stop) {
  CleanSettings settings;
  settings.mode = powerOn ? RunMode::PowerOn : RunMode::Interactive;
  settings.stop = stop;
  settings.deleteNoBackup = ReadDeleteNoBackup();
  CleanOutcome outcome;
  const CleanResult result =
      autoExit ? AutoExitClean(rows, settings) : CleanRun(rows, settings, progress);
  outcome.ran = result.ran;
  outcome.remaining = result.ran ? result.remaining : rows;
  outcome.summary = result.summary;
  outcome.before = result.before;
  outcome.after = result.after;
  outcome.freedMb = result.megabytes;
  outcome.stopped = result.stopped;
  outcome.shutDown = autoExit && !result.stopped;
  return outcome;
}

void RunSilentPass(bool track, const ScanTargets& targets, const std::string& iniName) {
  CleanSettings settings;
  settings.deleteNoBackup = ReadDeleteNoBackup();
  settings.iniName = iniName;
  if (!track) {
    settings.mode = RunMode::Auto;
    VectorSink sink;
    std::atomic<bool> never{false};
    RunScan(ScanSettingsFor(targets, iniName), sink, never);
    CleanRun(sink.rows, settings);
    return;
  }
  // The definitions are run first; "History.log" is written after the
  // cleaning run and names only the definitions whose entries are really gone.
  TrackLog found;
  VectorSink sink;
  const std::vector<TrackedDefinition> tracked =
      RunTrackedPlugins(TickedPlugins(targets), sink, found);
  settings.mode = RunMode::PowerOn;  // no report, no log of its own
  settings.cleanBrowserStores = false;  // the definitions' rows only: no browser store
  const CleanResult result = CleanRun(sink.rows, settings);
  if (!result.ran) return;  // nothing listed: no log, an older one stays
  const TrackLog log = TrackLogOfCleaned(tracked, result.cleaned);
  suite::WriteCleaningLog(settings.trackLogName, static_cast<int>(log.traces.size()), log.traces);
}

}  // namespace dustrel
