#include "trayicon.h"

#include <shellapi.h>

#include <cstring>

namespace suite {

namespace {
const UINT kIconId = 1;
}

bool TrayIcon::Add(HWND owner, UINT callbackMessage, HICON icon, const std::string& tooltip) {
  Remove();
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = kIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callbackMessage;
  data.hIcon = icon;
  const size_t n = tooltip.size() < sizeof data.szTip - 1 ? tooltip.size() : sizeof data.szTip - 1;
  std::memcpy(data.szTip, tooltip.data(), n);
  data.szTip[n] = '\0';
  owner_ = owner;
  shown_ = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
  return shown_;
}

void TrayIcon::Remove() {
  if (!shown_) return;
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner_;
  data.uID = kIconId;
  Shell_NotifyIconA(NIM_DELETE, &data);
  shown_ = false;
}

int ShowPopupMenu(HWND owner, const std::vector<std::pair<int, std::string>>& entries) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return 0;
  for (const auto& e : entries) {
    if (e.second.empty())
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(e.first), e.second.c_str());
  }
  POINT at;
  GetCursorPos(&at);
  // The owner must be the foreground window, or the menu stays open when the
  // user clicks elsewhere (notification-area menus).
  SetForegroundWindow(owner);
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
                                    at.y, 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  return chosen;
}

}  // namespace suite
