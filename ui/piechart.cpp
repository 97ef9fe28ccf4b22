#include "piechart.h"

#include <cmath>

namespace suite {

namespace {

const double kPi = 3.14159265358979323846;

POINT OnCircle(int cx, int cy, int r, double degreesFromTop) {
  const double a = degreesFromTop * kPi / 180.0;
  return POINT{cx + static_cast<LONG>(std::lround(r * std::sin(a))),
               cy - static_cast<LONG>(std::lround(r * std::cos(a)))};
}

}  // namespace

int PieDegrees(unsigned long long part, unsigned long long total) {
  if (total == 0) return 0;
  if (part >= total) return 360;
  // part < total, so part * 360 overflows only for parts above 2^55 bytes/MB.
  return static_cast<int>(part * 360ULL / total);
}

void DrawPieChart(HDC dc, const RECT& area, const std::string& title,
                  const std::vector<PieSlice>& slices) {
  const int saved = SaveDC(dc);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int line = metrics.tmHeight + 2;

  RECT text = area;
  if (!title.empty()) {
    text.bottom = text.top + line;
    DrawTextA(dc, title.c_str(), -1, &text, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  const int top = area.top + (title.empty() ? 0 : line) + 2;
  const int legend = static_cast<int>(slices.size()) * line + 4;
  const int width = area.right - area.left;
  const int height = area.bottom - top - legend;
  const int diameter = (width < height ? width : height) - 4;

  unsigned long long total = 0;
  for (const PieSlice& s : slices) total += s.value;

  if (diameter > 8) {
    const int r = diameter / 2;
    const int cx = area.left + width / 2;
    const int cy = top + 2 + r;
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(64, 64, 64));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (total == 0) {
      SelectObject(dc, GetStockObject(WHITE_BRUSH));
      Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
    } else {
      int start = 0;
      for (size_t i = 0; i < slices.size(); ++i) {
        const int sweep = i + 1 == slices.size() ? 360 - start : PieDegrees(slices[i].value, total);
        if (sweep <= 0) continue;
        HBRUSH brush = CreateSolidBrush(slices[i].colour);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        if (sweep >= 360) {
          Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
        } else {
          // Pie() runs counter-clockwise from the first radial to the second,
          // so a clockwise slice from `start` goes from its end to its start.
          const POINT from = OnCircle(cx, cy, r, start + sweep);
          const POINT to = OnCircle(cx, cy, r, start);
          Pie(dc, cx - r, cy - r, cx + r, cy + r, from.x, from.y, to.x, to.y);
        }
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
        start += sweep;
      }
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }

  int y = area.bottom - legend + 4;
  for (const PieSlice& s : slices) {
    const int box = line - 4;
    RECT square{area.left + 4, y + 1, area.left + 4 + box, y + 1 + box};
    HBRUSH brush = CreateSolidBrush(s.colour);
    FillRect(dc, &square, brush);
    DeleteObject(brush);
    FrameRect(dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT label{square.right + 4, y, area.right, y + line};
    DrawTextA(dc, s.label.c_str(), -1, &label, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    y += line;
  }
  RestoreDC(dc, saved);
}

}  // namespace suite
