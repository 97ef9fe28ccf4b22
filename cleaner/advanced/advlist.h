// The rows of the advanced tools window's list pages, as the engines build
// them (no window). A page removes a row's entries through the suite's one
// removal path (suite::RemoveWithBackup, common/regremoval).
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

// Whether `name` equals one of the `count` names ignoring letter case.
bool InNameList(const std::string& name, const char* const* list, size_t count);

}  // namespace dustrel
