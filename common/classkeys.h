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

// Where the ProgID `name` of a class of the classes key `view` lies ("" for
// the 64-bit classes, "Wow6432Node" for the 32-bit ones of a 64-bit Windows):
// the view's own classes when they hold it, else the classes both views
// share. The key that holds it ("" or `view`).
std::string ProgIdPlace(const std::string& view, const std::string& name);
// Whether a class of the 32-bit view may take a ProgID of the shared classes
// that names the class `clsid`: not when the 64-bit classes have a class of
// that identifier, whose ProgID it may be as well.
bool SharedProgIdIsOnly32Bit(const std::string& clsid);

}  // namespace suite
