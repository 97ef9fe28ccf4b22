// The ActiveX backup page of the advanced tools window: the controls that were
// unregistered (their records under HKEY_LOCAL_MACHINE
// "Software\Quillon\ActiveXClean"), registering one again, and removing a
// record with its file (to the Recycle Bin only). The record list is a few
// values, read on the window's thread.
#include <windows.h>

#include <memory>

#include "activex.h"
#include "childpage.h"
#include "resource.h"
#include "texts.h"

namespace dustrel {

namespace {

class ActiveXBackupPage : public ChildPage {
 public:
  ActiveXBackupPage() : ChildPage(IDD_ACTIVEXBACKUPPAGE) {}
  ~ActiveXBackupPage() override { Destroy(); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Refresh();
  int SelectedIndex() const;
  void ShowSelected();
  void RegisterSelected();
  void RemoveSelected();

  std::vector<ActiveXRecord> records_;  // in list order
};

BOOL ActiveXBackupPage::OnInit() {
  static const suite::TextBinding kCaptions[] = {{IDC_ACXBAKEXPLAIN, "IDC_STATICLOADACX"},
                                                 {IDC_ACXBAKHINT, "IDC_STATICLOADACXREF"},
                                                 {IDC_ACXBAKREFRESH, "IDC_BUTTONREAC"},
                                                 {IDC_ACXBAKREGISTER, "IDOKINLOADACX"},
                                                 {IDC_ACXBAKREMOVE, "IDC_BUTTONDELACBAK"}};
  suite::ApplyTexts(Handle(), kAdvancedIni, kCaptions);
  Refresh();
  return TRUE;
}

bool ActiveXBackupPage::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IDC_ACXBAKREFRESH:
      Refresh();
      return true;
    case IDC_ACXBAKREGISTER:
    case IDOK:
      RegisterSelected();
      return true;
    case IDC_ACXBAKREMOVE:
      RemoveSelected();
      return true;
    case IDC_ACXBAKLIST:
      if (code == LBN_SELCHANGE) ShowSelected();
      return true;
    default:
      return false;
  }
}

void ActiveXBackupPage::Refresh() {
  const HWND list = Item(IDC_ACXBAKLIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  SetItemText(IDC_ACXBAKFILE, std::string());
  records_ = ListRecords();
  for (const ActiveXRecord& r : records_)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.name.c_str()));
  // With no record (or no record key) there is nothing to act on.
  const BOOL any = records_.empty() ? FALSE : TRUE;
  EnableWindow(Item(IDC_ACXBAKREGISTER), any);
  EnableWindow(Item(IDC_ACXBAKREMOVE), any);
}

int ActiveXBackupPage::SelectedIndex() const {
  const LRESULT index = SendMessageA(Item(IDC_ACXBAKLIST), LB_GETCURSEL, 0, 0);
  return index >= 0 && static_cast<size_t>(index) < records_.size() ? static_cast<int>(index) : -1;
}

void ActiveXBackupPage::ShowSelected() {
  const int index = SelectedIndex();
  SetItemText(IDC_ACXBAKFILE, index < 0 ? std::string() : records_[static_cast<size_t>(index)].filePath);
}

void ActiveXBackupPage::RegisterSelected() {
  const int index = SelectedIndex();
  if (index < 0) return;
  const ActiveXRecord record = records_[static_cast<size_t>(index)];
  switch (RegisterAgain(record)) {
    case RegisterAgainOutcome::LoadFailed:
      Message(Text("strLoadDllError"));
      return;
    case RegisterAgainOutcome::Failed:
      Message(Text("strRegDllError"));
      return;
    case RegisterAgainOutcome::RecordKept:
      Message(Text("strRegDllOK"));
      Message(Text("strActiveXRecordKept"), std::string(), MB_OK | MB_ICONEXCLAMATION);
      Refresh();
      return;
    case RegisterAgainOutcome::Registered:
      Message(Text("strRegDllOK"));
      Refresh();
      return;
  }
}

void ActiveXBackupPage::RemoveSelected() {
  const int index = SelectedIndex();
  if (index < 0) return;
  const ActiveXRecord record = records_[static_cast<size_t>(index)];
  const RemoveRecordOutcome outcome = RemoveRecord(record, Handle());
  Refresh();
  switch (outcome) {
    case RemoveRecordOutcome::FileRecycled:
    case RemoveRecordOutcome::FileWasMissing:
      return;
    case RemoveRecordOutcome::FileProtected:
      Message(Text("strActiveXFileProtected"), std::string(), MB_OK | MB_ICONSTOP);
      return;
    case RemoveRecordOutcome::FileNotRemoved:
      Message(Text("strActiveXFileNotRemoved"), std::string(), MB_OK | MB_ICONEXCLAMATION);
      return;
    case RemoveRecordOutcome::RecordNotRemoved:
      Message(Text("strActiveXRecordNotRemoved"), std::string(), MB_OK | MB_ICONEXCLAMATION);
      return;
  }
}

}  // namespace

std::unique_ptr<AdvancedPage> MakeActiveXBackupPage() {
  return std::make_unique<ActiveXBackupPage>();
}

}  // namespace dustrel
