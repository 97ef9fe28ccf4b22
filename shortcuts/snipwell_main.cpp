// Snipwell: finds shortcut files whose targets are gone and sends the ones the
// user keeps ticked to the Recycle Bin; "-Auto" does it unattended.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app.h"
#include "cleanlog.h"
#include "dialog.h"
#include "handles.h"
#include "inifile.h"
#include "listview.h"
#include "programs.h"
#include "resource.h"
#include "shortcut_scan.h"
#include "sysinfo.h"
#include "texts.h"
#include "tippage.h"
#include "worker.h"

namespace {

using namespace suite;

const char* const kIni = SettingsFileOf(Program::Snipwell);
const char* const kLog = LogNameOf(Program::Snipwell);
const char kScanText[] = "扫描系统";
const char kStopText[] = "停止扫描";

class SnipwellDialog;

// The scan's reports, each handed to the window's thread.
class WindowSink : public ShortcutScanSink {
 public:
  explicit WindowSink(SnipwellDialog& dialog) : dialog_(dialog) {}
  void Status(const std::string& text) override;
  void SearchFinished() override;
  void Broken(const std::string& path) override;

 private:
  SnipwellDialog& dialog_;
};

class SnipwellDialog : public Dialog {
  friend class WindowSink;

 public:
  explicit SnipwellDialog(StartMode mode) : mode_(mode) { StopWithWindow(worker_); }

 protected:
  BOOL OnInit() override {
    HICON icon = SetAppIcon(IDI_APP);
    static const TextBinding kTexts[] = {{0, "IDD_SNIPWELL_DIALOG"}};
    ApplyTexts(Handle(), kIni, kTexts);
    BuildList(icon);

    if (mode_ == StartMode::None) {
      End(0);
      return TRUE;
    }
    if (mode_ == StartMode::Unattended) {
      RunUnattended([] { RunUnattendedPass(); });
      return TRUE;
    }
    RECT client;
    GetClientRect(Handle(), &client);
    RECT strip{90 * client.right / 400, 5, client.right - 5, 68};
    ShowTipStrip(Handle(), strip, "Snipwell");
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED) return false;
    if (id == IDC_SCAN) {
      scanning_ ? StopScan() : StartScan();
    } else if (id == IDC_DELETE) {
      DeletionPass();
    } else {
      return list_.TickCommand(id, IDC_CHECKALL, IDC_UNCHECKALL);
    }
    return true;
  }

 private:
  void BuildList(HICON icon) {
    list_.Attach(Item(IDC_LIST));
    list_.SetCheckboxStyle(IsWin9x() ? LVS_EX_FLATSB : 0);
    list_.SetSmallIcon(icon);
    InterfaceTexts texts(kIni);
    list_.AddColumn(0, texts.Get("strMess3"), 380);
    list_.AddColumn(1, texts.Get("strMess4"), 200, LVCFMT_CENTER);
  }

  void SetStatus(const std::string& text) { SetItemText(IDC_STATUS, text); }
  void AddBroken(const std::string& path) {
    const int row = list_.AddRow(path, 0);
    list_.SetText(row, 1, "×");
  }

  void StartScan() {
    worker_.Join();  // a stopped scan ends at its next check; wait for it
    scanning_ = true;
    SetItemText(IDC_SCAN, kStopText);
    EnableItem(IDC_SCAN, false);
    auto sink = std::make_shared<WindowSink>(*this);
    worker_.Start([this, sink](const std::atomic<bool>& stop) {
      {
        const ComScope com;
        ScanShortcuts(*sink, stop, ShortcutScanOptions{50});
      }
      if (!stop) Post([this] { ScanFinished(); });
    });
  }

  void ScanFinished() {
    if (!scanning_) return;
    if (list_.Count() == 0) {
      Message("没有发现废弃的快捷方式!");
    } else {
      SetStatus("分析完成!");
      const std::string done = GetInterfaceText(kIni, "strMess1");
      SetStatus(done);
      Message(done);
    }
    scanning_ = false;
    SetItemText(IDC_SCAN, kScanText);
    EnableItem(IDC_SCAN, true);
  }

  void StopScan() {
    scanning_ = false;
    worker_.RequestStop();
    SetItemText(IDC_SCAN, kScanText);
    EnableItem(IDC_SCAN, true);
    SetStatus("扫描中止");
    Message("扫描被用户中止!");
  }

  // The deletion pass runs on the worker (each shortcut is checked again
  // before it goes, which takes a moment per shortcut): the window keeps
  // answering, and closing it stops the pass between shortcuts.
  void DeletionPass() {
    if (worker_.Running()) return;  // a scan is still going
    std::vector<std::string> paths;
    std::vector<int> rows;
    for (int i = 0, n = list_.Count(); i < n; ++i) {
      if (!list_.Checked(i)) continue;
      paths.push_back(list_.Text(i, 0));
      rows.push_back(i);
    }
    EnableItem(IDC_DELETE, false);
    EnableItem(IDC_SCAN, false);
    HWND owner = Handle();
    worker_.Start([this, owner, paths, rows](const std::atomic<bool>& stop) {
      std::vector<std::string> removed;
      std::vector<int> removedRows;
      {
        const ComScope com;
        // Only shortcuts that are really gone leave the list and enter the
        // log; one that could not be removed stays listed and ticked.
        for (size_t k : RemoveShortcuts(paths, owner, &stop)) {
          removed.push_back(paths[k]);
          removedRows.push_back(rows[k]);
        }
      }
      WriteCleaningLog(kLog, removed);
      Post([this, removedRows] {
        list_.DeleteRows(removedRows);
        EnableItem(IDC_DELETE, true);
        EnableItem(IDC_SCAN, true);
        Message(GetInterfaceText(kIni, "strMess2"));
      });
    });
  }

  StartMode mode_;
  ListView list_;
  Worker worker_;
  bool scanning_ = false;
};

void WindowSink::Status(const std::string& text) {
  SnipwellDialog& window = dialog_;
  dialog_.Post([&window, text] { window.SetStatus(text); });
}

void WindowSink::SearchFinished() {
  SnipwellDialog& window = dialog_;
  dialog_.Post([&window] { window.EnableItem(IDC_SCAN, true); });
}

void WindowSink::Broken(const std::string& path) {
  SnipwellDialog& window = dialog_;
  dialog_.Post([&window, path] { window.AddBroken(path); });
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const StartMode mode = GetStartMode();
  if (mode == StartMode::None) return 0;  // nothing to do, nothing shown
  SnipwellDialog dialog(mode);
  return RunDialogProgram(instance, dialog, IDD_SNIPWELL);
}
