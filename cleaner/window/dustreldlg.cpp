#include "dustreldlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <numeric>

#include "advanced/advanceddlg.h"
#include "diskreportdlg.h"
#include "drawn.h"
#include "inifile.h"
#include "optionsdlg.h"
#include "options.h"
#include "reportfigures.h"
#include "resource.h"
#include "sysinfo.h"
#include "text.h"
#include "texts.h"
#include "selection.h"
#include "shellglue.h"

namespace dustrel {

namespace {

const char kIni[] = "Dustrel.ini";
const UINT kTrayMessage = 1230;
const UINT_PTR kTopmostTimer = 3;
const char kCompanionArgument[] = "/show";  // anything but "-Auto" opens their window
const char kHardStopText[] = "扫描中止!";
const char kCleanDoneText[] = "所有清理工作完成！";
const int kListButtons[] = {IDC_SELECTALLBT, IDC_ALLNOBT, IDC_NOITEMBT, IDC_INFOITEMBT};

// State images of the result list: 1 unticked, 2 ticked (the virtual list
// keeps its ticks in the model and draws them from here).
HIMAGELIST MakeTickImages() {
  const int size = 16;
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24, 2, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  for (int checked = 0; checked < 2; ++checked) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, size, size};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    RECT box{2, 2, size - 1, size - 1};
    DrawFrameControl(dc, &box, DFC_BUTTON,
                     DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
    SelectObject(dc, old);
    ImageList_Add(images, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return images;
}

void CentreOnScreen(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(hwnd, HWND_TOPMOST, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE);
}

}  // namespace

// ---------------------------------------------------------------- start-up

BOOL DustrelDialog::OnInit() {
  icon_ = SetAppIcon(IDI_APP);
  static const suite::TextBinding kTexts[] = {
      {0, "strMainDlg"},
      {IDC_STATICBAR, "IDC_STATICBAR"},
      {IDC_SELECTALLBT, "IDC_SELECTALLBT"},
      {IDC_ALLNOBT, "IDC_ALLNOBT"},
      {IDC_NOITEMBT, "IDC_NOITEMBT"},
      {IDC_INFOITEMBT, "IDC_INFOITEMBT"},
      {IDC_SCANBT, "IDC_SCANBT"},
      {IDC_DELETEBT, "IDC_DELETEBT"},
      {IDC_ADDTYPEBT, "IDC_ADDTYPEBT"},
      {IDC_ACTIVEXBT, "IDC_ACTIVEXBT"},
      {IDOK, "IDOKMAIN"}};
  suite::ApplyTexts(Handle(), kIni, kTexts);
  SetItemText(IDC_FAVORITEBT, "收藏清理");
  SetItemText(IDC_SHORTCUTBT, "快捷清理");

  suite::InterfaceTexts texts(kIni);

  const bool silent = mode_ == ShellMode::Auto || mode_ == ShellMode::Track;
  if (mode_ == ShellMode::Advanced) {
    // Straight into the advanced tools; the program ends when they close.
    SetItemText(IDC_STATICBAR, texts.Get("strAdvWait"));
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // the wait cursor
    AdvancedDialog advanced;
    advanced.Run(GetModuleHandleA(nullptr), Handle());
    End(0);
    return TRUE;
  }
  if (!silent) {
    tray_.Add(Handle(), kTrayMessage, icon_, texts.Get("strAdsDlg"));
    static const std::pair<int, const char*> kTips[] = {
        {IDC_SCANBT, "m_scanbt"},        {IDC_DELETEBT, "m_deletebt"},
        {IDC_ADDTYPEBT, "m_addtypebt"},  {IDOK, "m_exitbt"},
        {IDC_ACTIVEXBT, "m_activexbt"},  {IDC_SELECTALLBT, "m_allbt"},
        {IDC_ALLNOBT, "m_noallbt"},      {IDC_INFOITEMBT, "m_infoitembt"},
        {IDC_NOITEMBT, "m_noitembt"}};
    for (const auto& tip : kTips) tips_.Add(Handle(), tip.first, texts.Get(tip.second));
  }

  ShowResults(false);
  BuildResultList();
  BuildTargetList();

  switch (mode_) {
    case ShellMode::Window:
      CentreOnScreen(Handle());
      SetTimer(Handle(), kTopmostTimer, 200, nullptr);
      break;
    case ShellMode::Auto:
    case ShellMode::Track: {
      const bool track = mode_ == ShellMode::Track;
      const ScanTargets targets = CurrentTargets();
      RunUnattended([this, track, targets] {
        Post([this] { ShowResults(true); });
        // A failure (out of memory and the like) ends the process with
        // status 1 in RunUnattended: never a hidden program, never "done".
        RunSilentPass(track, targets, kIni);
      });
      break;
    }
    default:
      break;
  }
  return TRUE;
}

void DustrelDialog::BuildResultList() {
  results_.Attach(Item(IDC_RESULTLIST));
  results_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                            (suite::IsWin9x() ? LVS_EX_FLATSB : 0));
  results_.SetImages(MakeTickImages(), LVSIL_STATE);
  results_.SetCallbackMask(LVIS_STATEIMAGEMASK);
  suite::InterfaceTexts texts(kIni);
  const int widths[] = {150, 44, 200, 80, 160, 40};  // the second wide enough for its two-character heading
  for (int c = 0; c < 6; ++c)
    results_.AddColumn(c, c < 5 ? texts.Get("List1Item", c + 1) : std::string(), widths[c]);
}

void DustrelDialog::BuildTargetList() {
  targets_.Attach(Item(IDC_TARGETLIST));
  targets_.SetCheckboxStyle(suite::IsWin9x() ? LVS_EX_FLATSB : 0);
  static const int kTargetImages[] = {IDI_TARGET_IMAGES};
  targets_.SetImages(suite::LoadIconList(GetModuleHandleA(nullptr), kTargetImages));
  suite::InterfaceTexts texts(kIni);
  targets_.AddColumn(0, texts.Get("List2Item1"), 250);
  targets_.AddColumn(1, texts.Get("List2Item2"), 160);
  targets_.AddColumn(2, texts.Get("List2Item4"), 100);
  std::string status;
  targetRows_ = dustrel::BuildTargetList(kIni, status);
  for (const ScanTarget& row : targetRows_.rows) {
    const int i = targets_.AddRow({row.caption, row.column1, row.status}, row.image);
    targets_.SetChecked(i, row.checked);
  }
  if (!status.empty()) SetStatus(status);
}

std::vector<bool> DustrelDialog::TargetTicks() const {
  std::vector<bool> ticks;
  for (int i = 0, n = targets_.Count(); i < n; ++i) ticks.push_back(targets_.Checked(i));
  return ticks;
}

ScanTargets DustrelDialog::CurrentTargets() const {
  ScanTargets targets = targetRows_;
  targets.ApplyTicks(TargetTicks());
  return targets;
}

void DustrelDialog::ShowResults(bool results) {
  ShowWindow(Item(IDC_RESULTLIST), results ? SW_SHOW : SW_HIDE);
  ShowWindow(Item(IDC_TARGETLIST), results ? SW_HIDE : SW_SHOW);
  for (int id : kListButtons) ShowWindow(Item(id), results ? SW_SHOW : SW_HIDE);
}

void DustrelDialog::RefreshResults(bool keepTop) {
  results_.SetVirtualCount(model_.Size(), keepTop);
  if (!keepTop) results_.Repaint();
}

// ---------------------------------------------------------------- commands

bool DustrelDialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED && code != 0) return false;
  switch (id) {
    case IDC_SCANBT: StartScan(); return true;
    case IDC_DELETEBT: StartClean(); return true;
    case IDC_ADDTYPEBT: {
      OptionsDialog options;
      options.DoModal(GetModuleHandleA(nullptr), IDD_SETUPDLG, Handle());
      return true;
    }
    case IDC_ACTIVEXBT: SaveSelection(); return true;
    case IDC_SHORTCUTBT: StartCompanion("Snipwell.exe"); return true;
    case IDC_FAVORITEBT: StartCompanion("Marksift.exe"); return true;
    case IDC_SELECTALLBT: TickAllAsked(); return true;
    case IDC_ALLNOBT:
      if (cleaning_) return true;
      model_.SetAll(false);
      RefreshResults(true);
      results_.Repaint();
      return true;
    case IDC_NOITEMBT: FlipSelected(); return true;
    case IDC_INFOITEMBT: StopScanSoft(); return true;
    case IDOK:
    case ID_TRAY_CLOSE: Close(IDOK); return true;
    case IDCANCEL: Close(IDCANCEL); return true;
    case ID_VIEW: ViewFocused(); return true;
    case ID_DONOTOP: RemoveFocused(); return true;
    case ID_ALLSELECT:
      if (cleaning_) return true;
      model_.SetAll(true);
      results_.Repaint();
      return true;
    case ID_TRAY_POPUP:
      ShowWindow(Handle(), SW_SHOW);
      ShowWindow(Handle(), SW_RESTORE);
      SetForegroundWindow(Handle());
      return true;
  }
  return false;
}

void DustrelDialog::Close(INT_PTR code) {
  if (!cleaning_) {
    End(code);
    return;
  }
  // A running clean ends after the item it is at; the window keeps answering
  // meanwhile and closes when the run has handed back what stays.
  closing_ = true;
  closeCode_ = code;
  worker_.RequestStop();
  cleanPopup_.SetStatus(suite::GetInterfaceText(kIni, "strCleanStop"));
}

void DustrelDialog::StartCompanion(const char* exeName) {
  // Quoted, so a program folder with blanks stays one argument; not waited for.
  const std::string command =
      "\"" + suite::ProgramFolderPath(exeName) + "\" " + kCompanionArgument;
  WinExec(command.c_str(), SW_SHOWNORMAL);
}

void DustrelDialog::SaveSelection() {
  if (dustrel::SaveSelection(CurrentTargets()))
    Message(suite::GetInterfaceText(kIni, "strSaveOK"), "Save", MB_OK | MB_ICONINFORMATION);
}

void DustrelDialog::TickAllAsked() {
  if (cleaning_) return;
  const int answer = Message(
      "全部选择可能有一定危险性,是否继续?\n\n本工具扫描出的默认打勾的可以安全清除!", "警告",
      MB_YESNO | MB_ICONWARNING);
  if (answer != IDYES) return;
  model_.SetAll(true);
  results_.Repaint();
}

void DustrelDialog::FlipSelected() {
  if (cleaning_) return;
  std::vector<size_t> rows;
  if (model_.Size() > 0 && static_cast<size_t>(results_.SelectedCount()) == model_.Size()) {
    // Every row selected: no need to ask the list for each of a million rows.
    rows.resize(model_.Size());
    std::iota(rows.begin(), rows.end(), size_t{0});
  } else {
    for (int i : results_.SelectedRows()) rows.push_back(static_cast<size_t>(i));
  }
  if (rows.empty()) {
    Message("没有选择任何项,您可以按下Shift键选中多个条目", "错误", MB_OK | MB_ICONERROR);
    return;
  }
  model_.Flip(rows);
  results_.Repaint();
}

int DustrelDialog::FocusedResult() const {
  const int row = results_.Focused();
  return row >= 0 && static_cast<size_t>(row) < model_.Size() ? row : -1;
}

void DustrelDialog::ViewFocused() {
  const int row = FocusedResult();
  if (row < 0) return;
  const FoundItem& item = model_.Row(static_cast<size_t>(row));
  ShellExecuteA(Handle(), "open", item.name.c_str(), nullptr, item.folder.c_str(), SW_SHOWNORMAL);
}

void DustrelDialog::RemoveFocused() {
  if (cleaning_) return;
  const int row = FocusedResult();
  if (row < 0) return;
  model_.Remove(static_cast<size_t>(row));
  results_.ClearSelection();
  RefreshResults(false);
}

void DustrelDialog::ContextMenu() {
  suite::InterfaceTexts texts(kIni);
  const int chosen = suite::ShowPopupMenu(Handle(), {{ID_VIEW, texts.Get("ID_VIEW")},
                                                     {ID_DONOTOP, texts.Get("ID_DONOTOP")},
                                                     {ID_ALLSELECT, texts.Get("ID_ALLSELECT")}});
  if (chosen) OnCommand(chosen, 0, nullptr);
}

void DustrelDialog::ToggleResultTick(int row) {
  if (cleaning_ || row < 0 || static_cast<size_t>(row) >= model_.Size()) return;
  model_.SetChecked(static_cast<size_t>(row), !model_.Row(static_cast<size_t>(row)).checked);
  results_.RedrawRow(row);
}

// ---------------------------------------------------------------- list notifications

bool DustrelDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom == IDC_RESULTLIST) {
    switch (header->code) {
      case LVN_GETDISPINFOA: {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
        if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= model_.Size()) return false;
        const FoundItem& row = model_.Row(static_cast<size_t>(item.iItem));
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
          const std::string& text = CellText(row, item.iSubItem);
          const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
          text.copy(item.pszText, n);
          item.pszText[n] = '\0';
        }
        if (item.mask & LVIF_STATE) {
          item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
          item.stateMask |= LVIS_STATEIMAGEMASK;
        }
        result = 0;
        return true;
      }
      case NM_CLICK: {
        const auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
        bool onTick = false;
        const int row = results_.RowAt(click->ptAction, &onTick);
        if (onTick) ToggleResultTick(row);
        const int focused = FocusedResult();
        if (focused >= 0 && !cleaning_) {
          model_.FlipMark(static_cast<size_t>(focused));
          results_.RedrawRow(focused);
        }
        return false;
      }
      case LVN_KEYDOWN: {
        const auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
        if (key->wVKey == VK_SPACE) {
          std::vector<size_t> rows;
          for (int i : results_.SelectedRows()) rows.push_back(static_cast<size_t>(i));
          if (rows.empty() && FocusedResult() >= 0) rows.push_back(static_cast<size_t>(FocusedResult()));
          if (!cleaning_) model_.Flip(rows);
          results_.Repaint();
        }
        return false;
      }
      case NM_RCLICK:
        ContextMenu();
        return false;
    }
    return false;
  }
  if (header->idFrom == IDC_TARGETLIST && header->code == NM_CLICK) {
    const int row = targets_.Focused();
    if (row >= 0) targets_.SetText(row, 2, NextMark(targets_.Text(row, 2)));
    return false;
  }
  return false;
}

bool DustrelDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_TIMER && wp == kTopmostTimer) {
    KillTimer(Handle(), kTopmostTimer);
    CentreOnScreen(Handle());
    result = 0;
    return true;
  }
  if (msg == kTrayMessage) {
    if (lp == WM_LBUTTONUP || lp == WM_LBUTTONDBLCLK) {
      OnCommand(ID_TRAY_POPUP, 0, nullptr);
    } else if (lp == WM_RBUTTONUP) {
      const int chosen = suite::ShowPopupMenu(
          Handle(), {{ID_TRAY_POPUP, "Popup Main Window"}, {ID_TRAY_CLOSE, "Close"}});
      if (chosen) OnCommand(chosen, 0, nullptr);
    }
    result = 0;
    return true;
  }
  if (msg == WM_SYSCOMMAND && (wp & 0xfff0) == SC_MINIMIZE && tray_.Shown()) {
    // Minimised, the window waits in the notification area.
    ShowWindow(Handle(), SW_HIDE);
    result = 0;
    return true;
  }
  return false;
}

void DustrelDialog::OnDestroy() {
  // The worker has ended (it stops with the window) and posted work is dropped.
  KillTimer(Handle(), kTopmostTimer);
  progress_.Destroy();
  cleanPopup_.Destroy();
  tray_.Remove();
}

// ---------------------------------------------------------------- scan

void DustrelDialog::StartScan() {
  if (scanning_ || cleaning_) return;
  worker_.Join();  // a stopped scan ends at its next check of the flag
  const unsigned generation = ++generation_;
  model_.Clear();
  RefreshResults(false);
  ShowResults(true);
  scanning_ = true;
  scanDone_ = false;
  EnableItem(IDC_SCANBT, false);
  EnableItem(IDC_DELETEBT, true);
  const ScanTargets targets = CurrentTargets();
  const ScanSettings settings = ScanSettingsFor(targets, kIni);
  const std::vector<int> driveRows = targets.TickedDriveRows();
  // A fresh sink per scan: rows of a stopped scan never reach a later one.
  auto sink = std::make_shared<BatchSink>([this, generation] {
    Post([this, generation] { DrainScan(generation); });
  });
  sink_ = sink;
  ShowWindow(Handle(), SW_HIDE);
  if (progress_.Create(GetModuleHandleA(nullptr), IDD_DIALOG_DH, Handle()))
    ShowWindow(progress_.Handle(), SW_SHOW);
  worker_.Start([this, generation, settings, driveRows, sink](const std::atomic<bool>& stop) {
    // A drive whose walk has ended gets the "strFsOver" text in its row.
    const DriveDoneFn driveDone = [this, generation, driveRows](size_t k) {
      if (k >= driveRows.size()) return;
      const int row = driveRows[k];
      Post([this, generation, row] {
        if (generation == generation_)
          targets_.SetText(row, 2, suite::GetInterfaceText(kIni, "strFsOver"));
      });
    };
    std::string note;
    try {
      note = SkippedFoldersNote(RunScan(settings, *sink, stop, driveDone), kIni);
    } catch (...) {
      // The rows found so far stay; the window goes back to idle below.
    }
    const bool stopped = stop.load();
    Post([this, generation, stopped, note] { ScanEnded(generation, stopped, note); });
  });
}

void DustrelDialog::DrainScan(unsigned generation) {
  if (generation != generation_ || !sink_) return;
  std::string status;
  std::vector<FoundItem> rows = sink_->Take(status);
  if (!rows.empty()) {
    model_.Append(rows);
    RefreshResults(true);
  }
  if (!status.empty() && scanning_) {
    SetStatus(status);
    progress_.SetPath(status);
  }
}

void DustrelDialog::ScanEnded(unsigned generation, bool stopped, const std::string& skipped) {
  if (generation != generation_) return;
  DrainScan(generation);  // rows found before a stop stay
  if (!scanning_) return;  // stopped: the stop has set the window already
  scanning_ = false;
  progress_.Destroy();
  ShowWindow(Handle(), SW_SHOW);
  EnableItem(IDC_SCANBT, true);
  if (stopped) return;
  suite::InterfaceTexts texts(kIni);
  std::string status =
      suite::Format("%s:%d", texts.Get("strFSTotal").c_str(), static_cast<int>(model_.Size()));
  if (!skipped.empty()) status += "  " + skipped;  // a special folder that was left alone
  SetStatus(status);
  scanDone_ = true;
  if (ReadOptions().autoExitWindows) {
    autoExitPending_ = true;  // the clean-and-shut-down option: cleans, then shuts down
    StartClean();
    return;
  }
  Message(texts.Get("strFSAllOver"));
}

void DustrelDialog::StopScanSoft() {
  if (!scanning_ || stopping_) return;
  worker_.RequestStop();
  scanning_ = false;
  progress_.Destroy();
  ShowWindow(Handle(), SW_SHOW);
  EnableItem(IDC_SCANBT, true);
  ShowResults(false);
  SetStatus(suite::GetInterfaceText(kIni, "strFsCancel"));
}

void DustrelDialog::StopScanHard() {
  if (!scanning_ || stopping_) return;
  stopping_ = true;
  // The worker is never killed: it ends at its next check of the stop flag,
  // and the rows it found so far stay listed.
  worker_.RequestStop();
  scanning_ = false;
  EnableItem(IDC_SCANBT, true);
  SetStatus(kHardStopText);
  progress_.Destroy();
  ShowWindow(Handle(), SW_SHOW);
  stopping_ = false;
  scanDone_ = true;
}

// ---------------------------------------------------------------- cleaning run

void DustrelDialog::StartClean() {
  if (!scanDone_ || scanning_ || cleaning_) return;
  worker_.Join();
  if (model_.Empty()) {
    SetStatus("没有可删除的项目!");
    return;
  }
  cleaning_ = true;
  EnableItem(IDC_SCANBT, false);
  EnableItem(IDC_DELETEBT, false);
  SetStatus(suite::GetInterfaceText(kIni, "strCleanWait"));
  if (cleanPopup_.Create(GetModuleHandleA(nullptr), IDD_CLEANPROGRESS, Handle()))
    ShowWindow(cleanPopup_.Handle(), SW_SHOW);
  const unsigned generation = generation_;
  const std::vector<FoundItem> rows = model_.Copy();
  const bool powerOn = mode_ == ShellMode::PowerOn;
  const bool autoExit = autoExitPending_;
  autoExitPending_ = false;
  worker_.Start([this, generation, rows, powerOn, autoExit](const std::atomic<bool>& stop) {
    CleanOutcome outcome;
    CleanProgress progress;
    progress.status = [this](const std::string& text) {
      Post([this, text] { cleanPopup_.SetStatus(text); });
    };
    progress.range = [this](int range) { Post([this, range] { cleanPopup_.SetRange(range); }); };
    progress.position = [this](int position) {
      Post([this, position] { cleanPopup_.SetPosition(position); });
    };
    try {
      outcome = RunWindowClean(rows, powerOn, autoExit, progress, &stop);
    } catch (...) {
      outcome = CleanOutcome();
      outcome.remaining = rows;
    }
    Post([this, generation, outcome] { CleanEnded(generation, outcome); });
  });
}

void DustrelDialog::CleanEnded(unsigned generation, const CleanOutcome& outcome) {
  cleaning_ = false;
  cleanPopup_.Destroy();
  EnableItem(IDC_SCANBT, true);
  EnableItem(IDC_DELETEBT, true);
  if (closing_) {
    End(closeCode_);
    return;
  }
  if (generation != generation_) return;
  // Only what is really gone leaves the list; what could not be removed stays.
  model_.Assign(outcome.remaining);
  RefreshResults(false);
  if (outcome.shutDown) {
    suite::ShutdownComputer();
    return;
  }
  if (mode_ != ShellMode::PowerOn && outcome.ran) {
    DiskReportDialog report(outcome.summary, BeforePie(outcome.before),
                            AfterPie(outcome.after, outcome.freedMb));
    report.DoModal(GetModuleHandleA(nullptr), IDD_DISKREPORT, Handle());
  }
  SetStatus(kCleanDoneText);
  // The window goes back to the scan targets, unless a ticked row could not
  // be removed: then the list stays, showing what is still there.
  ShowResults(model_.TickedCount() > 0);
}

}  // namespace dustrel
