// Registry helpers shared by the main cleaner and the registry error scanner.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "handles.h"

namespace suite {

constexpr size_t kMaxRegistryNames = 30000;

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"
// and back; an unknown name gives nullptr, an unknown key the empty text.
HKEY RootKeyFromName(const std::string& name);
std::string RootKeyName(HKEY root);

UniqueKey OpenKey(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS);

// Names of the key's direct subkeys in enumeration order, at most 30000; the list
// ends at the first failing index or empty name. A key that cannot be opened
// gives an empty list.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path,
                                     REGSAM access = KEY_ALL_ACCESS);
std::vector<std::string> SubkeyNames(HKEY openKey);
// Names of the key's values in enumeration order, at most 30000; the unnamed
// default value ends the list, as does the first failing index. The data is not
// fetched, so a value with long data does not hide the values after it.
std::vector<std::string> ValueNames(HKEY root, const std::string& path,
                                    REGSAM access = KEY_ALL_ACCESS);
std::vector<std::string> ValueNames(HKEY openKey);

// A string value up to its first NUL; `limit` bounds the bytes read (the
// registry scanner reads into fixed 256- or 128-byte buffers). Empty when the
// value is missing or unreadable.
bool ReadString(HKEY openKey, const std::string& valueName, std::string& out,
                size_t limit = 256);
std::string ReadString(HKEY root, const std::string& path, const std::string& valueName,
                       REGSAM access = KEY_READ, size_t limit = 256);

// Deletes the key root\path and every key below it, children first; failures
// are ignored. Key names below the path are handled in UTF-16, and the path is
// split only at real backslashes (not GBK trail bytes). An empty path never
// deletes anything (it would name the root itself).
void DeleteKeyTree(HKEY root, const std::string& path);

}  // namespace suite
