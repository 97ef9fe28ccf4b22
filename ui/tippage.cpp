#include "tippage.h"

#include <objbase.h>

#include "inifile.h"
#include "sysinfo.h"
#include "text.h"

namespace suite {

namespace {

const char kTextClass[] = "SuiteTipText";
const char kFontProp[] = "SuiteTipFont";
const COLORREF kBackground = RGB(238, 244, 251);  // the page's own background
const COLORREF kFrame = RGB(168, 188, 214);

LRESULT CALLBACK TipTextProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFONT:
      SetPropA(hwnd, kFontProp, reinterpret_cast<HANDLE>(wp));
      if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropA(hwnd, kFontProp));
    case WM_SETTEXT: {
      const LRESULT done = DefWindowProcA(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, TRUE);
      return done;
    }
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH back = CreateSolidBrush(kBackground);
      FillRect(dc, &r, back);
      DeleteObject(back);
      HBRUSH frame = CreateSolidBrush(kFrame);
      FrameRect(dc, &r, frame);
      DeleteObject(frame);
      const int length = GetWindowTextLengthA(hwnd);
      std::string text(static_cast<size_t>(length) + 1, '\0');
      GetWindowTextA(hwnd, &text[0], length + 1);
      text.resize(static_cast<size_t>(length));
      HGDIOBJ oldFont = nullptr;
      if (HANDLE font = GetPropA(hwnd, kFontProp)) oldFont = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      InflateRect(&r, -5, -4);
      DrawTextA(dc, text.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
      if (oldFont) SelectObject(dc, oldFont);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_NCDESTROY:
      RemovePropA(hwnd, kFontProp);
      break;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Wine's browser control can be created but shows nothing without its
// browser engine, which it cannot fetch here: under Wine the strip is text.
bool BrowserShowsNothing() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool RegisterTextClass(HINSTANCE instance) {
  WNDCLASSA existing{};
  if (GetClassInfoA(instance, kTextClass, &existing)) return true;
  WNDCLASSA cls{};
  cls.lpfnWndProc = TipTextProc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
  cls.lpszClassName = kTextClass;
  return RegisterClassA(&cls) != 0;
}

}  // namespace

HWND ShowTipPage(HWND parent, const RECT& area, const std::string& pageName) {
  const std::string page = ProgramFolderPath(pageName);
  if (GetFileAttributesA(page.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  // A system library, loaded from the system folder by its full path: never
  // a file of that name beside the program or in the current folder. It stays
  // loaded until the process ends: the host windows' class and the sites the
  // browser holds live in it.
  static HMODULE atl = LoadLibraryA(JoinPath(SystemFolder(), "atl.dll").c_str());
  if (!atl) return nullptr;
  using InitFn = BOOL(WINAPI*)();
  auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
  if (!init || !init()) return nullptr;
  // The host window creates the browser for a URL given as its title.
  const std::string url = "file:///" + page;
  HWND host = CreateWindowExA(0, "AtlAxWin", url.c_str(), WS_CHILD | WS_VISIBLE, area.left,
                              area.top, area.right - area.left, area.bottom - area.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTipStripId)),
                              GetModuleHandleA(nullptr), nullptr);
  if (!host) return nullptr;
  // A host whose browser could not be made holds no control: no strip.
  using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
  auto getControl = reinterpret_cast<GetControlFn>(
      reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
  IUnknown* control = nullptr;
  if (!getControl || FAILED(getControl(host, &control)) || !control) {
    DestroyWindow(host);
    return nullptr;
  }
  control->Release();
  return host;
}

HWND ShowTipStrip(HWND parent, const RECT& area, const std::string& tipKey) {
  if (!BrowserShowsNothing())
    if (HWND browser = ShowTipPage(parent, area)) return browser;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterTextClass(instance)) return nullptr;
  const std::string text = GetInterfaceText("TipList.ini", tipKey);
  HWND strip = CreateWindowExA(0, kTextClass, text.c_str(), WS_CHILD | WS_VISIBLE, area.left,
                               area.top, area.right - area.left, area.bottom - area.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTipStripId)),
                               instance, nullptr);
  if (strip)
    SendMessageA(strip, WM_SETFONT, SendMessageA(parent, WM_GETFONT, 0, 0), FALSE);
  return strip;
}

}  // namespace suite
