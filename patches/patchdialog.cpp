#include "patchdialog.h"

#include <shellapi.h>

#include "resource.h"
#include "sysinfo.h"

namespace patchmoor {

namespace {

class HelpDialog : public suite::Dialog {
 protected:
  BOOL OnInit() override {
    SetItemText(IDC_HELPTEXT,
                "本程序查找 Windows 更新补丁安装时留下的卸载备份文件夹,"
                "显示它们占用的空间,并把您选中的备份放入回收站.\n"
                "注意:我们清理的是补丁的备份,而非系统文件.\n\n"
                "步骤:\n1.点击扫描得到补丁的相关资料.\n2.选中补丁前面的方框,打勾.\n3.点击清理");
    return TRUE;
  }
  bool OnCommand(int id, int, HWND) override {
    if (id != IDOK) return false;
    End(IDOK);
    return true;
  }
};

}  // namespace

// Progress of a scan running on the worker, shown by the window's thread.
class PatchDialog::PostedProgress : public ScanProgress {
 public:
  explicit PostedProgress(PatchDialog& dialog) : dialog_(dialog) {}
  void Range(int low, int high) override {
    PatchDialog& window = dialog_;
    dialog_.Post([&window, low, high] { window.SetBarRange(IDC_PROGRESS, low, high); });
  }
  void Position(int position) override {
    PatchDialog& window = dialog_;
    dialog_.Post([&window, position] { window.SetBarPosition(IDC_PROGRESS, position); });
  }

 private:
  PatchDialog& dialog_;
};

BOOL PatchDialog::OnInit() {
  SetAppIcon(IDI_APP);
  if (unattended_) {
    HWND self = Handle();
    RunUnattended([self] { RunUnattendedPass(suite::WindowsFolder(), self); });
    return TRUE;
  }
  list_.Attach(Item(IDC_LIST));
  list_.SetCheckboxStyle(LVS_EX_GRIDLINES);
  // The list (without LVS_SHAREIMAGELISTS) owns the images and destroys them.
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
  ImageList_AddIcon(images, LoadIcon(nullptr, IDI_INFORMATION));  // 0: already cleaned
  ImageList_AddIcon(images, LoadIcon(nullptr, IDI_WARNING));      // 1: backup present
  list_.SetImages(images);
  list_.AddColumn(0, "安装的补丁备份", 260);
  list_.AddColumn(1, "占用空间", 120);
  list_.AddColumn(2, "是否清理", 160);
  list_.AddColumn(3, "文件", 0);
  return TRUE;
}

void PatchDialog::SetBusy(bool busy) {
  for (int id : {IDOK, IDC_CLEAN}) EnableItem(id, !busy);
}

void PatchDialog::StartScan(bool announce) {
  SetBusy(true);
  worker_.Start([this, announce](const std::atomic<bool>& stop) {
    PostedProgress progress(*this);
    PatchScanResult result = ScanPatchBackups(suite::WindowsFolder(), &progress, &stop);
    Post([this, result = std::move(result), announce]() mutable {
      ShowScan(std::move(result), announce);
    });
  });
}

void PatchDialog::ShowScan(PatchScanResult result, bool announce) {
  rows_ = std::move(result.rows);
  list_.Clear();
  for (const PatchBackup& row : rows_) {
    const bool cleaned = row.Cleaned();
    list_.AddRow({row.displayName, row.sizeText, cleaned ? "已清理" : "", row.folder},
                 cleaned ? 0 : 1);
  }
  if (result.foundLogs) {
    list_.SetColumnText(0, CountHeader(rows_.size()));
    list_.SetColumnText(1, SizeHeader(result.totalKb));
    SetItemText(IDC_INFO, StatisticsLine(rows_.size(), result.totalKb));
  }
  SetBarPosition(IDC_PROGRESS, 0);
  SetBusy(false);
  if (announce)
    Message("扫描完成,请您确认一下哪些补丁的备份需要清除,打勾后选清理即可", "完成",
            MB_OK | MB_ICONEXCLAMATION);
}

void PatchDialog::CleanTicked() {
  std::vector<std::string> folders, names;
  for (int i = 0, n = list_.Count(); i < n; ++i)
    if (list_.Checked(i) && i < static_cast<int>(rows_.size())) {
      folders.push_back(rows_[i].folder);
      names.push_back(rows_[i].displayName);
    }
  if (folders.empty()) {
    Message("未选中任何清理备份条目!", "错误", MB_OK | MB_ICONSTOP);
    return;
  }
  RECT client;
  GetClientRect(Handle(), &client);
  cleaningLabel_ = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                   client.left + 100, client.top + 140,
                                   (client.right - client.left) - 200,
                                   (client.bottom - client.top) - 140 - 170, Handle(), nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  SendMessageA(cleaningLabel_, WM_SETFONT, SendMessageA(Handle(), WM_GETFONT, 0, 0), TRUE);
  SetBusy(true);
  HWND owner = Handle();
  worker_.Start([this, owner, folders, names](const std::atomic<bool>& stop) {
    RecycleBackupFolders(
        folders, owner,
        [&](size_t i) {
          const std::string text = "正在清理 " + names[i];
          Post([this, text] {
            if (cleaningLabel_) SetWindowTextA(cleaningLabel_, text.c_str());
          });
        },
        &stop);
    if (stop) return;  // the window is closing
    PostedProgress progress(*this);
    PatchScanResult result = ScanPatchBackups(suite::WindowsFolder(), &progress, &stop);
    Post([this, result = std::move(result)]() mutable {
      if (cleaningLabel_) DestroyWindow(cleaningLabel_);
      cleaningLabel_ = nullptr;
      ShowScan(std::move(result), false);
    });
  });
}

void PatchDialog::StartUpdateTool() {
  const std::string tool = suite::ProgramFolderPath("Fetchwell.exe");
  if (GetFileAttributesA(tool.c_str()) != INVALID_FILE_ATTRIBUTES)
    WinExec(("\"" + tool + "\"").c_str(), SW_SHOWNORMAL);
  else
    ShellExecuteA(Handle(), "open", "wupdmgr.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

bool PatchDialog::OnCommand(int id, int, HWND) {
  switch (id) {
    case IDOK:
      if (!worker_.Running()) StartScan(true);
      return true;
    case IDC_CLEAN:
      if (!worker_.Running()) CleanTicked();
      return true;
    case IDC_UPDATE:
      StartUpdateTool();
      return true;
    case IDC_HELPBT: {
      HelpDialog help;
      help.DoModal(GetModuleHandleA(nullptr), IDD_HELP, Handle());
      return true;
    }
    default:
      return list_.TickCommand(id, IDC_CHECKALL, IDC_UNCHECKALL);
  }
}

bool PatchDialog::OnNotify(NMHDR* header, LRESULT&) {
  if (header->idFrom != IDC_LIST) return false;
  const int row = list_.Focused();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
  if (header->code == NM_CLICK) {
    SetItemText(IDC_INFO, RowDetails(rows_[row]));
  } else if (header->code == NM_DBLCLK) {
    ShellExecuteA(Handle(), "open", rows_[row].helpLink.c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
  }
  return false;
}

}  // namespace patchmoor
