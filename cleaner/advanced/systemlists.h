// Three system lists that installations leave entries in: the code pages and
// the language tags (keyboard layouts) of the browser's MIME database, and
// the time zones. Each row is an entry's name and its description.
#pragma once
#include <atomic>
#include <string>

#include "advlist.h"

namespace dustrel {

extern const char kCodePageKey[];   // under HKEY_CLASSES_ROOT
extern const char kTimeZoneKey[];   // under HKEY_LOCAL_MACHINE
extern const char kLanguageKey[];   // under HKEY_CLASSES_ROOT

// Subkeys of kCodePageKey with their "Description"; the entry is the key.
// `opened` is false when the key cannot be read.
AdvList ListCodePages(const std::atomic<bool>* stop = nullptr);
// Subkeys of kTimeZoneKey with their "Display"; the entry is the key.
AdvList ListTimeZones(const std::atomic<bool>* stop = nullptr);
// Values of kLanguageKey with their data; the entry is the value.
AdvList ListKeyboardLayouts(const std::atomic<bool>* stop = nullptr);

// The restore-point tool: "<system folder>\Restore\rstrui.exe", or
// "<system folder>\rstrui.exe" when the version suffix names Vista.
std::string RestoreToolPath(const std::string& systemFolder, const std::string& osSuffix);

}  // namespace dustrel
