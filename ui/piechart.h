// A pie chart drawn with GDI: a circle cut into slices, with a legend of one
// coloured square and label per slice under it. Windows host it in an
// owner-drawn static control and call DrawPieChart from WM_DRAWITEM.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace suite {

struct PieSlice {
  unsigned long long value = 0;
  COLORREF colour = RGB(0, 0, 0);
  std::string label;
};

// The angle in whole degrees of `part` out of `total` (part × 360 / total),
// clamped to 0..360; 0 when the total is 0.
int PieDegrees(unsigned long long part, unsigned long long total);

// Draws the title (may be empty) at the top, the pie, and the legend into
// `area` of `dc`. Slices are laid out clockwise from twelve o'clock in order;
// the last slice takes what the earlier ones leave, so rounding never leaves a gap.
void DrawPieChart(HDC dc, const RECT& area, const std::string& title,
                  const std::vector<PieSlice>& slices);

}  // namespace suite
