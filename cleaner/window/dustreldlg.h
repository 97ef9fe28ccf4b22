// The main window of Dustrel: the scan-target list, the result list (a
// virtual list over ResultModel), the command buttons, the tray icon and the
// silent modes. Scans and cleaning runs work on a worker thread and reach the
// window only through Post(); the window keeps no engine logic of its own.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "batchsink.h"
#include "dialog.h"
#include "listview.h"
#include "progressdlg.h"
#include "resultmodel.h"
#include "scantargets.h"
#include "shellglue.h"
#include "tooltips.h"
#include "trayicon.h"
#include "worker.h"

namespace dustrel {

class DustrelDialog : public suite::Dialog {
 public:
  explicit DustrelDialog(ShellMode mode) : mode_(mode) { StopWithWindow(worker_); }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void OnDestroy() override;

 private:
  void BuildTargetList();
  void BuildResultList();
  void ShowResults(bool results);
  void SetStatus(const std::string& text) { SetItemText(1006, text); }
  void RefreshResults(bool keepTop);

  void StartScan();
  void StopScanSoft();
  void StopScanHard();
  void DrainScan(unsigned generation);
  void ScanEnded(unsigned generation, bool stopped, const std::string& skipped);
  void StartClean();
  void CleanEnded(unsigned generation, const CleanOutcome& outcome);
  void SaveSelection();
  void Close(INT_PTR code);
  void StartCompanion(const char* exeName);
  void TickAllAsked();
  void FlipSelected();
  void ContextMenu();
  void ViewFocused();
  void RemoveFocused();
  void ToggleResultTick(int row);
  int FocusedResult() const;
  std::vector<bool> TargetTicks() const;
  ScanTargets CurrentTargets() const;  // the rows with the ticks the list shows now

  ShellMode mode_;
  suite::ListView targets_;
  ScanTargets targetRows_;
  suite::ListView results_;  // virtual: its rows are model_'s
  ResultModel model_;
  suite::Worker worker_;
  std::shared_ptr<BatchSink> sink_;
  ScanProgressDialog progress_{[this] { StopScanHard(); }};
  CleanProgressDialog cleanPopup_;
  suite::TrayIcon tray_;
  suite::ButtonTooltips tips_;
  HICON icon_ = nullptr;
  unsigned generation_ = 0;          // rows of an earlier scan are dropped
  bool scanning_ = false;
  bool scanDone_ = false;
  bool cleaning_ = false;
  bool stopping_ = false;
  bool closing_ = false;          // closed during a clean: ends when the run has stopped
  INT_PTR closeCode_ = IDOK;
  bool autoExitPending_ = false;  // the next cleaning run is the reduced one, then shutdown
};

}  // namespace dustrel
