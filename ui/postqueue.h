// The queue behind Post(): work that other threads hand to a window runs on
// the window's thread, in the order posted. One queue per window; the window
// opens it when it is made and closes it when it is destroyed, after which
// posted work is dropped. A task that throws is abandoned and the tasks after
// it still run. Shared by the modal dialogs and the modeless (child) ones.
#pragma once
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>

namespace suite {

class PostQueue {
 public:
  // The window message that asks the window to run its queue.
  static const UINT kRunMessage = WM_APP + 0x3f0;

  void Open(HWND window);
  // Drops what is queued; later posts are dropped too.
  void Close();
  // Callable from any thread.
  void Post(std::function<void()> task);
  // On the window's thread, when kRunMessage arrives.
  void RunPosted();

 private:
  std::mutex lock_;
  std::deque<std::function<void()>> tasks_;
  HWND window_ = nullptr;  // guarded by lock_; null while closed
};

}  // namespace suite
