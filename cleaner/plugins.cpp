#include "plugins.h"

namespace dustrel {

const char* const kPluginFolderName = "CleanPlugin";
const char* const kPluginSignature = "Velmora Lock";
const char* const kPluginKey = "tRoWeL";

void TransformBody(std::string&, const std::string&) {}
std::string LockText(const std::string& plain, const std::string&) { return plain; }
bool IsLockedText(const std::string&) { return false; }
int UnlockText(const std::string&, std::string&, const std::string&) { return kPluginNotLocked; }
bool IsLockedPlugin(const std::string&) { return false; }
int UnlockPlugin(const std::string&) { return kPluginNotLocked; }
int LockPlugin(const std::string&) { return kPluginCannotWrite; }
std::vector<std::string> ListPlugins(const std::string&) { return {}; }
std::vector<std::string> LoadPlugins() { return {}; }
std::string PluginStatusText(size_t) { return " "; }
std::string AddPluginRows(ScanTargets&, const std::vector<std::string>&) { return " "; }
std::vector<std::string> TickedPlugins(const ScanTargets&) { return {}; }
PluginFolders SystemPluginFolders() { return {}; }
bool ExpandPluginSource(const std::string&, const PluginFolders&, std::string&) { return false; }
PluginRule ParsePluginRule(const std::string&) { return {}; }
PluginRun RunPluginText(const std::string&, const PluginFolders&, RowSink&) { return {}; }
int RunPlugin(const std::string&, RowSink&) { return 0; }
int RunPlugin(const std::string&, const PluginFolders&, RowSink&, PluginRun*) { return 0; }
std::vector<TrackedDefinition> RunTrackedPlugins(const std::vector<std::string>&, RowSink&,
                                                 TrackLog& log, const std::atomic<bool>*) {
  log.counts.push_back("0");
  return {};
}
std::vector<TrackedDefinition> RunTrackedPlugins(const std::vector<std::string>&,
                                                 const PluginFolders&, RowSink&, TrackLog& log,
                                                 const std::atomic<bool>*) {
  log.counts.push_back("0");
  return {};
}
TrackLog TrackLogOfCleaned(const std::vector<TrackedDefinition>&, const std::vector<std::string>&) {
  return {};
}

}  // namespace dustrel
