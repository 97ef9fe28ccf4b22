#include "regremove.h"

#include "founditem.h"
#include "registry.h"

namespace dustrel {

bool HasEmptyPart(const std::string& path) {
  if (path.empty()) return true;
  bool partStart = true;
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsDBCSLeadByte(c) && i + 1 < path.size()) {
      ++i;
      partStart = false;
      continue;
    }
    if (c == '\\') {
      if (partStart) return true;
      partStart = true;
    } else {
      partStart = false;
    }
  }
  return partStart;
}

bool ParseEntryText(const std::string& text, const std::string& marker, suite::RegEntry& entry) {
  const size_t slash = text.find('\\');  // root names are ASCII: the first byte '\' is a real one
  const size_t bar = text.rfind('|');
  if (slash == std::string::npos || bar == std::string::npos || bar < slash) return false;
  const std::string root = text.substr(0, slash);
  if (root != "HKEY_LOCAL_MACHINE" && root != "HKEY_CURRENT_USER" &&
      root != "HKEY_CLASSES_ROOT" && root != "HKEY_USERS")
    return false;
  const std::string path = text.substr(slash + 1, bar - slash - 1);
  const std::string name = text.substr(bar + 1);
  // Without a name the entry would be the key path (or the root) itself, or
  // the key's unnamed default value, which no scanner lists.
  if (name.empty() || HasEmptyPart(path)) return false;
  if (marker == kMarkerRootKey) {
    if (HasEmptyPart(name)) return false;
    entry = suite::KeyEntry(root, path + "\\" + name);
  } else {
    entry = suite::ValueEntry(root, path, name);
  }
  return true;
}

suite::RemovalReport RemoveRegistryEntries(const std::vector<std::string>& entryTexts,
                                           const std::vector<std::string>& markers,
                                           suite::RestorePoint& point) {
  suite::RemovalReport result;
  result.held.assign(entryTexts.size(), false);
  result.gone.assign(entryTexts.size(), false);
  std::vector<suite::RegEntry> entries;
  std::vector<size_t> index;  // entry -> position in entryTexts
  for (size_t i = 0; i < entryTexts.size(); ++i) {
    suite::RegEntry entry;
    // Without its type marker an entry is not known to be a value or a key.
    if (i >= markers.size() || !ParseEntryText(entryTexts[i], markers[i], entry)) continue;
    entries.push_back(entry);
    index.push_back(i);
  }
  if (entries.empty()) return result;
  const suite::RemovalReport removed = suite::RemoveWithBackup(entries, point);
  result.folder = removed.folder;
  result.backupFailed = removed.backupFailed;
  for (size_t k = 0; k < entries.size(); ++k) {
    result.held[index[k]] = removed.held[k];
    result.gone[index[k]] = removed.gone[k];
  }
  return result;
}

}  // namespace dustrel
