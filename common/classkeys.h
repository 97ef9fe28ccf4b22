// Keys directly under HKEY_CLASSES_ROOT that no program may delete as a class
// or ProgID: the collections (CLSID, Interface, TypeLib, AppID, ...), the
// shell's own classes, the protected file classes, extensions, and any name
// that is empty or holds a path separator (it would reach another key).
// Shared by Hivemend's COM rows and Dustrel's ActiveX removal.
#pragma once
#include <string>

namespace suite {

// File classes the file-type walks never list, whatever their icon says
// ("Drive", "Folder", "exefile", "http", ...), compared without regard to case.
bool IsProtectedClass(const std::string& name);

// Whether `name`, as a key directly under HKEY_CLASSES_ROOT, must never be
// deleted by a COM row.
bool IsStructuralClassKey(const std::string& name);

}  // namespace suite
