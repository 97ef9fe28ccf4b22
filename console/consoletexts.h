// The settings file the console's windows and its unattended run read, and
// the one way they fetch an interface text from it.
#pragma once
#include <string>

#include "inifile.h"
#include "programs.h"

namespace suite::console {

inline const char* const kIni = SettingsFileOf(Program::Brisko);

inline std::string Text(const char* key) { return GetInterfaceText(kIni, key); }

}  // namespace suite::console
