// The advanced tools window ("Dustrel.exe -Advanced"): a modal window with
// nine tabbed pages (registry backup, ActiveX controls and backups, leftover
// software, startup entries, file types, time zones, keyboard layouts, code
// pages), the tip strip at the top and a coloured top band.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "dialog.h"
#include "pages.h"

namespace dustrel {

class AdvancedDialog : public suite::Dialog {
 public:
  static const int kPageCount = 9;
  // Shows the window modally over `owner`; returns when it is closed.
  INT_PTR Run(HINSTANCE instance, HWND owner);

 protected:
  BOOL OnInit() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void OnDestroy() override;

 private:
  void ShowPage(int index);

  HINSTANCE instance_ = nullptr;
  HWND tab_ = nullptr;
  std::vector<std::unique_ptr<AdvancedPage>> pages_;
  int shown_ = -1;
  HBRUSH band_ = nullptr;
};

}  // namespace dustrel
