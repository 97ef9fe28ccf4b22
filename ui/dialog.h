// A modal dialog built from a dialog template: one static dialog procedure
// forwards to the virtual handlers of the object. No exception leaves the
// procedure. Work that other threads hand to the window (rows found by a scan,
// status texts) runs on the window's thread through Post().
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "postqueue.h"
#include "worker.h"

namespace suite {

class Dialog {
 public:
  Dialog() = default;
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog until End(); returns the code passed to End().
  INT_PTR DoModal(HINSTANCE instance, int templateId, HWND parent = nullptr);
  // The same from a template in memory.
  INT_PTR DoModalIndirect(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate,
                          HWND parent = nullptr);
  HWND Handle() const { return hwnd_; }

  // Runs `task` on the window's thread; callable from any thread. Tasks posted
  // after the window is gone are dropped; a task that throws is abandoned and
  // the tasks after it still run.
  void Post(std::function<void()> task);

 protected:
  virtual BOOL OnInit() { return TRUE; }
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // For WM_CTLCOLOR* (and the few other messages whose answer is the return
  // value) `result` is returned as it is, e.g. the brush handle.
  virtual bool OnMessage(UINT /*msg*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
  // Called while the window still exists, before it is destroyed.
  virtual void OnDestroy() {}

  void End(INT_PTR code);
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void SetItemText(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }
  void EnableItem(int id, bool enable) { EnableWindow(Item(id), enable ? TRUE : FALSE); }
  int Message(const std::string& text, const std::string& caption = std::string(),
                 UINT flags = MB_OK);

  // Sets the program's icon (a resource of the executable) as the window's big
  // and small icon, and returns it.
  HICON SetAppIcon(int resourceId);
  // Unattended runs: the window is moved to (-1024, -800) and never shown.
  void HideOffscreen();
  // The unattended run of a cleaner: hides the window off-screen, then on a
  // worker thread waits 1000 ms, runs `job` and ends the dialog with exit
  // status 0 (the job may end the process itself, e.g. with status 1). A job
  // that fails (throws) ends the process with exit status 1: an unattended
  // run always ends.
  void RunUnattended(std::function<void()> job);

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  bool keepHidden_ = false;
  PostQueue posted_;
  Worker unattended_;
};

}  // namespace suite
