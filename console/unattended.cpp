#include "unattended.h"

#include <string>

#include "app.h"
#include "consoletexts.h"
#include "inifile.h"
#include "sequence.h"
#include "sysinfo.h"

namespace suite::console {

namespace {

class SilentSink : public SequenceSink {
 public:
  void StepStarted(int) override {}
  void StepFinished(int, const std::string&) override {}
  void Progress(int) override {}
};

}  // namespace

int RunAuto() {
  const std::string folder = ProgramFolder();
  DeleteStepLogs(folder);
  SequenceOptions options;
  options.folder = folder;
  options.osSuffix = GetOsSuffix();
  options.stepTimeoutSeconds = ReadStepTimeout(ProgramFolderPath(kIni));
  RunControl control;
  SilentSink sink;
  const SequenceResult result = RunSequence(options, control, sink);
  return result.completed && result.succeeded ? 0 : 1;
}

}  // namespace suite::console
