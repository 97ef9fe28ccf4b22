#include "hivemenddlg.h"

#include <commctrl.h>

#include "chooserdlg.h"
#include "cleanlog.h"
#include "drawn.h"
#include "inifile.h"
#include "programs.h"
#include "regbackup.h"
#include "resource.h"
#include "sysinfo.h"
#include "text.h"
#include "texts.h"
#include "tippage.h"
#include "unattendedpass.h"

namespace hivemend {

using suite::Format;
using suite::GetInterfaceText;
using suite::InterfaceTexts;

extern const char* const kIniName = suite::SettingsFileOf(suite::Program::Hivemend);
extern const char* const kLogName = suite::LogNameOf(suite::Program::Hivemend);
extern const char kCaption[] = "Hivemend";

namespace {

const char kScanText[] = "扫描错误";
const char kStopText[] = "停止扫描";
const size_t kCategoryWidth = 255;  // a category text row holds 256 bytes with its NUL

class WaitCursor {
 public:
  WaitCursor() : old_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(old_); }

 private:
  HCURSOR old_;
};

}  // namespace

ScanSettings SettingsFromTexts() {
  ScanSettings s = DefaultScanSettings();
  InterfaceTexts texts(kIniName);
  for (int n = 0; n < kNamedCategories; ++n) {
    std::string text = texts.Get("GuiItem", n);
    if (text.size() > kCategoryWidth) text.resize(kCategoryWidth);
    s.names[n] = text;
  }
  s.prefix = texts.Get("strScaning");
  return s;
}

// ---------------------------------------------------------------- main window

BOOL HivemendDialog::OnInit() {
  SetAppIcon(IDI_APP);
  static const suite::TextBinding kTexts[] = {
      {0, "IDD_HIVEMEND_DIALOG"},         {IDC_BUTTONSCAN, "IDC_BUTTONSCAN"},
      {IDC_BUTTONFIX, "IDC_BUTTONFIX"},   {IDC_BUTTONRESTORE, "IDC_BUTTONRESTORE"},
      {IDC_BUTTON_ALL_NO, "IDC_BUTTON_ALL_NO"}, {IDC_BUTTONBAKUP, "IDC_BUTTONBAKUP"},
      {IDC_STATUS, "IDC_STATUS"}};
  suite::ApplyTexts(Handle(), kIniName, kTexts);
  settings_ = SettingsFromTexts();
  BuildLists();

  if (mode_ == suite::StartMode::None) {
    End(0);
    return TRUE;
  }
  if (mode_ == suite::StartMode::Unattended) {
    const ScanSettings settings = settings_;
    // A failure (out of memory and the like) ends the process with status 1
    // in RunUnattended: the console is never told "done" by a failed pass.
    RunUnattended([settings] { RunUnattendedPass(settings); });
    return TRUE;
  }
  RECT client;
  GetClientRect(Handle(), &client);
  RECT strip{138, 5, client.right - 5, 68};
  suite::ShowTipStrip(Handle(), strip, "Hivemend");
  return TRUE;
}

void HivemendDialog::BuildLists() {
  const DWORD flat = suite::IsWin9x() ? LVS_EX_FLATSB : 0;
  InterfaceTexts texts(kIniName);
  categories_.Attach(Item(IDC_CATEGORIES));
  categories_.SetCheckboxStyle(flat);
  categories_.AddColumn(0, texts.Get("Item0"), 240);
  // One image per category row 0-10; rows 11 and 12 share image 10.
  static const int kCategoryImages[] = {IDI_CATEGORY_IMAGES};
  static_assert(sizeof kCategoryImages / sizeof kCategoryImages[0] == kNamedCategories,
                "one icon per named category");
  categories_.SetImages(suite::LoadIconList(GetModuleHandleA(nullptr), kCategoryImages));
  for (int n = 0; n < kCategoryCount; ++n) {
    const std::string text = n < kNamedCategories ? settings_.names[n] : kDefaultCategoryNames[n];
    const int row = categories_.AddRow(text, n < kNamedCategories ? n : 10);
    categories_.SetChecked(row, n <= 9);
  }
  results_.Attach(Item(IDC_RESULTS));
  results_.SetCheckboxStyle(LVS_EX_GRIDLINES | flat);
  const int widths[] = {120, 0, 80, 0, 220, 120};
  for (int c = 0; c < 6; ++c) results_.AddColumn(c, texts.Get("Item", c + 1), widths[c]);
}

bool HivemendDialog::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_BUTTONSCAN:
      scanning_ ? StopScan() : StartScan();
      return true;
    case IDC_BUTTONFIX:
      Repair();
      return true;
    case IDC_BUTTONRESTORE: {
      suite::RestorePoint point;
      Backup(point);
      return true;
    }
    case IDC_BUTTONBAKUP:
      Restore();
      return true;
    case IDC_BUTTON_ALL:
      TickAll();
      return true;
    case IDC_BUTTON_ALL_NO:
      results_.CheckAll(false);
      return true;
  }
  return false;
}

bool HivemendDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != IDC_RESULTS || header->code != LVN_ITEMCHANGED) return false;
  result = 0;
  const suite::RowChange change = suite::ReadRowChange(header);
  if (change.tickChanged && !syncingTicks_) TickChanged(change.row, change.ticked);
  return true;
}

// A row that exists only because of another takes that row's tick: unticking
// a class unticks its extensions, ProgIDs and interfaces, and a dependant
// cannot be ticked while the row it depends on is not.
void HivemendDialog::TickChanged(int row, bool checked) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
  syncingTicks_ = true;
  if (checked) {
    const int parent = rows_[static_cast<size_t>(row)].parent;
    if (parent >= 0 && parent < results_.Count() && !results_.Checked(parent))
      results_.SetChecked(row, false);
  } else {
    for (int d : DependantsOf(rows_, row))
      if (d < results_.Count()) results_.SetChecked(d, false);
  }
  syncingTicks_ = false;
}

void HivemendDialog::StartScan() {
  worker_.RequestStop();
  worker_.Join();  // a stopped scan ends at its next check
  const unsigned generation = ++generation_;
  rows_.clear();
  results_.Clear();
  SetItemText(IDC_BUTTONSCAN, kStopText);
  scanning_ = true;
  EnableItem(IDC_BUTTONFIX, false);
  ScanSettings settings = settings_;
  for (int n = 0; n < kCategoryCount; ++n) settings.ticked[n] = categories_.Checked(n);
  worker_.Start([this, settings, generation](const std::atomic<bool>& stop) {
    ScanSink sink;
    sink.row = [this, generation](const ScanRow& row) {
      Post([this, generation, row] {
        if (generation == generation_) AddResult(row);
      });
    };
    // The status line shows what is being looked at, ten times a second at most.
    sink.status = [this, generation](const std::string& text) {
      const DWORD now = GetTickCount();
      if (now - lastStatus_.load() < 100) return;
      lastStatus_ = now;
      Post([this, generation, text] {
        if (generation == generation_ && scanning_) SetStatus(text);
      });
    };
    try {
      Scanner scanner(settings, sink, stop);
      scanner.Run();
    } catch (...) {
      // The rows found so far stay; the window goes back to idle below.
    }
    if (!stop) {
      const bool fileCheck = settings.ticked[12];
      Post([this, generation, fileCheck] { ScanFinished(generation, fileCheck); });
    }
  });
}

void HivemendDialog::StopScan() {
  scanning_ = false;
  worker_.RequestStop();
  EnableItem(IDC_BUTTONFIX, true);
  SetItemText(IDC_BUTTONSCAN, kScanText);
  SetStatus("扫描中断!");
}

void HivemendDialog::AddResult(const ScanRow& row) {
  rows_.push_back(row);
  results_.AddRow({row.name, row.rootName, row.path, row.kind, row.text, row.category});
}

void HivemendDialog::ScanFinished(unsigned generation, bool fileCheck) {
  if (generation != generation_ || !scanning_) return;
  scanning_ = false;
  Preselect(rows_, suite::WindowsFolder());
  syncingTicks_ = true;
  for (size_t i = 0; i < rows_.size(); ++i)
    results_.SetChecked(static_cast<int>(i), rows_[i].checked);
  syncingTicks_ = false;
  if (fileCheck) {
    const std::string command = SystemFileCheckCommand(suite::IsWin9x(), suite::SystemFolder());
    WinExec(command.c_str(), SW_SHOWNORMAL);
  }
  InterfaceTexts texts(kIniName);
  SetStatus(texts.Get("strMess10"));
  EnableItem(IDC_BUTTONSCAN, true);
  EnableItem(IDC_BUTTONFIX, true);
  SetItemText(IDC_BUTTONSCAN, kScanText);
  Message(Format("%s%d \n\n%s", texts.Get("strMess11").c_str(), results_.Count(),
                 texts.Get("strMess12").c_str()));
}

void HivemendDialog::SyncTicks() {
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i].checked = results_.Checked(static_cast<int>(i));
  ApplyDependencies(rows_);
  syncingTicks_ = true;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (!rows_[i].checked && results_.Checked(static_cast<int>(i)))
      results_.SetChecked(static_cast<int>(i), false);
  syncingTicks_ = false;
}

bool HivemendDialog::Backup(suite::RestorePoint& point) {
  if (rows_.empty()) {
    Message(GetInterfaceText(kIniName, "strMess1"));
    return false;
  }
  WaitCursor wait;
  bool ok = point.Open();
  if (!ok) {
    Message("Error while creating the file", "Registry export", MB_OK | MB_ICONERROR);
    return false;
  }
  SetStatus(GetInterfaceText(kIniName, "strMess4"));
  ok = BackupRows(rows_, point, [this](const std::string&) {
    Message("Error while creating the file", "Registry export", MB_OK | MB_ICONERROR);
  });
  // "Done" only for a backup that holds everything it was given.
  if (!ok) {
    SetStatus(GetInterfaceText(kIniName, "strMess14"));
    return false;
  }
  SetStatus(GetInterfaceText(kIniName, "strMess5"));
  Message(GetInterfaceText(kIniName, "strMess6"), kCaption, MB_OK | MB_ICONEXCLAMATION);
  return true;
}

void HivemendDialog::Repair() {
  if (rows_.empty()) {
    Message(GetInterfaceText(kIniName, "strMess1"));
    return;
  }
  SyncTicks();
  EnableItem(IDC_BUTTONSCAN, false);
  EnableItem(IDC_BUTTONFIX, false);
  const int answer = Message(
      "修复之前,本软件强烈建议您使用[备份扫描结果]备份,防止不测.\n或者使用[备份全部数据]功能备份.\n"
      "是否立即进行备份?",
      "警告", MB_YESNO | MB_ICONEXCLAMATION);
  // A backup that could not be written completely stops the repair: nothing
  // is removed that could not be brought back.
  // The backup of the scan results and the repair's removals share one
  // restore point; the repair backs up what it removes in any case.
  suite::RestorePoint point;
  if (answer == IDYES && !Backup(point)) {
    EnableItem(IDC_BUTTONSCAN, true);
    EnableItem(IDC_BUTTONFIX, true);
    return;
  }
  WaitCursor wait;
  SetStatus(GetInterfaceText(kIniName, "strMess2"));
  RepairOptions options;
  options.point = &point;
  const RepairResult result =
      RepairRows(rows_, [this](const std::string& s) { SetStatus(s); }, options);
  const std::string done = GetInterfaceText(kIniName, "strMess3");
  SetStatus(done);
  Message(done, kCaption, MB_OK | MB_ICONEXCLAMATION);
  if (!result.notBackedUp.empty()) {
    std::string names;
    for (int i : result.notBackedUp) names += "\n" + rows_[static_cast<size_t>(i)].name;
    Message(Format("%s%s", GetInterfaceText(kIniName, "strMess13").c_str(), names.c_str()),
            kCaption, MB_OK | MB_ICONEXCLAMATION);
  }
  results_.DeleteRows(result.removedRows);
  EraseRows(rows_, result.removedRows);
  suite::WriteCleaningLog(kLogName, result.deleted);
  EnableItem(IDC_BUTTONSCAN, true);
  EnableItem(IDC_BUTTONFIX, true);
}

void HivemendDialog::Restore() {
  if (restoreWorker_.Running()) return;
  const std::string store = BackupStorePath();
  ChooserDialog chooser(store);
  if (chooser.DoModal(GetModuleHandleA(nullptr), IDD_CHOOSER, Handle()) != IDOK) return;
  SetStatus(GetInterfaceText(kIniName, "strMess7"));
  EnableItem(IDC_BUTTONBAKUP, false);
  EnableItem(IDC_BUTTONFIX, false);
  // The registry editor runs once per file and may wait for the user's
  // consent to elevation: the window keeps answering meanwhile.
  const std::string name = chooser.Chosen();
  restoreWorker_.Join();
  restoreWorker_.Start([this, store, name](const std::atomic<bool>&) {
    RestoreResult result;
    try {
      result = RestoreBackup(store, name);
    } catch (...) {
      result.imported = -1;
    }
    Post([this, result] { RestoreFinished(result); });
  });
}

void HivemendDialog::RestoreFinished(const RestoreResult& result) {
  EnableItem(IDC_BUTTONBAKUP, true);
  EnableItem(IDC_BUTTONFIX, !scanning_);
  const std::string done = GetInterfaceText(kIniName, "strMess8");
  SetStatus(done);
  if (result.imported == result.files)
    Message(done, kCaption, MB_OK | MB_ICONINFORMATION);
  else
    Message(Format("%s\n(%d/%d)", done.c_str(), result.imported < 0 ? 0 : result.imported,
                   result.files),
            kCaption, MB_OK | MB_ICONEXCLAMATION);
}

void HivemendDialog::TickAll() {
  const int answer = Message(
      "全部选择可能有一定危险性,是否继续?\n\n本工具扫描出的默认打勾的可以安全清除!\n\n"
      "注意:全部打勾时清除强烈建议备份扫描结果或备份注册表!",
      "警告", MB_YESNO | MB_ICONEXCLAMATION);
  if (answer != IDYES) return;
  syncingTicks_ = true;
  results_.CheckAll(false);
  const std::string windows = suite::WindowsFolder();
  for (int i = 0, n = results_.Count(); i < n; ++i)
    results_.SetChecked(i, PreselectRow(results_.Text(i, 4), windows, false));
  syncingTicks_ = false;
  SyncTicks();
}

}  // namespace hivemend
