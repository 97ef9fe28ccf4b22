// Hivemend: scans the registry for entries that name missing files, backs
// them up to .reg files, removes the ones the user keeps ticked and restores
// earlier backups; "-Auto" scans, backs up and repairs unattended.
#include <windows.h>

#include "app.h"
#include "hivemenddlg.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const suite::StartMode mode = suite::GetStartMode();
  if (mode == suite::StartMode::None) return 0;  // nothing to do, nothing shown
  hivemend::HivemendDialog dialog(mode);
  return suite::RunDialogProgram(instance, dialog, IDD_HIVEMEND);
}
