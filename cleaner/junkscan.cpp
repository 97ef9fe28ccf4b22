#include "junkscan.h"

#include "inifile.h"

namespace dustrel {

JunkLabels ReadJunkLabels(const std::string& iniName) {
  suite::InterfaceTexts texts(iniName);
  JunkLabels labels;
  for (int i = 0; i < 5; ++i) labels.text[i] = texts.Get("g_RbStr", i);
  return labels;
}

bool WalkJunkFolder(const std::string&, const SpecialFolders*, const JunkLabels&, RowSink&,
                    const std::atomic<bool>& stop) {
  return !stop.load();
}

void ListTempSubfolders(const std::string&, RowSink&, const std::atomic<bool>&) {}

ScanOutcome RunScan(const ScanSettings&, RowSink&, const std::atomic<bool>& stop,
                    const DriveDoneFn&) {
  ScanOutcome outcome;
  outcome.stopped = stop.load();
  return outcome;
}

}  // namespace dustrel
