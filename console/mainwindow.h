// The console's main window: the six steps with their switches and counts,
// Start/Stop and Pause/Continue, the cleanliness gauge, and the way to the
// report and to Dustrel's options.
#pragma once
#include <windows.h>

namespace suite::console {

// Runs the main window until it closes; returns the dialog's end code.
int RunMainWindow(HINSTANCE instance);

}  // namespace suite::console
