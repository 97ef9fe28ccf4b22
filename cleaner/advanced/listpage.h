// The list page of the advanced tools window: an explanation field, a report
// list, a refresh button that rebuilds the list and a delete button that
// removes the focused row after asking. The rows (and their icons) are built
// on a worker thread by the page's engine and filled into the list on the
// window's thread, so the window keeps answering; a refresh asked for while
// one runs is done once the running one has filled the list, never beside it.
// Closing the window stops a running refresh (the engine tests the stop flag
// between rows) and waits for it; nothing is killed.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <vector>

#include "advlist.h"
#include "childpage.h"
#include "listview.h"
#include "worker.h"

namespace dustrel {

struct ListColumn {
  const char* key;  // heading's text key
  int width;
};

struct ListPageSetup {
  const char* explainKey;
  const char* refreshKey;
  const char* deleteKey;
  std::vector<ListColumn> columns;
  bool checkboxes = false;   // the file-type page ticks its faulty rows
  bool rowIcons = false;     // each row its own icon (else one icon for all)
  bool refreshAfterDelete = true;  // else a removed row is taken out of the list
  bool unreadableMessage = false;  // "Read Registry Error!" when the key cannot be read
};

class ListPage : public ChildPage {
 public:
  // `icon`: the page's icon resource, on every row (or on rows without one of their own).
  ListPage(ListPageSetup setup, int icon);
  ~ListPage() override;

 protected:
  // On the worker thread: the page's rows.
  virtual AdvList BuildRows(const std::atomic<bool>& stop) = 0;
  // After the user agreed to remove `row`: what to remove (the row's entries
  // by default). Empty: nothing is removed.
  virtual std::vector<suite::RegEntry> EntriesToRemove(const AdvRow& row) { return row.entries; }

  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void OnDestroy() override;

  void Refresh();
  void DeleteFocused();

 private:
  struct Batch;
  void Fill(Batch& batch);
  void Layout(int width, int height);

  ListPageSetup setup_;
  int icon_;
  suite::ListView list_;
  HIMAGELIST images_ = nullptr;
  HICON ownIcon_ = nullptr;
  std::vector<AdvRow> rows_;  // in list order, as last filled
  suite::Worker worker_;
  bool refreshQueued_ = false;
};

}  // namespace dustrel
