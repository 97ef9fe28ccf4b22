#include "advlist.h"

#include "probes.h"

namespace dustrel {

AdvRemoveResult RemoveWithBackup(const std::vector<suite::RegEntry>& entries) {
  return RemoveWithBackup(entries, suite::BackupStorePath());
}

AdvRemoveResult RemoveWithBackup(const std::vector<suite::RegEntry>& entries,
                                 const std::string& store) {
  AdvRemoveResult result;
  if (entries.empty()) return result;
  std::vector<bool> held;
  result.backupFolder = suite::BackupEntries(entries, store, held);
  result.backedUp = !result.backupFolder.empty();
  if (!result.backedUp) return result;
  result.allGone = true;
  for (size_t i = 0; i < entries.size(); ++i) {
    // An entry its file cannot give back exactly is left alone.
    const bool gone = i < held.size() && held[i] && suite::DeleteRegEntry(entries[i]);
    if (!gone) result.allGone = false;
  }
  return result;
}

bool InNameList(const std::string& name, const char* const* list, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (suite::EqualsNoCase(name, list[i])) return true;
  return false;
}

}  // namespace dustrel
