#include "reportwindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "app.h"
#include "consoletexts.h"
#include "dialog.h"
#include "drawn.h"
#include "dryrun.h"
#include "listview.h"
#include "performance.h"
#include "resource.h"
#include "sequence.h"
#include "text.h"
#include "texts.h"
#include "worker.h"

namespace suite::console {

namespace {

const char kReading[] = "Reading...";

class ReportDialog : public Dialog {
 public:
  ReportDialog(const SystemFigures& before, const DiskFigures& diskBefore, std::string folder)
      : before_(before), diskBefore_(diskBefore), folder_(std::move(folder)) {
    StopWithWindow(reader_);
  }

 protected:
  BOOL OnInit() override {
    HICON icon = SetAppIcon(IDI_APP);
    static const TextBinding kTexts[] = {
        {0, "IDD_DIALOG_REPORT"},
        {IDC_BUTTON_RPT1, "IDC_BUTTON_RPT1"},
        {IDC_BUTTON_RPT2, "IDC_BUTTON_RPT2"},
        {IDC_STATICPERTEXT1, "IDC_STATICPERTEXT1"},
        {IDC_STATICPERTEXT1 + 1, "IDC_STATICPERTEXT2"},
        {IDC_STATICPERTEXT1 + 2, "IDC_STATICPERTEXT3"},
        {IDC_STATICPERTEXT1 + 3, "IDC_STATICPERTEXT4"},
        {IDC_STATICPERTEXT1 + 4, "IDC_STATICPERTEXT5"},
        {IDC_STATICPERTEXT1 + 5, "IDC_STATICPERTEXT6"},
        {IDC_STATICPERTEXT1 + 6, "IDC_STATICPERTEXT7"},
        {IDC_BUTTON_EMPTYBIN, "IDC_BUTTON_EMPTYBIN"},
        {IDC_STATICREC, "IDC_STATICREC"},
        {IDC_BUTTON_LOGVIEW1, "IDC_BUTTON_LOGVIEW1"},
        {IDC_BUTTON_LOGVIEW1 + 1, "IDC_BUTTON_LOGVIEW2"},
        {IDC_BUTTON_LOGVIEW1 + 2, "IDC_BUTTON_LOGVIEW3"},
        {IDC_BUTTON_LOGVIEW1 + 3, "IDC_BUTTON_LOGVIEW4"},
        {IDC_BUTTON_LOGVIEW1 + 4, "IDC_BUTTON_LOGVIEW5"},
        {IDC_BUTTON_LOGVIEW1 + 5, "IDC_BUTTON_LOGVIEW6"},
        {IDOK, "IDC_BUTTON_CLOSE"},
    };
    ApplyTexts(Handle(), kIni, kTexts);
    diskAfter_ = TakeDiskFigures();

    // Performance page: the bars, and the figures half a second later.
    for (int id : {IDC_BAR_STARTUP_BEFORE, IDC_BAR_STARTUP_AFTER, IDC_BAR_PERF_BEFORE,
                   IDC_BAR_PERF_AFTER}) {
      SetBarRange(id, 1, kBarMax);
    }
    SetBarPosition(IDC_BAR_STARTUP_BEFORE, kBeforePosition);
    SetBarPosition(IDC_BAR_PERF_BEFORE, kBeforePosition);
    SetTimer(Handle(), 1, 500, nullptr);

    // Log viewer page: one centred column, the program's icon on every row.
    list_.Attach(Item(IDC_LOGLIST));
    list_.SetSmallIcon(icon);
    list_.AddColumn(0, "", 520, LVCFMT_CENTER);

    ShowPage(0);
    StartRead(0);
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND) override {
    if (id == IDOK || id == IDCANCEL) {
      // No closing by Enter or Escape while a log is being read.
      if (!busy_) End(id);
      return true;
    }
    if (code != BN_CLICKED) return false;
    if (id == IDC_BUTTON_RPT1 || id == IDC_BUTTON_RPT2) {
      ShowPage(id == IDC_BUTTON_RPT1 ? 0 : 1);
      return true;
    }
    if (id >= IDC_BUTTON_LOGVIEW1 && id < IDC_BUTTON_LOGVIEW1 + kStepCount) {
      StartRead(id - IDC_BUTTON_LOGVIEW1);
      return true;
    }
    if (id == IDC_BUTTON_EMPTYBIN) {
      // Emptying the bin is the one step that cannot be undone: asked first.
      if (Message(Text("strEmptyBin"), Text("strInfo19"), MB_YESNO | MB_ICONQUESTION |
                                                             MB_DEFBUTTON2) != IDYES)
        return true;
      if (MayChange("empty the Recycle Bin", std::string()))
        SHEmptyRecycleBinA(Handle(), nullptr,
                           SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
      ShowFigures();  // the disk figures stay those taken when the report opened
      return true;
    }
    return false;
  }

  bool OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
    if (AnswerWhiteLook(msg, wp, result)) return true;
    if (msg == WM_TIMER && wp == 1) {
      KillTimer(Handle(), 1);
      ShowFigures();
      return true;
    }
    return false;
  }

 private:
  void ShowPage(int page) {
    static const int kPerformance[] = {
        IDC_STATICPERTEXT1, IDC_STATICPERTEXT1 + 1, IDC_STATICPERTEXT1 + 2,
        IDC_STATICPERTEXT1 + 3, IDC_STATICPERTEXT1 + 4, IDC_STATICPERTEXT1 + 5,
        IDC_STATICPERTEXT1 + 6, IDC_BAR_STARTUP_BEFORE, IDC_BAR_STARTUP_AFTER,
        IDC_BAR_PERF_BEFORE, IDC_BAR_PERF_AFTER, IDC_BAR_DISK_BEFORE, IDC_BAR_DISK_AFTER,
        IDC_RESULT_STARTUP, IDC_RESULT_PERF, IDC_RESULT_DISK, IDC_BUTTON_EMPTYBIN,
        IDC_STATICREC};
    for (int id : kPerformance) ShowWindow(Item(id), page == 0 ? SW_SHOW : SW_HIDE);
    for (int k = 0; k < kStepCount; ++k)
      ShowWindow(Item(IDC_BUTTON_LOGVIEW1 + k), page == 1 ? SW_SHOW : SW_HIDE);
    ShowWindow(Item(IDC_LOGLIST), page == 1 ? SW_SHOW : SW_HIDE);
    ShowWindow(Item(IDC_LOGSTATUS), page == 1 ? SW_SHOW : SW_HIDE);
  }

  void ShowFigures() {
    const SystemFigures after = TakeSystemFigures();
    const PerformanceDisplay d = ComputeDisplay(
        before_, after, diskBefore_, diskAfter_,
        PerformanceTexts{Text("strInfo9"), Text("strInfo10"), Text("strInfo11")});
    SetBarRange(IDC_BAR_DISK_BEFORE, 0, 99);
    SetBarRange(IDC_BAR_DISK_AFTER, 0, 99);
    SetBarPosition(IDC_BAR_DISK_BEFORE, d.diskBefore);
    SetBarPosition(IDC_BAR_DISK_AFTER, d.diskAfter);
    SetBarPosition(IDC_BAR_STARTUP_AFTER, d.startupAfter);
    SetBarPosition(IDC_BAR_PERF_AFTER, d.performanceAfter);
    SetItemText(IDC_RESULT_DISK, d.diskText);
    SetItemText(IDC_RESULT_PERF, d.performanceText);
    SetItemText(IDC_RESULT_STARTUP, d.startupText);
  }

  void EnableLogButtons(bool enable) {
    for (int k = 0; k < kStepCount; ++k) EnableItem(IDC_BUTTON_LOGVIEW1 + k, enable);
  }

  void StartRead(int button) {
    if (busy_) return;
    reader_.Join();
    busy_ = true;
    SetItemText(IDC_LOGSTATUS, kReading);
    EnableLogButtons(false);
    const std::string path = JoinPath(folder_, kLogButtons[static_cast<size_t>(button)].logName);
    const std::string caption = Text(kLogButtons[static_cast<size_t>(button)].captionKey);
    reader_.Start([this, path, caption](const std::atomic<bool>& stop) {
      auto view = std::make_shared<LogView>(ReadLogView(path));
      if (stop) return;
      Post([this, view, caption] {
        SendMessageA(list_.Handle(), WM_SETREDRAW, FALSE, 0);
        list_.Clear();
        for (const std::string& file : view->files) list_.AddRow(file, 0);
        SendMessageA(list_.Handle(), WM_SETREDRAW, TRUE, 0);
        SetItemText(IDC_LOGSTATUS, LogViewStatus(caption, *view));
        EnableLogButtons(true);
        busy_ = false;
      });
    });
  }

  SystemFigures before_;
  DiskFigures diskBefore_, diskAfter_;
  std::string folder_;
  ListView list_;
  Worker reader_;
  bool busy_ = false;  // a log read is running (window thread only)
};

}  // namespace

void ShowReport(const SystemFigures& before, const DiskFigures& diskBefore,
                const std::string& folder, HWND owner) {
  ReportDialog report(before, diskBefore, folder);
  report.DoModal(GetModuleHandleA(nullptr), IDD_REPORT, owner);
}

}  // namespace suite::console
