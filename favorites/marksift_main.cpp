// Marksift: finds Internet favorites whose web pages are gone and sends the
// ones the user keeps ticked to the Recycle Bin; "-Auto" does it unattended
// and writes its log when it removed something.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app.h"
#include "cleanlog.h"
#include "dialog.h"
#include "favcheck.h"
#include "inifile.h"
#include "listview.h"
#include "resource.h"
#include "sysinfo.h"
#include "tippage.h"
#include "worker.h"

namespace {

using namespace suite;
using namespace marksift;

const char kNothingToClear[] = "没有可清理的快捷方式,您未扫描或未选中目标!";

class MarksiftDialog;

// The check's reports, each handed to the window's thread.
class WindowSink : public CheckSink {
 public:
  explicit WindowSink(MarksiftDialog& dialog) : dialog_(dialog) {}
  void Started(size_t n) override;
  void Checking(size_t index, const std::string&) override;
  void Checked(size_t, const std::string& path, const LinkResult&) override;
  void Dead(const std::string& path, const FileStamp& stamp) override;

 private:
  MarksiftDialog& dialog_;
};

class MarksiftDialog : public Dialog {
  friend class WindowSink;

 public:
  explicit MarksiftDialog(StartMode mode) : mode_(mode) { StopWithWindow(worker_); }
  ~MarksiftDialog() override {
    if (background_) DeleteObject(background_);
  }

 protected:
  BOOL OnInit() override {
    HICON icon = SetAppIcon(IDI_APP);
    list_.Attach(Item(IDC_LIST));
    list_.SetCheckboxStyle();
    list_.SetSmallIcon(icon);
    list_.AddColumn(0, "快捷方式", 330);
    list_.AddColumn(1, "状态", 120);
    list_.AddColumn(2, "文件", 0);

    if (mode_ == StartMode::Unattended) {
      RunUnattended([] { RunUnattendedPass(FavoriteFolders()); });
      return TRUE;
    }
    // The tip strip above the list (dialog units 7, 5, 316 x 30).
    RECT strip{7, 5, 323, 35};
    MapDialogRect(Handle(), &strip);
    ShowTipStrip(Handle(), strip, "Marksift");
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED) return false;
    switch (id) {
      case IDC_START:
        StartCheck();
        return true;
      case IDC_STOP:
        StopCheck();
        return true;
      case IDC_CLEAR:
        ClearTicked();
        return true;
    }
    return list_.TickCommand(id, IDC_CHECKALL, IDC_UNCHECKALL);
  }

  // The check's reports, on the window's thread.
  void ShowStarted(int high) { SetBarRange(IDC_PROGRESS, 0, high); }
  void ShowChecking(int index) {
    SetItemText(IDC_STATUS, "正在检测:");
    SetBarPosition(IDC_PROGRESS, index);
  }
  void ShowChecked(const std::string& line) { SetItemText(IDC_CHECKED, line); }
  void AddDead(const std::string& path, const FileStamp& stamp) {
    stamps_[path] = stamp;
    const int row = list_.AddRow({FavoriteName(path), "无效连接", path});
    list_.SetChecked(row, true);
  }

  bool OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
    if (msg != WM_CTLCOLORDLG && msg != WM_CTLCOLORSTATIC) return false;
    if (!background_) background_ = CreateSolidBrush(RGB(235, 235, 235));
    if (msg == WM_CTLCOLORSTATIC) {
      SetBkColor(reinterpret_cast<HDC>(wp), RGB(235, 235, 235));
    }
    result = reinterpret_cast<LRESULT>(background_);
    return true;
  }

 private:
  void StartCheck() {
    if (worker_.Running()) return;
    if (Message("您确认已经连上互联网了吗?", "提示", MB_YESNO | MB_ICONWARNING) != IDYES) return;
    auto sink = std::make_shared<WindowSink>(*this);
    EnableItem(IDC_START, false);
    worker_.Start([this, sink](const std::atomic<bool>& stop) {
      CheckFavorites(ListCandidates(FavoriteFolders(), &stop), *sink, stop);
      const bool stopped = stop;
      Post([this, stopped] { CheckEnded(stopped); });
    });
  }

  void CheckEnded(bool stopped) {
    if (!stopped) {
      Message("检测完成!请查看列表!");
      SetItemText(IDC_STATUS, "检测完成!");
    }
    EnableItem(IDC_START, true);
  }

  void StopCheck() {
    if (!worker_.Running()) {
      SetItemText(IDC_STATUS, "尚未开始!");
      return;
    }
    worker_.RequestStop();  // the check closes its open requests and ends
    SetItemText(IDC_STATUS, "用户中断!");
    SetBarPosition(IDC_PROGRESS, 0);
  }

  void ClearTicked() {
    if (list_.Count() == 0) {
      Message(kNothingToClear, "提示", MB_OK | MB_ICONWARNING);
      return;
    }
    std::vector<std::string> paths;
    std::vector<FileStamp> stamps;
    std::vector<int> rows;
    for (int i = 0, n = list_.Count(); i < n; ++i)
      if (list_.Checked(i)) {
        paths.push_back(list_.Text(i, 2));
        auto found = stamps_.find(paths.back());
        stamps.push_back(found == stamps_.end() ? FileStamp{} : found->second);
        rows.push_back(i);
      }
    const std::vector<std::string> removed = RecycleFavorites(paths, stamps, Handle());
    // Rows of favorites that went to the Recycle Bin leave the list; the
    // unticked ones and any the shell refused stay.
    std::vector<int> gone;
    for (size_t k = 0, r = 0; k < paths.size() && r < removed.size(); ++k)
      if (paths[k] == removed[r]) {
        gone.push_back(rows[k]);
        ++r;
      }
    list_.DeleteRows(gone);
    Message(removed.empty() ? kNothingToClear : "无效的连接已经放入了回收站!", "提示",
            MB_OK | MB_ICONWARNING);
  }

  StartMode mode_;
  ListView list_;
  Worker worker_;
  HBRUSH background_ = nullptr;
  // Each dead favorite as it was when checked: only that file is removed.
  std::map<std::string, FileStamp> stamps_;  // touched only on the window's thread
};

void WindowSink::Started(size_t n) {
  const int high = n > 0 ? static_cast<int>(n) - 1 : 0;
  MarksiftDialog& window = dialog_;
  dialog_.Post([&window, high] { window.ShowStarted(high); });
}

void WindowSink::Checking(size_t index, const std::string&) {
  const int i = static_cast<int>(index);
  MarksiftDialog& window = dialog_;
  dialog_.Post([&window, i] { window.ShowChecking(i); });
}

void WindowSink::Checked(size_t, const std::string& path, const LinkResult&) {
  MarksiftDialog& window = dialog_;
  dialog_.Post([&window, line = CheckedLine(path)] { window.ShowChecked(line); });
}

void WindowSink::Dead(const std::string& path, const FileStamp& stamp) {
  MarksiftDialog& window = dialog_;
  dialog_.Post([&window, path, stamp] { window.AddDead(path, stamp); });
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const StartMode mode = GetStartMode();
  if (mode == StartMode::None) return 0;  // nothing to do, nothing shown
  WSADATA sockets;
  if (WSAStartup(MAKEWORD(1, 1), &sockets) != 0) {
    char text[256] = {};
    LoadStringA(instance, IDS_SOCKETS_FAILED, text, sizeof text);
    if (mode != StartMode::Unattended) MessageBoxA(nullptr, text, nullptr, MB_OK | MB_ICONSTOP);
    return 1;
  }
  EnablePrivilege("SeDebugPrivilege");
  MarksiftDialog dialog(mode);
  const int code = RunDialogProgram(instance, dialog, IDD_MARKSIFT_DIALOG);
  WSACleanup();
  return code;
}
