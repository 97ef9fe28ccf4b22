// Brisko, the one-click console: runs the suite's cleaners one after another
// in unattended mode, shows each one's count from its log, rates how clean the
// machine is, and reports the system figures before and after a run.
// "-Auto" runs all six steps without a window and without questions.
#include <windows.h>

#include "app.h"
#include "mainwindow.h"
#include "unattended.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace suite::console;
  if (suite::GetStartMode() == suite::StartMode::Unattended) return RunAuto();
  const int code = RunMainWindow(instance);
  return code == IDCANCEL ? 0 : code;
}
