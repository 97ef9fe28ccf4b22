// Program start-up shared by every program of the suite.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

class Dialog;

enum class StartMode {
  None,        // no argument
  Unattended,  // first argument exactly "-Auto"
  Other,       // any other first argument
};

// The mode the first command-line argument selects (compared case-sensitively).
StartMode GetStartMode();
// The first command-line argument, or empty.
std::string FirstArgument();

// Initialises the common controls and COM, shows `dialog` from `templateId`
// modally and returns its end code as the exit status.
int RunDialogProgram(HINSTANCE instance, Dialog& dialog, int templateId);

}  // namespace suite
