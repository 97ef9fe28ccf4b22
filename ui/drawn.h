// Small images drawn with GDI instead of bitmap resources: the state button
// (on, off, running, done), the ten-image score gauge, and the hint bubble;
// the white look of the console's windows; image lists of icon resources.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>

namespace suite {

enum class ButtonImage { On, Off, Running, Done };

// The console's look: white background, black text. A dialog's message
// handler passes every message here first; the colour questions of the
// dialog and its statics and buttons (WM_CTLCOLORDLG/STATIC/BTN) are answered
// with `result` set to the white brush, and true is returned.
bool AnswerWhiteLook(UINT msg, WPARAM wp, LRESULT& result);

// An image list of 16x16 icons, image n from icon resource ids[n] of
// `module` (the 16x16 picture of the resource, not a shrunk 32x32 one). An id
// the module lacks takes the module's icon 1 (the program's own icon), or the
// system's application icon.
HIMAGELIST LoadIconList(HMODULE module, const int* ids, size_t count,
                        UINT colour = ILC_COLOR32);
template <size_t N>
HIMAGELIST LoadIconList(HMODULE module, const int (&ids)[N], UINT colour = ILC_COLOR32) {
  return LoadIconList(module, ids, N, colour);
}

// Draws an owner-drawn button (BS_OWNERDRAW) in the look of `image`, with the
// button's own text beside the mark.
void DrawStateButton(const DRAWITEMSTRUCT& item, ButtonImage image);

// Draws an owner-drawn static as gauge image `level` (0 = empty .. 10 = full).
void DrawGauge(const DRAWITEMSTRUCT& item, int level);

// A hint bubble (balloon tooltip) over `owner` at client position `at` with
// the font Verdana 8 pt. One bubble per owner: a new one replaces the old.
// The bubble is a child of the owner's lifetime and goes with it.
void ShowHintBubble(HWND owner, const std::string& text, POINT at);
// Removes the owner's bubble, if any.
void HideHintBubble(HWND owner);
// The text of the owner's bubble (empty when none), for tests and redraws.
std::string HintBubbleText(HWND owner);

}  // namespace suite
