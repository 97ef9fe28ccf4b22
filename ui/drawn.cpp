#include "drawn.h"

#include <commctrl.h>

#include <algorithm>

namespace suite {

namespace {

const char kBubbleProp[] = "SuiteHintBubble";
const char kBubbleFontProp[] = "SuiteHintBubbleFont";

COLORREF MarkColour(ButtonImage image) {
  switch (image) {
    case ButtonImage::On: return RGB(40, 150, 60);
    case ButtonImage::Off: return RGB(170, 170, 170);
    case ButtonImage::Running: return RGB(230, 150, 20);
    case ButtonImage::Done: return RGB(40, 100, 200);
  }
  return RGB(0, 0, 0);
}

}  // namespace

bool AnswerWhiteLook(UINT msg, WPARAM wp, LRESULT& result) {
  if (msg != WM_CTLCOLORDLG && msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN) return false;
  HDC dc = reinterpret_cast<HDC>(wp);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  return true;
}

HIMAGELIST LoadIconList(HMODULE module, const int* ids, size_t count, UINT colour) {
  HIMAGELIST images = ImageList_Create(16, 16, colour | ILC_MASK, static_cast<int>(count), 1);
  if (!images) return nullptr;
  for (size_t n = 0; n < count; ++n) {
    HICON icon = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(ids[n]), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    if (!icon)
      icon = static_cast<HICON>(
          LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    if (icon) {
      ImageList_AddIcon(images, icon);
      DestroyIcon(icon);
    } else {
      // Keeps the images in step with the ids (a shared icon: not destroyed).
      ImageList_AddIcon(images, LoadIcon(nullptr, IDI_APPLICATION));
    }
  }
  return images;
}

void DrawStateButton(const DRAWITEMSTRUCT& item, ButtonImage image) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  // The console's look: white, with black text (grey when disabled).
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawEdge(dc, &r, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  const int h = r.bottom - r.top, w = r.right - r.left;
  const int d = std::max(6, std::min(h, w) - 6);
  // The mark is centred when the button has no room for its text beside it.
  const bool withText = w >= d + 24;
  const int left = withText ? r.left + 4 : r.left + (w - d) / 2;
  RECT mark{left, r.top + (h - d) / 2, left + d, r.top + (h - d) / 2 + d};
  HBRUSH brush = CreateSolidBrush(MarkColour(image));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, mark.left, mark.top, mark.right, mark.bottom);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);

  // A tick for on and done, a cross for off, a dot for running.
  HPEN pen = CreatePen(PS_SOLID, std::max(1, d / 6), RGB(255, 255, 255));
  oldPen = SelectObject(dc, pen);
  const int cx = (mark.left + mark.right) / 2, cy = (mark.top + mark.bottom) / 2, q = d / 4;
  switch (image) {
    case ButtonImage::On:
    case ButtonImage::Done:
      MoveToEx(dc, cx - q, cy, nullptr);
      LineTo(dc, cx - q / 3, cy + q);
      LineTo(dc, cx + q, cy - q);
      break;
    case ButtonImage::Off:
      MoveToEx(dc, cx - q, cy - q, nullptr);
      LineTo(dc, cx + q, cy + q);
      MoveToEx(dc, cx + q, cy - q, nullptr);
      LineTo(dc, cx - q, cy + q);
      break;
    case ButtonImage::Running:
      Ellipse(dc, cx - q / 2, cy - q / 2, cx + q / 2, cy + q / 2);
      break;
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);

  if (withText) {
    char text[128] = {};
    GetWindowTextA(item.hwndItem, text, sizeof text);
    RECT textRect{mark.right + 4, r.top, r.right - 2, r.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (item.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0));
    DrawTextA(dc, text, -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  if (item.itemState & ODS_FOCUS) {
    RECT f = r;
    InflateRect(&f, -3, -3);
    DrawFocusRect(dc, &f);
  }
}

void DrawGauge(const DRAWITEMSTRUCT& item, int level) {
  level = std::max(0, std::min(level, 10));
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int width = r.right - r.left, gap = 2;
  const int cell = std::max(1, (width - 11 * gap) / 10);
  for (int i = 0; i < 10; ++i) {
    RECT c{r.left + gap + i * (cell + gap), r.top + 2, r.left + gap + i * (cell + gap) + cell,
           r.bottom - 2};
    // Red at the low end to green at the top, grey for the unlit cells.
    const COLORREF colour =
        i < level ? RGB(220 - i * 20, 60 + i * 16, 40) : RGB(225, 225, 225);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &c, brush);
    DeleteObject(brush);
  }
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

void ShowHintBubble(HWND owner, const std::string& text, POINT at) {
  HWND old = static_cast<HWND>(GetPropA(owner, kBubbleProp));
  if (old && IsWindow(old)) DestroyWindow(old);
  HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_BALLOON, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  SetPropA(owner, kBubbleProp, tip);
  if (!tip) return;
  HFONT font = static_cast<HFONT>(GetPropA(owner, kBubbleFontProp));
  if (!font) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "Verdana");
    SetPropA(owner, kBubbleFontProp, font);
  }
  if (font) SendMessageA(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  TOOLINFOA info{};
  info.cbSize = sizeof info;
  info.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(owner);
  info.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 300);
  SendMessageA(tip, TTM_SETTIPBKCOLOR, RGB(255, 255, 225), 0);
  SendMessageA(tip, TTM_SETTIPTEXTCOLOR, RGB(0, 0, 0), 0);
  ClientToScreen(owner, &at);
  SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
  SetWindowTextA(tip, text.c_str());
}

void HideHintBubble(HWND owner) {
  HWND tip = static_cast<HWND>(GetPropA(owner, kBubbleProp));
  if (tip && IsWindow(tip)) DestroyWindow(tip);
  SetPropA(owner, kBubbleProp, nullptr);
}

std::string HintBubbleText(HWND owner) {
  HWND tip = static_cast<HWND>(GetPropA(owner, kBubbleProp));
  if (!tip || !IsWindow(tip)) return std::string();
  char text[512] = {};
  GetWindowTextA(tip, text, sizeof text);
  return text;
}

}  // namespace suite
