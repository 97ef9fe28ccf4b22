// The tip strip: the page "SubPro.htm" beside the program, shown in the
// system's web-browser control through its ActiveX host window. Where the
// browser cannot be created (no browser engine installed, as under Wine) the
// strip shows the window's tip text from "TipList.ini" in a plain text control
// of the same place and size.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

// The control identifier of the strip (browser host or text control).
constexpr int kTipStripId = 1999;

// The tip strip of `parent` in `area` (client coordinates): the browser
// showing "SubPro.htm", else the text of `tipKey` in section "Resource" of
// "TipList.ini" beside the program. Returns the strip's window, or nullptr.
HWND ShowTipStrip(HWND parent, const RECT& area, const std::string& tipKey);

// The browser part alone: creates the browser child of `parent` in `area`
// showing `pageName` from the program folder. Returns the host window, or nullptr.
HWND ShowTipPage(HWND parent, const RECT& area, const std::string& pageName = "SubPro.htm");

}  // namespace suite
