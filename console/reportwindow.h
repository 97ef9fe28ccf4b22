// The console's report window: the system figures before and after a run
// (with the Recycle Bin's emptying) on one page, each step's log on the other.
#pragma once
#include <windows.h>

#include <string>

#include "performance.h"

namespace suite::console {

// Shows the report modally over owner.
void ShowReport(const SystemFigures& before, const DiskFigures& diskBefore,
                const std::string& folder, HWND owner);

}  // namespace suite::console
