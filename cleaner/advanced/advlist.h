// The rows of the advanced tools window's list pages, as the engines build
// them (no window), and the one removal path every page uses: whatever a page
// removes is first written to the suite's .reg backup store.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "regstore.h"

namespace dustrel {

struct AdvRow {
  std::vector<std::string> columns;      // the texts shown, column 0 first
  std::string name;                      // the row's key name in the deletion question
  std::vector<suite::RegEntry> entries;  // what deleting the row removes
  std::string iconFile;                  // icon source; empty: the page's own icon
  int iconIndex = 0;
  bool checked = false;                  // the row's tick (file types: faulty)
};

struct AdvList {
  bool opened = true;  // false: the listed key could not be read
  std::vector<AdvRow> rows;
};

struct AdvRemoveResult {
  bool backedUp = false;     // the backup was written; otherwise nothing was removed
  std::string backupFolder;  // where it went
  bool allGone = false;      // every entry is gone afterwards
};

// Writes every entry to a new backup folder of the store, then removes the
// entries whose backup file holds them exactly, in order. Nothing is removed
// when the backup cannot be written; an entry that is not held stays.
AdvRemoveResult RemoveWithBackup(const std::vector<suite::RegEntry>& entries);
AdvRemoveResult RemoveWithBackup(const std::vector<suite::RegEntry>& entries,
                                 const std::string& store);

// Whether `name` equals one of the `count` names ignoring letter case.
bool InNameList(const std::string& name, const char* const* list, size_t count);

}  // namespace dustrel
