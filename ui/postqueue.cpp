#include "postqueue.h"

namespace suite {

void PostQueue::Open(HWND window) {
  std::lock_guard<std::mutex> lock(lock_);
  window_ = window;
}

void PostQueue::Close() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> lock(lock_);
    window_ = nullptr;
    dropped.swap(tasks_);
  }
  // The dropped tasks (and what they hold) are released outside the lock.
}

void PostQueue::Post(std::function<void()> task) {
  std::lock_guard<std::mutex> lock(lock_);
  if (!window_) return;
  tasks_.push_back(std::move(task));
  if (tasks_.size() == 1) PostMessageA(window_, kRunMessage, 0, 0);
}

void PostQueue::RunPosted() {
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard<std::mutex> lock(lock_);
    tasks.swap(tasks_);
  }
  for (auto& task : tasks) {
    // One task that fails must not take the tasks posted after it along.
    try {
      if (task) task();
    } catch (...) {
    }
  }
}

}  // namespace suite
