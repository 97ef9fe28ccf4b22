#include "app.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "dialog.h"

namespace suite {

std::string FirstArgument() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::string first;
  if (argv && argc > 1) {
    int n = WideCharToMultiByte(CP_ACP, 0, argv[1], -1, nullptr, 0, nullptr, nullptr);
    if (n > 1) {
      first.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_ACP, 0, argv[1], -1, &first[0], n, nullptr, nullptr);
      first.resize(static_cast<size_t>(n - 1));
    }
  }
  if (argv) LocalFree(argv);
  return first;
}

StartMode GetStartMode() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv) LocalFree(argv);
  if (argc <= 1) return StartMode::None;
  return FirstArgument() == "-Auto" ? StartMode::Unattended : StartMode::Other;
}

int RunDialogProgram(HINSTANCE instance, Dialog& dialog, int templateId) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const INT_PTR code = dialog.DoModal(instance, templateId);
  if (SUCCEEDED(com)) CoUninitialize();
  return code < 0 ? 1 : static_cast<int>(code);
}

}  // namespace suite
