// The Patchmoor window: the list of update backup folders, its statistics and
// the clean command; with "-Auto" the same scan and clean run unattended.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "dialog.h"
#include "listview.h"
#include "patchscan.h"
#include "worker.h"

namespace patchmoor {

class PatchDialog : public suite::Dialog {
 public:
  explicit PatchDialog(bool unattended) : unattended_(unattended) { StopWithWindow(worker_); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  void StartScan(bool announce);
  void ShowScan(PatchScanResult result, bool announce);
  void CleanTicked();
  void StartUpdateTool();
  void SetBusy(bool busy);
  class PostedProgress;

  bool unattended_;
  suite::ListView list_;
  HWND cleaningLabel_ = nullptr;
  std::vector<PatchBackup> rows_;
  suite::Worker worker_;
};

}  // namespace patchmoor
