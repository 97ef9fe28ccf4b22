// A modeless dialog from a dialog template, owned by another window of the
// same thread (progress windows that stay up while their owner works on), or
// a child dialog placed inside another window (the pages of a tabbed window)
// when the template has the child style.
// One static procedure forwards to the virtual handlers; no exception leaves
// it. The window is destroyed by Destroy() or with the object.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "postqueue.h"

namespace suite {

class ModelessDialog {
 public:
  ModelessDialog() = default;
  virtual ~ModelessDialog() { Destroy(); }
  ModelessDialog(const ModelessDialog&) = delete;
  ModelessDialog& operator=(const ModelessDialog&) = delete;

  // Creates the window (hidden unless the template says WS_VISIBLE); false
  // when it could not be made. A window made before is destroyed first.
  bool Create(HINSTANCE instance, int templateId, HWND owner);
  void Destroy();
  HWND Handle() const { return hwnd_; }
  bool Exists() const { return hwnd_ != nullptr; }
  // Runs `task` on the window's thread; callable from any thread. Tasks posted
  // after the window is gone are dropped (see PostQueue).
  void Post(std::function<void()> task) { posted_.Post(std::move(task)); }

 protected:
  virtual void OnInit() {}
  virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
  // Messages other than WM_INITDIALOG, WM_COMMAND and WM_DESTROY; `result`
  // is the procedure's answer when the message is handled.
  virtual bool OnMessage(UINT /*msg*/, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }
  virtual void OnDestroy() {}

  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void SetItemText(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
  PostQueue posted_;
};

}  // namespace suite
