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
#include "inifile.h"
#include "resource.h"
#include "worker.h"

namespace dustrel {

namespace {

const char kNoSelectionText[] = "请先选中要清理的控件!";

class ActiveXPage : public ChildPage {
 public:
  ActiveXPage() : ChildPage(IDD_ACTIVEXPAGE) {}
  ~ActiveXPage() override {
    // The window goes first (its handlers stop the worker), then the worker.
    Destroy();
    worker_.RequestStop();
    worker_.Join();
  }

 protected:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  void OnDestroy() override;

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

  HWND list_ = nullptr;
  std::vector<ActiveXEntry> entries_;  // in list order, as last filled
  suite::Worker worker_;
  bool refreshQueued_ = false;
  bool removing_ = false;
  bool filling_ = false;
};

void ActiveXPage::OnInit() {
  list_ = Item(IDC_ACTXLIST);
  suite::InterfaceTexts texts(kAdvancedIni);
  const std::pair<int, const char*> captions[] = {
      {IDC_ACTXEXPLAIN, "IDC_STATICACTIVESM"},   {IDC_ACTXGROUP, "IDC_STATICACTIVEXKG"},
      {IDC_ACTXFILELABEL, "IDC_STATICACTTJ1"},   {IDC_ACTXDATELABEL, "IDC_STATICACTTJ2"},
      {IDC_ACTXADVICELABEL, "IDC_STATICACTTJ3"}, {IDC_ACTXREMOVE, "IDOKINACTX"},
      {IDC_ACTXREFRESH, "IDC_BUTTONREAC2"}};
  for (const auto& caption : captions) {
    // A key the settings file lacks keeps the built-in caption.
    const std::string text = texts.Get(caption.second);
    if (!text.empty()) SetItemText(caption.first, text);
  }
  ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT box;
  GetClientRect(list_, &box);
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  column.cx = box.right - GetSystemMetrics(SM_CXVSCROLL);
  SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  Refresh();
}

bool ActiveXPage::OnCommand(int id, int /*code*/) {
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

bool ActiveXPage::OnMessage(UINT msg, WPARAM /*wp*/, LPARAM lp, INT_PTR& result) {
  if (msg != WM_NOTIFY) return false;
  const NMHDR* header = reinterpret_cast<const NMHDR*>(lp);
  if (header->hwndFrom != list_) return false;
  const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lp);
  if (header->code == LVN_ITEMCHANGING && !filling_ && (change->uChanged & LVIF_STATE) &&
      ((change->uOldState ^ change->uNewState) & LVIS_STATEIMAGEMASK)) {
    // The ticks only mark suspect controls: the user does not change them.
    SetWindowLongPtrA(Handle(), DWLP_MSGRESULT, TRUE);
    result = TRUE;
    return true;
  }
  if (header->code == LVN_ITEMCHANGED && !filling_ && (change->uChanged & LVIF_STATE) &&
      ((change->uOldState ^ change->uNewState) & LVIS_SELECTED)) {
    ShowSelected();
  }
  return false;
}

void ActiveXPage::OnDestroy() {
  worker_.RequestStop();
  worker_.Join();
  list_ = nullptr;
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
  if (!list_) return;
  filling_ = true;
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list_);
  entries_ = std::move(listing.entries);
  for (size_t i = 0; i < entries_.size(); ++i) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(entries_[i].displayName.c_str());
    const int index =
        static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index >= 0 && i < listing.orphan.size() && listing.orphan[i])
      ListView_SetCheckState(list_, index, TRUE);
  }
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  filling_ = false;
  ClearFields();
  worker_.Join();  // the finished walk's thread is ending
  if (refreshQueued_) {
    refreshQueued_ = false;
    Refresh();
  }
}

int ActiveXPage::SelectedIndex() const {
  const int index = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
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
