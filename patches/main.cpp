// Patchmoor: lists the uninstall backup folders of installed Windows updates
// and moves the chosen ones to the Recycle Bin. Without arguments it ends at
// once; "-Auto" cleans every backup folder unattended and writes its log.
#include <windows.h>

#include "app.h"
#include "patchdialog.h"
#include "resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const suite::StartMode mode = suite::GetStartMode();
  if (mode == suite::StartMode::None) return 0;
  patchmoor::PatchDialog dialog(mode == suite::StartMode::Unattended);
  return suite::RunDialogProgram(instance, dialog, IDD_PATCHMOOR_DIALOG);
}
