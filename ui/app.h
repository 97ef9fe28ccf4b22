// Program start-up shared by every program of the suite.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

class Dialog;

enum class StartMode {
  None,        // no argument
  Unattended,  // first argument exactly "-Auto"
  Other,       // any other first argument
};

// What the command line asks for: the mode of the first argument and whether
// a silent mode is to run as a preview (a dry run that changes nothing).
struct StartRequest {
  StartMode mode = StartMode::None;
  bool preview = false;
  // A silent switch followed by anything but exactly "-Preview", or by more
  // than one argument: nothing may run (the dry run fails closed).
  bool refused = false;
};
// Exit status of a refused command line: nothing ran, nothing changed, no log.
constexpr int kRefusedExitCode = 2;
// Decides from the arguments after the program name (compared
// case-sensitively): a first argument that is one of `silentSwitches` is
// Unattended, any other is Other. "-Preview", exactly, as the second and last
// argument after a silent switch asks for a preview; any other second
// argument ("-preview", "/Preview", "-Preview2", ...) or any third one
// refuses the request, so that a mistyped dry run never cleans for real.
// "-Preview" after a window mode is ignored.
StartRequest ParseStartRequest(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& silentSwitches);
// The command-line arguments after the program name, in the ANSI code page.
std::vector<std::string> CommandArguments();

// The mode the first command-line argument selects, "-Auto" being the silent
// one (or any of `silentSwitches`). A preview request switches the process's
// dry run on (common/dryrun.h) before anything else runs; a silent request
// marks the process as unattended (no message box, common/programs.h); a
// refused request ends the process at once with kRefusedExitCode.
StartMode GetStartMode();
StartMode GetStartMode(const std::vector<std::string>& silentSwitches);
// The first command-line argument, or empty.
std::string FirstArgument();

// Initialises the common controls and COM, shows `dialog` from `templateId`
// modally and returns its end code as the exit status.
int RunDialogProgram(HINSTANCE instance, Dialog& dialog, int templateId);

}  // namespace suite
