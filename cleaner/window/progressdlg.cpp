#include "progressdlg.h"

#include <commctrl.h>

#include "inifile.h"
#include "resource.h"
#include "text.h"
#include "texts.h"

namespace dustrel {

namespace {

const UINT_PTR kAnimationTimer = 1;
const UINT kAnimationMs = 250;
const char kIni[] = "Dustrel.ini";
const char kCleanTitle[] = "正在清理";

// Frame k of the scan picture: a disk with a sweep that turns a third each frame.
void DrawFrame(const DRAWITEMSTRUCT& item, int frame) {
  HDC dc = item.hDC;
  const RECT& r = item.rcItem;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const int size = (r.right - r.left < r.bottom - r.top ? r.right - r.left : r.bottom - r.top) - 2;
  const int left = r.left + 1, top = r.top + 1;
  HBRUSH disk = CreateSolidBrush(RGB(90, 120, 200));
  HGDIOBJ old = SelectObject(dc, disk);
  Ellipse(dc, left, top, left + size, top + size);
  SelectObject(dc, old);
  DeleteObject(disk);
  HBRUSH sweep = CreateSolidBrush(RGB(250, 210, 60));
  old = SelectObject(dc, sweep);
  const int cx = left + size / 2, cy = top + size / 2;
  static const POINT kEdge[3][2] = {{{0, -1}, {1, 0}}, {{1, 1}, {-1, 1}}, {{-1, 0}, {0, -1}}};
  const int f = frame % 3;
  Pie(dc, left, top, left + size, top + size, cx + kEdge[f][1].x * size, cy + kEdge[f][1].y * size,
      cx + kEdge[f][0].x * size, cy + kEdge[f][0].y * size);
  SelectObject(dc, old);
  DeleteObject(sweep);
}

}  // namespace

BOOL ScanProgressDialog::OnInit() {
  static const suite::TextBinding kTexts[] = {
      {0, "IDD_DIALOG_DH"},
      {IDC_STATICSCANOBJECT, "IDC_STATICSCANOBJECT"},
      {IDC_SCANDISKPLAY, "IDC_SCANDISKPLAY"},
      {IDC_BUTTONCANCELINDH, "IDC_BUTTONCANCELINDH"}};
  suite::ApplyTexts(Handle(), kIni, kTexts);
  SetBarRange(IDC_SCANPROGRESS, 0, 10);
  SetBarPosition(IDC_SCANPROGRESS, 0);
  SetTimer(Handle(), kAnimationTimer, kAnimationMs, nullptr);
  return TRUE;
}

void ScanProgressDialog::SetPath(const std::string& path) {
  if (Exists()) SetItemText(IDC_SCANPATH, path);
}

bool ScanProgressDialog::OnCommand(int id, int code, HWND) {
  if ((id == IDC_BUTTONCANCELINDH && code == BN_CLICKED) || id == IDCANCEL) {
    Cancel();
    return true;
  }
  return false;
}

void ScanProgressDialog::Cancel() {
  KillTimer(Handle(), kAnimationTimer);
  // The handler may destroy this window (and with it this object's window
  // handle): nothing touches the window after it.
  std::function<void()> cancel = onCancel_;
  if (cancel) cancel();
}

bool ScanProgressDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_TIMER && wp == kAnimationTimer) {
    frame_ = (frame_ + 1) % 3;
    position_ = position_ >= 10 ? 0 : position_ + 1;
    SetBarPosition(IDC_SCANPROGRESS, position_);
    InvalidateRect(Item(IDC_SCANANIMATION), nullptr, FALSE);
    result = 0;
    return true;
  }
  if (msg == WM_DRAWITEM && wp == IDC_SCANANIMATION) {
    DrawFrame(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), frame_);
    result = TRUE;
    return true;
  }
  if (msg == WM_CLOSE) {
    Cancel();
    result = 0;
    return true;
  }
  return false;
}

void ScanProgressDialog::OnDestroy() { KillTimer(Handle(), kAnimationTimer); }

BOOL CleanProgressDialog::OnInit() {
  SetCaption(kCleanTitle);
  SetRange(0);
  UpdateCaption();
  return TRUE;
}

void CleanProgressDialog::SetStatus(const std::string& text) {
  if (Exists()) SetItemText(IDC_CLEANSTATUS, text);
}

void CleanProgressDialog::SetRange(int range) {
  range_ = range < 0 ? 0 : range;
  position_ = 0;
  if (!Exists()) return;
  SetBarRange(IDC_CLEANPROGRESS, 0, range_);
  SetBarPosition(IDC_CLEANPROGRESS, 0);
  UpdateCaption();
}

void CleanProgressDialog::SetPosition(int position) {
  position_ = position < 0 ? 0 : (position > range_ ? range_ : position);
  if (!Exists()) return;
  SetBarPosition(IDC_CLEANPROGRESS, position_);
  UpdateCaption();
}

void CleanProgressDialog::UpdateCaption() {
  const int percent = range_ > 0 ? static_cast<int>(static_cast<long long>(position_) * 100 / range_) : 0;
  // Redrawn only when the whole percent changes.
  if (percent == shownPercent_ || !Exists()) return;
  shownPercent_ = percent;
  SetCaption(suite::Format("%s [%d%%]", kCleanTitle, percent));
}

}  // namespace dustrel
