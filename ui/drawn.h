// Small images drawn with GDI instead of bitmap resources: the state button
// (on, off, running, done), the ten-image score gauge, and the hint bubble.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

enum class ButtonImage { On, Off, Running, Done };

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
