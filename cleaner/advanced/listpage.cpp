#include "listpage.h"

#include <shellapi.h>

#include <memory>

#include "inifile.h"
#include "regremoval.h"
#include "resource.h"
#include "text.h"
#include "texts.h"

namespace dustrel {

namespace {
const char kNoRowText[] = "请先选中要清理的项目!";
const char kUnreadableText[] = "Read Registry Error!";
}  // namespace

// One refresh's rows and icons, handed from the worker to the window's thread.
// Icons not taken into the list (a refresh dropped by a closing window) are
// released with it.
struct ListPage::Batch {
  AdvList list;
  std::vector<HICON> icons;  // per row with rowIcons; null: the page's own icon
  Batch() = default;
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  ~Batch() {
    for (HICON icon : icons)
      if (icon) DestroyIcon(icon);
  }
};

ListPage::ListPage(ListPageSetup setup, int icon)
    : ChildPage(IDD_ADVLISTPAGE), setup_(std::move(setup)), icon_(icon) {
  StopWithWindow(worker_);
}

ListPage::~ListPage() {
  // Destroyed here, while the page's own handlers still answer: the running
  // refresh stops with the window and is waited for before the rows' engine goes.
  Destroy();
}

BOOL ListPage::OnInit() {
  list_.Attach(Item(IDC_ADVLIST));
  const suite::TextBinding captions[] = {{IDC_ADVEXPLAIN, setup_.explainKey},
                                         {IDC_ADVREFRESH, setup_.refreshKey},
                                         {IDC_ADVDELETE, setup_.deleteKey}};
  suite::ApplyTexts(Handle(), kAdvancedIni, captions);
  list_.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                         (setup_.checkboxes ? LVS_EX_CHECKBOXES : 0));
  images_ = ImageList_Create(16, 16, ILC_COLOR8 | ILC_MASK, 1, 1);
  ownIcon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon_),
                                           IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  list_.SetImages(images_);  // the list owns it
  suite::InterfaceTexts texts(kAdvancedIni);
  for (size_t c = 0; c < setup_.columns.size(); ++c)
    list_.AddColumn(static_cast<int>(c), texts.Get(setup_.columns[c].key), setup_.columns[c].width);
  RECT client;
  GetClientRect(Handle(), &client);
  Layout(client.right, client.bottom);
  Refresh();
  return TRUE;
}

void ListPage::Layout(int width, int height) {
  const int margin = 6, explainHeight = 40, buttonWidth = 120, buttonHeight = 24;
  const int inner = width - 2 * margin;
  if (inner <= 0 || height <= explainHeight + buttonHeight + 4 * margin) return;
  const int buttonTop = height - margin - buttonHeight;
  MoveWindow(Item(IDC_ADVEXPLAIN), margin, margin, inner, explainHeight, TRUE);
  MoveWindow(list_.Handle(), margin, margin * 2 + explainHeight, inner,
             buttonTop - margin - (margin * 2 + explainHeight), TRUE);
  MoveWindow(Item(IDC_ADVDELETE), width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight,
             TRUE);
  MoveWindow(Item(IDC_ADVREFRESH), width - 2 * (margin + buttonWidth), buttonTop, buttonWidth,
             buttonHeight, TRUE);
}

bool ListPage::OnCommand(int id, int /*code*/, HWND) {
  if (id == IDC_ADVREFRESH) {
    Refresh();
    return true;
  }
  if (id == IDC_ADVDELETE) {
    DeleteFocused();
    return true;
  }
  return false;
}

bool ListPage::OnMessage(UINT msg, WPARAM /*wp*/, LPARAM lp, LRESULT& /*result*/) {
  if (msg == WM_SIZE) Layout(LOWORD(lp), HIWORD(lp));
  return false;
}

void ListPage::OnDestroy() {
  if (ownIcon_) DestroyIcon(ownIcon_);
  ownIcon_ = nullptr;
  list_.Attach(nullptr);
}

void ListPage::Refresh() {
  if (worker_.Running()) {
    // Never two builds at once: this one follows the running one.
    refreshQueued_ = true;
    return;
  }
  worker_.Join();
  const bool rowIcons = setup_.rowIcons;
  worker_.Start([this, rowIcons](const std::atomic<bool>& stop) {
    auto batch = std::make_shared<Batch>();
    batch->list = BuildRows(stop);
    if (rowIcons) {
      const HINSTANCE self = GetModuleHandleA(nullptr);
      for (const AdvRow& row : batch->list.rows) {
        if (stop) return;
        HICON icon = nullptr;
        if (!row.iconFile.empty()) {
          icon = ExtractIconA(self, row.iconFile.c_str(), static_cast<UINT>(row.iconIndex));
          // 1: the file is no icon source.
          if (reinterpret_cast<UINT_PTR>(icon) == 1) icon = nullptr;
        }
        batch->icons.push_back(icon);
      }
    }
    if (stop) return;
    Post([this, batch] { Fill(*batch); });
  });
}

void ListPage::Fill(Batch& batch) {
  if (!list_.Handle()) return;
  rows_ = std::move(batch.list.rows);
  {
    const suite::ListView::Batch quiet(list_);
    list_.Clear();
    ImageList_RemoveAll(images_);
    if (!setup_.rowIcons) ImageList_AddIcon(images_, ownIcon_);
    for (size_t i = 0; i < rows_.size(); ++i) {
      const AdvRow& row = rows_[i];
      int image = 0;
      if (setup_.rowIcons) {
        HICON icon = i < batch.icons.size() && batch.icons[i] ? batch.icons[i] : ownIcon_;
        image = ImageList_AddIcon(images_, icon);
      }
      const int index = list_.AddRow(row.columns, image);
      if (index >= 0 && setup_.checkboxes) list_.SetChecked(index, row.checked);
    }
  }
  if (!batch.list.opened && setup_.unreadableMessage) Message(kUnreadableText);
  if (refreshQueued_) {
    refreshQueued_ = false;
    worker_.Join();  // the finished build's thread is ending
    Refresh();
  }
}

void ListPage::DeleteFocused() {
  const int index = list_.Focused();
  if (index < 0 || static_cast<size_t>(index) >= rows_.size()) {
    Message(kNoRowText);
    return;
  }
  // A copy: a refresh may fill the list while the questions are open.
  const AdvRow row = rows_[static_cast<size_t>(index)];
  suite::InterfaceTexts texts(kAdvancedIni);
  const std::string question =
      suite::Format("%s:%s?\n\n%s\n\n%s", texts.Get("strTDelMess0").c_str(), row.name.c_str(),
                    texts.Get("strTDelMess1").c_str(), texts.Get("strTDelMess2").c_str());
  bool removed = false;
  if (Message(question, "Warning", MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK) {
    const std::vector<suite::RegEntry> entries = EntriesToRemove(row);
    if (!entries.empty()) {
      const suite::RemovalReport result = suite::RemoveWithBackup(entries);
      if (!result.BackedUp())
        Message(texts.Get("strAdvBackupFail"), std::string(), MB_OK | MB_ICONSTOP);
      else if (!result.AllGone())
        Message(texts.Get("strAdvDeleteFail"), std::string(), MB_OK | MB_ICONEXCLAMATION);
      removed = result.AllGone();
    }
  }
  if (setup_.refreshAfterDelete) {
    Refresh();
  } else if (removed) {
    // The row removed, found again by its name (the list may have been filled anew).
    for (size_t i = 0; i < rows_.size(); ++i) {
      if (rows_[i].name == row.name) {
        list_.DeleteRow(static_cast<int>(i));
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
  }
}

}  // namespace dustrel
