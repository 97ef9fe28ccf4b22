#include "dialog.h"

namespace suite {

INT_PTR Dialog::DoModal(HINSTANCE instance, int templateId, HWND parent) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, &Dialog::Procedure,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModalIndirect(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate,
                                HWND parent) {
  return DialogBoxIndirectParamA(instance, dialogTemplate, parent, &Dialog::Procedure,
                                 reinterpret_cast<LPARAM>(this));
}

void Dialog::Post(std::function<void()> task) { posted_.Post(std::move(task)); }

void Dialog::End(INT_PTR code) { EndDialog(hwnd_, code); }

int Dialog::Message(const std::string& text, const std::string& caption, UINT flags) {
  return ::MessageBoxA(hwnd_, text.c_str(), caption.empty() ? nullptr : caption.c_str(), flags);
}

HICON Dialog::SetAppIcon(int resourceId) {
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  return icon;
}

void Dialog::HideOffscreen() {
  keepHidden_ = true;
  SetWindowPos(hwnd_, nullptr, -1024, -800, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
}

void Dialog::RunUnattended(std::function<void()> job) {
  HideOffscreen();
  unattended_.Start([this, job = std::move(job)](const std::atomic<bool>&) {
    Sleep(1000);
    ShowWindow(hwnd_, SW_HIDE);
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

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Dialog* self = nullptr;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lp);
    SetWindowLongPtrA(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
    self->posted_.Open(hwnd);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    return self->Handle(msg, wp, lp);
  } catch (...) {
    // A failure inside one handler must not unwind through the system's
    // dialog manager; the message counts as not handled.
    return FALSE;
  }
}

INT_PTR Dialog::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  switch (msg) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_WINDOWPOSCHANGING:
      // The dialog manager shows a modal dialog once its queue is idle; an
      // unattended run keeps it hidden.
      if (keepHidden_) reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~SWP_SHOWWINDOW;
      break;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return TRUE;
      if (LOWORD(wp) == IDCANCEL) {
        End(IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY:
      if (OnNotify(reinterpret_cast<NMHDR*>(lp), result)) {
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY: {
      posted_.Close();
      OnDestroy();
      unattended_.Join();
      return FALSE;
    }
    default:
      if (msg == PostQueue::kRunMessage) {
        posted_.RunPosted();
        return TRUE;
      }
      break;
  }
  if (OnMessage(msg, wp, lp, result)) {
    // These messages take their answer as the procedure's return value (a
    // brush, an index), not through DWLP_MSGRESULT.
    if ((msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
        msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON)
      return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}

}  // namespace suite
