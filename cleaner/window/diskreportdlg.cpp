#include "diskreportdlg.h"

#include <vector>

#include "piechart.h"
#include "resource.h"

namespace dustrel {

namespace {

const COLORREF kUsedColour = RGB(60, 90, 200);
const COLORREF kFreeColour = RGB(40, 180, 60);

std::vector<suite::PieSlice> Slices(const PieFigures& p) {
  return {suite::PieSlice{p.usedMb, kUsedColour, p.usedLabel},
          suite::PieSlice{p.freeMb, kFreeColour, p.freeLabel}};
}

}  // namespace

BOOL DiskReportDialog::OnInit() {
  SetCaption("磁盘清理报告");
  SetItemText(IDC_REPORTTEXT, summary_);
  return TRUE;
}

bool DiskReportDialog::OnCommand(int id, int code, HWND) {
  if (id == IDOK && code == BN_CLICKED) {
    End(IDOK);
    return true;
  }
  return false;
}

bool DiskReportDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg != WM_DRAWITEM || (wp != IDC_PIEBEFORE && wp != IDC_PIEAFTER)) return false;
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
  FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
  if (wp == IDC_PIEBEFORE)
    suite::DrawPieChart(item->hDC, item->rcItem, "清理前", Slices(before_));
  else
    suite::DrawPieChart(item->hDC, item->rcItem, "清理后", Slices(after_));
  result = TRUE;
  return true;
}

}  // namespace dustrel
