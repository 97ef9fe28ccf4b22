// The notification-area icon of a window: added once, removed when the object
// goes or Remove() is called. Clicks on the icon reach the owner as its
// callback message (lParam: the mouse message), on the owner's thread.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace suite {

class TrayIcon {
 public:
  TrayIcon() = default;
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // The tooltip is cut to the 127 bytes the shell keeps. False when the shell
  // refused the icon (the program carries on without it).
  bool Add(HWND owner, UINT callbackMessage, HICON icon, const std::string& tooltip);
  void Remove();
  bool Shown() const { return shown_; }

 private:
  HWND owner_ = nullptr;
  bool shown_ = false;
};

// A pop-up menu of (command, text) entries at the cursor; returns the chosen
// command or 0. An empty text makes a separator.
int ShowPopupMenu(HWND owner, const std::vector<std::pair<int, std::string>>& entries);

}  // namespace suite
