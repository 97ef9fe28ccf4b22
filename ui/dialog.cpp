#include "dialog.h"

namespace suite {

// ---------------------------------------------------------------- the base

int DialogBase::Message(const std::string& text, const std::string& caption, UINT flags) {
  return ::MessageBoxA(hwnd_, text.c_str(), caption.empty() ? nullptr : caption.c_str(), flags);
}

INT_PTR CALLBACK DialogBase::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DialogBase* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<DialogBase*>(lp);
    SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
    self->posted_.Open(hwnd);
  } else {
    self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    return self->Dispatch(msg, wp, lp);
  } catch (...) {
    // A failure inside one handler must not unwind through the system's
    // dialog manager; the message counts as not handled.
    return FALSE;
  }
}

INT_PTR DialogBase::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  Observe(msg, wp, lp);
  LRESULT result = 0;
  switch (msg) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_COMMAND:
      if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return TRUE;
      return LOWORD(wp) == IDCANCEL && CancelUnhandled() ? TRUE : FALSE;
    case WM_NOTIFY:
      if (!OnNotify(reinterpret_cast<NMHDR*>(lp), result)) return FALSE;
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    case WM_DESTROY: {
      posted_.Close();
      for (Worker* worker : workers_) worker->RequestStop();
      for (Worker* worker : workers_) worker->Join();
      OnDestroy();
      SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
      hwnd_ = nullptr;
      return FALSE;
    }
    default:
      if (msg == PostQueue::kRunMessage) {
        posted_.RunPosted();
        return TRUE;
      }
      break;
  }
  if (!OnMessage(msg, wp, lp, result)) return FALSE;
  // These messages take their answer as the procedure's return value (a
  // brush, an index), not through DWLP_MSGRESULT.
  if ((msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
      msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON)
    return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

// ---------------------------------------------------------------- modal

INT_PTR Dialog::DoModal(HINSTANCE instance, int templateId, HWND parent) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, &DialogBase::Procedure,
                         reinterpret_cast<LPARAM>(static_cast<DialogBase*>(this)));
}

INT_PTR Dialog::DoModalIndirect(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate,
                                HWND parent) {
  return DialogBoxIndirectParamA(instance, dialogTemplate, parent, &DialogBase::Procedure,
                                 reinterpret_cast<LPARAM>(static_cast<DialogBase*>(this)));
}

void Dialog::End(INT_PTR code) { EndDialog(Handle(), code); }

HICON Dialog::SetAppIcon(int resourceId) {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  return icon;
}

void Dialog::HideOffscreen() {
  keepHidden_ = true;
  SetWindowPos(Handle(), nullptr, -1024, -800, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void Dialog::RunUnattended(std::function<void()> job) {
  HideOffscreen();
  const HWND window = Handle();
  unattended_.Start([this, window, job = std::move(job)](const std::atomic<bool>&) {
    Sleep(1000);
    ShowWindow(window, SW_HIDE);
    try {
      job();
    } catch (...) {
      // The console waits for this process with no time-out: a job that
      // failed ends it at once, with exit status 1.
      ExitProcess(1);
    }
    Post([this] { End(0); });
  });
}

void Dialog::Observe(UINT msg, WPARAM, LPARAM lp) {
  // The dialog manager shows a modal dialog once its queue is idle; an
  // unattended run keeps it hidden.
  if (msg == WM_WINDOWPOSCHANGING && keepHidden_)
    reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~SWP_SHOWWINDOW;
}

bool Dialog::CancelUnhandled() {
  End(IDCANCEL);
  return true;
}

// ---------------------------------------------------------------- modeless

bool ModelessDialog::Create(HINSTANCE instance, int templateId, HWND owner) {
  Destroy();
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, &DialogBase::Procedure,
                            reinterpret_cast<LPARAM>(static_cast<DialogBase*>(this))) != nullptr;
}

void ModelessDialog::Destroy() {
  if (Handle()) DestroyWindow(Handle());  // WM_DESTROY forgets the handle
}

}  // namespace suite
