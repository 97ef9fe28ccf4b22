// A modeless dialog from a dialog template, owned by another window of the
// same thread (progress windows that stay up while their owner works on).
// One static procedure forwards to the virtual handlers; no exception leaves
// it. The window is destroyed by Destroy() or with the object.
#pragma once
#include <windows.h>

#include <string>

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
};

}  // namespace suite
