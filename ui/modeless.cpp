#include "modeless.h"

namespace suite {

bool ModelessDialog::Create(HINSTANCE instance, int templateId, HWND owner) {
  Destroy();
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner,
                            &ModelessDialog::Procedure, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void ModelessDialog::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);  // WM_DESTROY clears hwnd_
  hwnd_ = nullptr;
}

INT_PTR CALLBACK ModelessDialog::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  ModelessDialog* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<ModelessDialog*>(lp);
    SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
    self->posted_.Open(hwnd);
  } else {
    self = reinterpret_cast<ModelessDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    switch (msg) {
      case WM_INITDIALOG:
        self->OnInit();
        return TRUE;
      case WM_COMMAND:
        return self->OnCommand(LOWORD(wp), HIWORD(wp)) ? TRUE : FALSE;
      case WM_DESTROY:
        self->posted_.Close();
        self->OnDestroy();
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
      default: {
        if (msg == PostQueue::kRunMessage) {
          self->posted_.RunPosted();
          return TRUE;
        }
        INT_PTR result = 0;
        if (self->OnMessage(msg, wp, lp, result)) return result;
        return FALSE;
      }
    }
  } catch (...) {
    // A failing handler must not unwind through the dialog manager.
    return FALSE;
  }
}

}  // namespace suite
