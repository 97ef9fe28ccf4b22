// A registry entry a program removes (a key with its tree, or one value),
// named by its ANSI texts or by the registry's own UTF-16 names.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

// One registry entry a program is about to remove.
struct RegEntry {
  std::string rootName;   // "HKEY_CURRENT_USER", ... (see RootKeyFromName)
  std::string keyPath;    // key path under the root
  std::string valueName;  // value entries: the value's name; empty is the unnamed default value
  bool isValue = false;   // false: the key rootName\keyPath with its whole subtree
  // The registry's own UTF-16 names, when the entry was found by them (names
  // outside the ANSI code page); then they, not the ANSI texts, name the entry.
  bool wide = false;
  std::wstring keyPathW;
  std::wstring valueNameW;
};
inline RegEntry KeyEntry(std::string root, std::string path) {
  RegEntry e;
  e.rootName = std::move(root);
  e.keyPath = std::move(path);
  return e;
}
inline RegEntry ValueEntry(std::string root, std::string path, std::string value) {
  RegEntry e;
  e.rootName = std::move(root);
  e.keyPath = std::move(path);
  e.valueName = std::move(value);
  e.isValue = true;
  return e;
}
// Entries named by their UTF-16 names; the ANSI texts are the display names.
RegEntry WideKeyEntry(std::string root, std::wstring path);
RegEntry WideValueEntry(std::string root, std::wstring path, std::wstring value);
// The UTF-16 key path and value name of any entry.
std::wstring EntryKeyPathW(const RegEntry& entry);
std::wstring EntryValueNameW(const RegEntry& entry);

// The text a log shows for the entry: "ROOT\path" or "ROOT\path\value".
std::string EntryText(const RegEntry& entry);

// Whether the entry no longer exists (a key that cannot be opened for another
// reason, such as access, may still hold it).
bool RegEntryGone(const RegEntry& entry);

}  // namespace suite
