#include "app.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "dialog.h"
#include "dryrun.h"
#include "handles.h"
#include "programs.h"

namespace suite {

namespace {

std::string AnsiArgument(LPCWSTR text) {
  std::string out;
  const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n > 1) {
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
  }
  return out;
}

}  // namespace

std::vector<std::string> CommandArguments() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> arguments;
  if (argv) {
    for (int i = 1; i < argc; ++i) arguments.push_back(AnsiArgument(argv[i]));
    LocalFree(argv);
  }
  return arguments;
}

std::string FirstArgument() {
  const std::vector<std::string> arguments = CommandArguments();
  return arguments.empty() ? std::string() : arguments.front();
}

StartRequest ParseStartRequest(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& silentSwitches) {
  StartRequest request;
  if (arguments.empty()) return request;
  bool silent = false;
  for (const std::string& s : silentSwitches)
    if (arguments[0] == s) silent = true;
  request.mode = silent ? StartMode::Unattended : StartMode::Other;
  if (!silent || arguments.size() == 1) return request;
  if (arguments.size() == 2 && arguments[1] == "-Preview")
    request.preview = true;
  else
    request.refused = true;
  return request;
}

StartMode GetStartMode() { return GetStartMode({"-Auto"}); }

StartMode GetStartMode(const std::vector<std::string>& silentSwitches) {
  const StartRequest request = ParseStartRequest(CommandArguments(), silentSwitches);
  if (request.refused) ExitProcess(kRefusedExitCode);
  if (request.preview) SetDryRun(true);
  if (request.mode == StartMode::Unattended) SetUnattendedRun(true);
  return request.mode;
}

int RunDialogProgram(HINSTANCE instance, Dialog& dialog, int templateId) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  INT_PTR code;
  {
    ComScope com;
    code = dialog.DoModal(instance, templateId);
  }
  return code < 0 ? 1 : static_cast<int>(code);
}

}  // namespace suite
