// The tip strip: the page "SubPro.htm" beside the program, shown in the
// system's web-browser control through its ActiveX host window. Where the
// browser cannot be created (no browser engine installed) the strip stays
// empty and the program carries on without it.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

// Creates the browser child of `parent` in `area` (client coordinates) showing
// `pageName` from the program folder. Returns the host window, or nullptr.
HWND ShowTipPage(HWND parent, const RECT& area, const std::string& pageName = "SubPro.htm");

}  // namespace suite
