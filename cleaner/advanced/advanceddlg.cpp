#include "advanceddlg.h"

#include <commctrl.h>

#include "inifile.h"
#include "resource.h"
#include "texts.h"
#include "tippage.h"

namespace dustrel {

namespace {
const char kIni[] = "Dustrel.ini";
const int kBandHeight = 75;
const COLORREF kBandColour = RGB(90, 110, 180);
}  // namespace

INT_PTR AdvancedDialog::Run(HINSTANCE instance, HWND owner) {
  instance_ = instance;
  return DoModal(instance, IDD_RQDIALOG, owner);
}

BOOL AdvancedDialog::OnInit() {
  SetAppIcon(IDI_APP);
  static const suite::TextBinding kTexts[] = {{0, "IDD_RQDIALOG"},
                                              {IDC_STATICRQLOGO, "IDC_STATICRQLOGO"}};
  suite::ApplyTexts(Handle(), kIni, kTexts);
  band_ = CreateSolidBrush(kBandColour);

  tab_ = Item(IDC_ADVTAB);
  suite::InterfaceTexts texts(kIni);
  for (int i = 0; i < kPageCount; ++i) {
    std::string title = texts.Get("TabTitle", i);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = &title[0];
    SendMessageA(tab_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  // The first tab has the focus from the start, so the first change of focus
  // is a tab change like any other.
  TabCtrl_SetCurSel(tab_, 0);
  TabCtrl_SetCurFocus(tab_, 0);

  // Tab order: the factories in the order of the tabs.
  std::unique_ptr<AdvancedPage> (*const factories[kPageCount])() = {
      MakeRegistryBackupPage, MakeActiveXPage,    MakeActiveXBackupPage,
      MakeSoftwarePage,       MakeStartupPage,    MakeFileTypePage,
      MakeTimeZonePage,       MakeKeyboardLayoutPage, MakeCodePagePage};
  // Pages sit at the left edge of the first tab and one pixel below it, and
  // fill the rest of the tab control.
  RECT first{}, client{};
  TabCtrl_GetItemRect(tab_, 0, &first);
  GetClientRect(tab_, &client);
  const int left = first.left, top = first.bottom + 1;
  for (int i = 0; i < kPageCount; ++i) {
    std::unique_ptr<AdvancedPage> page = factories[i]();
    if (page && page->Create(instance_, tab_) && page->Handle()) {
      HWND w = page->Handle();
      SetWindowLongPtrA(w, GWLP_ID, IDC_ADVPAGE0 + i);
      SetWindowPos(w, nullptr, left, top, client.right - left - 1, client.bottom - top - 1,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    } else {
      page.reset();  // the tab stays, empty
    }
    pages_.push_back(std::move(page));
  }
  ShowPage(0);

  // The tip strip over the band.
  RECT area{};
  GetClientRect(Handle(), &area);
  area.left += 5;
  area.right -= 5;
  area.top += 5;
  area.bottom = 68;
  suite::ShowTipStrip(Handle(), area, "AdvClean");
  return TRUE;
}

void AdvancedDialog::ShowPage(int index) {
  if (index < 0 || index >= kPageCount || index == shown_) return;
  if (shown_ >= 0 && pages_[shown_]) ShowWindow(pages_[shown_]->Handle(), SW_HIDE);
  shown_ = index;
  if (pages_[index]) {
    ShowWindow(pages_[index]->Handle(), SW_SHOW);
    SetFocus(pages_[index]->Handle());
  }
}

bool AdvancedDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom == tab_ && header->code == TCN_SELCHANGE) {
    ShowPage(TabCtrl_GetCurSel(tab_));
    result = 0;
    return true;
  }
  return false;
}

bool AdvancedDialog::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, LRESULT& result) {
  if (msg == WM_ERASEBKGND) {
    HDC dc = reinterpret_cast<HDC>(wp);
    RECT all{};
    GetClientRect(Handle(), &all);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    RECT band = all;
    band.bottom = kBandHeight;
    FillRect(dc, &band, band_);
    result = TRUE;
    return true;
  }
  return false;
}

void AdvancedDialog::OnDestroy() {
  // Each page stops its own work as its window goes.
  for (auto& page : pages_)
    if (page && page->Handle() && IsWindow(page->Handle())) DestroyWindow(page->Handle());
  if (band_) DeleteObject(band_);
  band_ = nullptr;
}

}  // namespace dustrel
