// Hivemend's unattended pass ("-Auto") without any window.
#pragma once
#include <string>
#include <vector>

#include "scanengine.h"

namespace hivemend {

// Scans (the categories ticked in `settings`), pre-selects, backs every row
// up, repairs the ticked rows the backup holds exactly and writes the
// cleaning log with the entries really gone; returns them. Nothing is
// repaired when the backup could not be written; an empty result writes
// neither backup nor log.
std::vector<std::string> RunUnattendedPass(const ScanSettings& settings);

}  // namespace hivemend
