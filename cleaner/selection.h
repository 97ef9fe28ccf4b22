// The saved selection of the scan-target list: HKLM "Software\Quillon",
// "CleanSaveStatus" (REG_BINARY, one byte per row: 1 ticked, 0 not) and
// "CleanItemCount" (the number of bytes), written by the save command and
// applied when the list has been built (ScanTargets::ApplyTicks).
#pragma once
#include <string>
#include <vector>

namespace dustrel {

// Writes the bytes and, only when that succeeded, the count. False when the
// bytes could not be written (nothing else is written then).
bool SaveSelection(const std::vector<bool>& ticks);
// Reads both values; false (and `saved` untouched) when either is missing.
bool ReadSavedSelection(std::vector<bool>& saved);

}  // namespace dustrel
