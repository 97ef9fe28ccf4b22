// The main window of Hivemend. The window only shows rows and hands the
// buttons' work to the engines (scan, backup, repair, restore); the
// unattended run uses the same engines without the window.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "app.h"
#include "dialog.h"
#include "hivemendnames.h"
#include "listview.h"
#include "regremoval.h"
#include "regstore.h"
#include "scanengine.h"
#include "worker.h"

namespace hivemend {

// Category texts of rows 0-10 from "GuiItem%d", each cut to the table width.
ScanSettings SettingsFromTexts();

class HivemendDialog : public suite::Dialog {
 public:
  // Both workers end with the window; the registry editor's import does not
  // look at the stop flag and is waited for until it ends by itself.
  explicit HivemendDialog(suite::StartMode mode) : mode_(mode) {
    StopWithWindow(worker_);
    StopWithWindow(restoreWorker_);
  }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  void TickChanged(int row, bool checked);
  void RestoreFinished(const suite::RestoreResult& result);
  void BuildLists();
  void SetStatus(const std::string& text) { SetItemText(IDC_STATUS_ID, text); }
  void StartScan();
  void StopScan();
  void AddResult(const ScanRow& row);
  void ScanFinished(unsigned generation, bool fileCheck);
  void SyncTicks();
  bool Backup(suite::RestorePoint& point);
  void Repair();
  void Restore();
  void TickAll();

  static constexpr int IDC_STATUS_ID = 1005;
  suite::StartMode mode_;
  suite::ListView categories_;
  suite::ListView results_;
  std::vector<ScanRow> rows_;  // parallel to the result list
  bool syncingTicks_ = false;  // the window itself is changing ticks
  suite::Worker worker_;
  suite::Worker restoreWorker_;  // the registry editor's imports, off the window's thread
  bool scanning_ = false;
  unsigned generation_ = 0;  // rows posted by an earlier scan are dropped
  std::atomic<DWORD> lastStatus_{0};
  ScanSettings settings_;
};

}  // namespace hivemend
