// The saved selection of the scan-target list under HKLM "Software\Quillon":
// "CleanSaveStatus" (REG_BINARY, one byte per row: 1 ticked, 0 not) and
// "CleanItemCount" (the number of bytes), which other copies of the suite
// read too, and beside them "CleanSaveRows" (REG_MULTI_SZ): the row each byte
// belongs to (a drive root "C:\", "OtherItem<n>", or a definition's file
// name). A tick goes back to the row it was saved for, wherever that row is
// now (ScanTargets::ApplySaved).
#pragma once
#include <string>
#include <vector>

namespace dustrel {

class ScanTargets;

struct SavedSelection {
  std::vector<bool> ticks;        // the saved bytes (at most CleanItemCount of them)
  unsigned long count = 0;        // CleanItemCount
  std::vector<std::string> rows;  // CleanSaveRows; empty when saved without row names
};

// Writes the bytes, the row names and, only when the bytes were written, the
// count. False when the bytes could not be written (nothing else is then).
bool SaveSelection(const ScanTargets& targets);
// Reads the values; false (and `saved` untouched) when the bytes or the count
// are missing. Row names whose number differs from the count are dropped.
bool ReadSavedSelection(SavedSelection& saved);

}  // namespace dustrel
