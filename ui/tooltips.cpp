#include "tooltips.h"

#include <commctrl.h>

namespace suite {

ButtonTooltips::~ButtonTooltips() {
  if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
}

bool ButtonTooltips::Add(HWND dialog, int controlId, const std::string& text) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control || text.empty()) return false;
  if (!tip_) {
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    if (!tip_) return false;
    SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 300);
  }
  TTTOOLINFOA info{};
  // The size of the pre-6.0 record: older common controls refuse the larger one.
  info.cbSize = TTTOOLINFOA_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = dialog;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<char*>(text.c_str());
  if (!SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info))) return false;
  ++count_;
  return true;
}

}  // namespace suite
