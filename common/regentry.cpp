#include "regentry.h"

#include "dryrun.h"
#include "handles.h"
#include "registry.h"

namespace suite {

RegEntry WideKeyEntry(std::string root, std::wstring path) {
  RegEntry e = KeyEntry(std::move(root), DisplayName(path));
  e.wide = true;
  e.keyPathW = std::move(path);
  return e;
}

RegEntry WideValueEntry(std::string root, std::wstring path, std::wstring value) {
  RegEntry e = ValueEntry(std::move(root), DisplayName(path), DisplayName(value));
  e.wide = true;
  e.keyPathW = std::move(path);
  e.valueNameW = std::move(value);
  return e;
}

std::wstring EntryKeyPathW(const RegEntry& entry) {
  return entry.wide ? entry.keyPathW : WideFromAnsi(entry.keyPath);
}

std::wstring EntryValueNameW(const RegEntry& entry) {
  return entry.wide ? entry.valueNameW : WideFromAnsi(entry.valueName);
}

std::string EntryText(const RegEntry& entry) {
  std::string text = entry.rootName;
  if (!entry.keyPath.empty()) text += "\\" + entry.keyPath;
  if (entry.isValue) text += "\\" + entry.valueName;
  return text;
}

bool RegEntryGone(const RegEntry& entry) {
  HKEY root = RootKeyFromName(entry.rootName);
  if (!root) return false;
  // What this preview run removed counts as gone.
  if (entry.isValue ? ValueRemovedByDryRun(root, EntryKeyPathW(entry), EntryValueNameW(entry))
                    : KeyRemovedByDryRun(root, EntryKeyPathW(entry)))
    return true;
  UniqueKey key;
  const LONG rc = RegOpenKeyExW(root, EntryKeyPathW(entry).c_str(), REG_OPTION_OPEN_LINK,
                                InNativeView(KEY_READ), key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return true;
  if (rc != ERROR_SUCCESS || !entry.isValue) return false;
  return RegQueryValueExW(key.get(), EntryValueNameW(entry).c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_FILE_NOT_FOUND;
}

}  // namespace suite
