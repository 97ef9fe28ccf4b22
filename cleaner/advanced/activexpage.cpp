// The ActiveX control page of the advanced tools window: the registered type
// libraries (ticked when orphaned), the selected one's file, date and advice,
// and the removal of the selected control. The list is built on the page's
// worker thread and filled on the window's thread; the registry-only removal
// (a walk of every class and interface) runs there too. Unregistering loads
// the one chosen control on the window's thread, as registration code expects.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "activex.h"
#include "childpage.h"
#include "listview.h"
#include "resource.h"
#include "texts.h"
#include "worker.h"

namespace dustrel {

namespace {

const char kNoSelectionText[] = "请先选中要清理的控件!";

class ActiveXPage : public ChildPage {
 public:
  ActiveXPage() : ChildPage(IDD_ACTIVEXPAGE) { StopWithWindow(worker_); }
  // The worker stops with the window, which goes while this page still answers.
  ~ActiveXPage() override { Destroy(); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  struct Listing {
    std::vector<ActiveXEntry> entries;
    std::vector<bool> orphan;
  };
  void Refresh();
  void Fill(Listing& listing);
  int SelectedIndex() const;
  void ShowSelected();
  void ClearFields();
  void RemoveSelected();
  void RemoveRegistryOnly(const ActiveXEntry& entry);
  void Unregister(const ActiveXEntry& entry);
  void SetBusy(bool busy);

  suite::ListView list_;
  std::vector<ActiveXEntry> entries_;  // in list order, as last filled
  suite::Worker worker_;
  bool refreshQueued_ = false;
  bool removing_ = false;
  bool filling_ = false;
};

BOOL ActiveXPage::OnInit() {
  list_.Attach(Item(IDC_ACTXLIST));
  static const suite::TextBinding kCaptions[] = {
      {IDC_ACTXEXPLAIN, "IDC_STATICACTIVESM"},   {IDC_ACTXGROUP, "IDC_STATICACTIVEXKG"},
      {IDC_ACTXFILELABEL, "IDC_STATICACTTJ1"},   {IDC_ACTXDATELABEL, "IDC_STATICACTTJ2"},
      {IDC_ACTXADVICELABEL, "IDC_STATICACTTJ3"}, {IDC_ACTXREMOVE, "IDOKINACTX"},
      {IDC_ACTXREFRESH, "IDC_BUTTONREAC2"}};
  suite::ApplyTexts(Handle(), kAdvancedIni, kCaptions);
  list_.SetCheckboxStyle();
  RECT box;
  GetClientRect(list_.Handle(), &box);
  list_.AddColumn(0, std::string(), box.right - GetSystemMetrics(SM_CXVSCROLL));
  Refresh();
  return TRUE;
}

bool ActiveXPage::OnCommand(int id, int /*code*/, HWND) {
  if (id == IDC_ACTXREFRESH) {
    Refresh();
    return true;
  }
  if (id == IDC_ACTXREMOVE || id == IDOK) {
    RemoveSelected();
    return true;
  }
  return false;
}

bool ActiveXPage::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom != list_.Handle()) return false;
  if (filling_) return false;
  const suite::RowChange change = suite::ReadRowChange(header);
  if (header->code == LVN_ITEMCHANGING && change.tickChanged) {
    // The ticks only mark suspect controls: the user does not change them.
    result = TRUE;
    return true;
  }
  if (header->code == LVN_ITEMCHANGED && change.selectionChanged) ShowSelected();
  return false;
}

void ActiveXPage::SetBusy(bool busy) {
  removing_ = busy;
  EnableWindow(Item(IDC_ACTXREMOVE), busy ? FALSE : TRUE);
}

void ActiveXPage::Refresh() {
  if (worker_.Running()) {
    // Never two walks at once: this one follows the running work.
    refreshQueued_ = true;
    return;
  }
  worker_.Join();
  worker_.Start([this](const std::atomic<bool>& stop) {
    auto listing = std::make_shared<Listing>();
    try {
      if (!ListTypeLibraries(listing->entries, &stop)) return;
      for (const ActiveXEntry& e : listing->entries) {
        if (stop) return;
        listing->orphan.push_back(IsOrphanEntry(e));
      }
    } catch (...) {
      listing->entries.clear();
      listing->orphan.clear();
    }
    Post([this, listing] { Fill(*listing); });
  });
}

void ActiveXPage::Fill(Listing& listing) {
  if (!list_.Handle()) return;
  filling_ = true;
  {
    const suite::ListView::Batch quiet(list_);
    list_.Clear();
    entries_ = std::move(listing.entries);
    for (size_t i = 0; i < entries_.size(); ++i) {
      const int index = list_.AddRow(entries_[i].displayName);
      if (index >= 0 && i < listing.orphan.size() && listing.orphan[i]) list_.SetChecked(index, true);
    }
  }
  filling_ = false;
  ClearFields();
  worker_.Join();  // the finished walk's thread is ending
  if (refreshQueued_) {
    refreshQueued_ = false;
    Refresh();
  }
}

int ActiveXPage::SelectedIndex() const {
  const int index = list_.Selected();
  return index >= 0 && static_cast<size_t>(index) < entries_.size() ? index : -1;
}

void ActiveXPage::ClearFields() {
  SetItemText(IDC_ACTXFILE, std::string());
  SetItemText(IDC_ACTXDATE, std::string());
  SetItemText(IDC_ACTXADVICE, std::string());
}

void ActiveXPage::ShowSelected() {
  const int index = SelectedIndex();
  if (index < 0) {
    ClearFields();
    return;
  }
  const ActiveXEntry& entry = entries_[static_cast<size_t>(index)];
  const ActiveXAdvice advice = AdviseOn(entry);
  SetItemText(IDC_ACTXFILE, entry.filePath);
  SetItemText(IDC_ACTXDATE, advice.date);
  SetItemText(IDC_ACTXADVICE, Text(advice.adviceKey.c_str()));
}

void ActiveXPage::RemoveSelected() {
  if (removing_) return;
  const int index = SelectedIndex();
  if (index < 0) {
    Message(kNoSelectionText);
    return;
  }
  // A copy: a refresh may fill the list while a message box is open.
  const ActiveXEntry entry = entries_[static_cast<size_t>(index)];
  if (AdviseOn(entry).registryOnly)
    RemoveRegistryOnly(entry);
  else
    Unregister(entry);
}

void ActiveXPage::RemoveRegistryOnly(const ActiveXEntry& entry) {
  if (worker_.Running()) {
    // A walk is still filling the list; the removal waits for it.
    refreshQueued_ = false;
    worker_.RequestStop();
  }
  worker_.Join();
  SetBusy(true);
  const bool started = worker_.Start([this, entry](const std::atomic<bool>&) {
    auto removal = std::make_shared<RegistryRemoval>();
    try {
      *removal = dustrel::RemoveRegistryOnly(entry);
    } catch (...) {
      removal->backupFailed = true;  // nothing is known to be removed
    }
    Post([this, removal] {
      worker_.Join();
      SetBusy(false);
      const char* key = "strUnDeleteActiveRegentry";
      UINT icon = MB_ICONINFORMATION;
      if (removal->refused) {
        key = "strActiveXRefused";
        icon = MB_ICONEXCLAMATION;
      } else if (!removal->BackedUp()) {
        key = "strActiveXBackupFailed";
        icon = MB_ICONSTOP;
      } else if (!removal->Complete()) {
        key = "strActiveXDeleteFailed";
        icon = MB_ICONEXCLAMATION;
      }
      Refresh();
      Message(Text(key), std::string(), MB_OK | icon);
    });
  });
  if (!started) SetBusy(false);
}

void ActiveXPage::Unregister(const ActiveXEntry& entry) {
  SetBusy(true);
  UnregisterResult result;
  try {
    result = UnregisterAndRecord(entry);
  } catch (...) {
    result.outcome = UnregisterOutcome::Failed;  // nothing recorded
  }
  SetBusy(false);
  switch (result.outcome) {
    case UnregisterOutcome::LoadFailed:
      Message(Text("strLoadDllError"));
      return;
    case UnregisterOutcome::Failed:
      Message(Text("strUnDllError"));
      return;
    case UnregisterOutcome::NoRecordKey:
      Message(Text("strActiveXNoRecordKey"), std::string(), MB_OK | MB_ICONSTOP);
      return;
    case UnregisterOutcome::NotRecorded:
      Message(Text("strActiveXNotRecorded"), std::string(), MB_OK | MB_ICONEXCLAMATION);
      return;
    case UnregisterOutcome::Unregistered:
      Message(Text("strUnDllOK"));
      Refresh();
      Message(Text("strUnDllActiveX"));
      return;
  }
}

}  // namespace

std::unique_ptr<AdvancedPage> MakeActiveXPage() { return std::make_unique<ActiveXPage>(); }

}  // namespace dustrel
