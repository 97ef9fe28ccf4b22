// The suite's dialog windows, made from dialog templates. One base holds the
// one static dialog procedure and its one dispatch: init, command, notify,
// the other messages, destroy, and the tasks other threads Post() to the
// window. Two kinds stand on it: the modal Dialog (DoModal ... End) and the
// ModelessDialog (Create ... Destroy: progress windows owned by another window
// of the same thread, and child pages placed inside another window when the
// template has the child style). No exception leaves the procedure.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "postqueue.h"
#include "worker.h"

namespace suite {

class DialogBase {
  friend class ModelessDialog;

 public:
  DialogBase() = default;
  virtual ~DialogBase() = default;
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

  HWND Handle() const { return hwnd_; }
  bool Exists() const { return hwnd_ != nullptr; }

  // Runs `task` on the window's thread; callable from any thread. This is the
  // one way work reaches a window from a worker. Tasks posted after the window
  // is gone are dropped; a task that throws is abandoned and the tasks after
  // it still run.
  // An engine's sink for a window posts each report as a call of one of the
  // window's own methods, with copies of the report's texts.
  void Post(std::function<void()> task) { posted_.Post(std::move(task)); }

 protected:
  // WM_INITDIALOG: TRUE lets the dialog manager set the focus.
  virtual BOOL OnInit() { return TRUE; }
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // WM_NOTIFY; `result` becomes the answer (DWLP_MSGRESULT) when handled.
  virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  // Every other message. When handled, `result` is the answer: returned as it
  // is for the messages that answer through the procedure's value (WM_CTLCOLOR*,
  // WM_COMPAREITEM, WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON), set as
  // DWLP_MSGRESULT for all others. Nobody sets DWLP_MSGRESULT by hand.
  virtual bool OnMessage(UINT /*msg*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
  // Called while the window still exists, before it is destroyed, after the
  // workers that stop with the window have ended.
  virtual void OnDestroy() {}

  // `worker` (a member of the window) is asked to stop and waited for when
  // the window is destroyed, before OnDestroy: no thread of the window's
  // touches it after it is gone. Called from the window's constructor.
  void StopWithWindow(Worker& worker) { workers_.push_back(&worker); }

  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void SetItemText(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }
  void EnableItem(int id, bool enable) { EnableWindow(Item(id), enable ? TRUE : FALSE); }
  // A progress bar of the window.
  void SetBarRange(int id, int low, int high) { SendDlgItemMessageA(hwnd_, id, PBM_SETRANGE32, low, high); }
  void SetBarPosition(int id, int position) { SendDlgItemMessageA(hwnd_, id, PBM_SETPOS, position, 0); }
  // The window's own caption.
  void SetCaption(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }
  // A message box over the window; no caption given: the system's.
  int Message(const std::string& text, const std::string& caption = std::string(),
              UINT flags = MB_OK);

  // Both kinds create their window through this procedure, with the object
  // as the creation parameter.
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

 private:
  // What a kind adds to the dispatch: a look at every message first, and the
  // answer to an IDCANCEL no handler took.
  virtual void Observe(UINT /*msg*/, WPARAM, LPARAM) {}
  virtual bool CancelUnhandled() { return false; }

  INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);

  HWND hwnd_ = nullptr;
  PostQueue posted_;
  std::vector<Worker*> workers_;
};

// A modal dialog: shown until End(). An IDCANCEL (Esc, the close box) that
// no handler takes ends it with IDCANCEL.
class Dialog : public DialogBase {
 public:
  Dialog() { StopWithWindow(unattended_); }
  // Shows the dialog until End(); returns the code passed to End().
  INT_PTR DoModal(HINSTANCE instance, int templateId, HWND parent = nullptr);
  // The same from a template in memory.
  INT_PTR DoModalIndirect(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate,
                          HWND parent = nullptr);

 protected:
  void End(INT_PTR code);
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
  void Observe(UINT msg, WPARAM wp, LPARAM lp) override;
  bool CancelUnhandled() override;

  bool keepHidden_ = false;
  Worker unattended_;
};

// A modeless dialog, destroyed by Destroy() or with the object. An IDCANCEL
// that no handler takes is ignored.
class ModelessDialog : public DialogBase {
 public:
  // A window still up here goes without its owner's workers: they were
  // members of the derived object, gone by now (a page that has workers
  // destroys its window in its own destructor).
  ~ModelessDialog() override {
    workers_.clear();
    Destroy();
  }
  // Creates the window (hidden unless the template says WS_VISIBLE); false
  // when it could not be made. A window made before is destroyed first.
  bool Create(HINSTANCE instance, int templateId, HWND owner);
  void Destroy();
};

}  // namespace suite
