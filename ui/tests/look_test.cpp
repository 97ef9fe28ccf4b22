// The console's white look and the tip strip's stand-in text control.
#include <windows.h>

#include <gtest/gtest.h>

#include "drawn.h"
#include "tippage.h"

namespace {

// A 64x24 32-bit drawing surface, white-filled after `paint`'s colours are checked.
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap;
  HGDIOBJ old;
  Canvas() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  DWORD At(int x, int y) {
    GdiFlush();
    return static_cast<const DWORD*>(bits)[y * 64 + x] & 0xFFFFFF;
  }
};

TEST(WhiteLook, DialogStaticsButtonsAndStepButtonsAreWhiteWithBlackText) {
  Canvas canvas;
  for (UINT msg : {WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}) {
    SetTextColor(canvas.dc, RGB(1, 2, 3));
    LRESULT brush = 0;
    ASSERT_TRUE(suite::AnswerWhiteLook(msg, reinterpret_cast<WPARAM>(canvas.dc), brush)) << msg;
    EXPECT_EQ(GetTextColor(canvas.dc), RGB(0, 0, 0));
    RECT all{0, 0, 64, 24};
    FillRect(canvas.dc, &all, reinterpret_cast<HBRUSH>(brush));
    EXPECT_EQ(canvas.At(32, 12), 0xFFFFFFu) << msg;
  }
  LRESULT untouched = 7;
  EXPECT_FALSE(suite::AnswerWhiteLook(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(canvas.dc), untouched));
  EXPECT_EQ(untouched, 7);

  // A step button and the gauge: white beside their marks and cells.
  DRAWITEMSTRUCT item{};
  item.hDC = canvas.dc;
  item.rcItem = {0, 0, 64, 24};
  for (auto image : {suite::ButtonImage::On, suite::ButtonImage::Off, suite::ButtonImage::Running,
                     suite::ButtonImage::Done}) {
    suite::DrawStateButton(item, image);
    EXPECT_EQ(canvas.At(3, 3), 0xFFFFFFu);
    EXPECT_EQ(canvas.At(60, 20), 0xFFFFFFu);
  }
  suite::DrawGauge(item, 3);
  EXPECT_EQ(canvas.At(1, 1), 0xFFFFFFu);
}

TEST(TipStrip, WithoutABrowserTheTextControlTakesThePlaceAndSize) {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  const RECT area{138, 5, 395, 68};
  HWND strip = suite::ShowTipStrip(parent, area, "NoSuchKey");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(GetDlgItem(parent, suite::kTipStripId), strip);
  RECT placed;
  GetWindowRect(strip, &placed);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_TRUE(EqualRect(&placed, &area));
  EXPECT_TRUE(IsWindowVisible(strip) || !IsWindowVisible(parent));
  // No "TipList.ini" beside the tests: the empty text, and the text a window sets shows.
  EXPECT_EQ(GetWindowTextLengthA(strip), 0);
  SetWindowTextA(strip, "小提示");
  char text[32] = {};
  GetWindowTextA(strip, text, sizeof text);
  EXPECT_STREQ(text, "小提示");
  DestroyWindow(parent);
}

}  // namespace
