// Dustrel, the main cleaner: finds junk files, traces and the history of other
// programs, and cleans what the user keeps ticked. "-Auto" scans and cleans
// unattended and writes "Dustrel.log"; "-Track" runs the ticked plug-in
// definitions and writes "History.log". Without an argument, or with any
// other, the window opens.
#include <windows.h>

#include "app.h"
#include "dustreldlg.h"
#include "programs.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // "-Auto" and "-Track" are the silent modes (each may be followed by "-Preview").
  const bool hasArgument =
      suite::GetStartMode(suite::SilentSwitchesOf(suite::Program::Dustrel)) !=
      suite::StartMode::None;
  dustrel::DustrelDialog dialog(dustrel::ShellModeFor(suite::FirstArgument(), hasArgument));
  return suite::RunDialogProgram(instance, dialog, IDD_DUSTREL);
}
