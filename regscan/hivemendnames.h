// The names Hivemend's windows share.
#pragma once

namespace hivemend {

extern const char* const kIniName;  // "Hivemend.ini"
extern const char* const kLogName;  // "Hivemend.log"
extern const char kCaption[];       // the message boxes' caption

}  // namespace hivemend
