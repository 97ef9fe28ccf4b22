#include "batchsink.h"

#include <windows.h>

namespace dustrel {

BatchSink::BatchSink(std::function<void()> wake, unsigned statusIntervalMs)
    : wake_(std::move(wake)), statusIntervalMs_(statusIntervalMs) {}

void BatchSink::WakeLocked(std::unique_lock<std::mutex>& lock) {
  if (woken_) return;
  woken_ = true;
  lock.unlock();
  if (wake_) wake_();
}

void BatchSink::Add(FoundItem row) {
  std::unique_lock<std::mutex> lock(lock_);
  rows_.push_back(std::move(row));
  ++added_;
  WakeLocked(lock);
}

void BatchSink::Status(const std::string& text) {
  const unsigned long now = GetTickCount();
  std::unique_lock<std::mutex> lock(lock_);
  if (now - lastStatus_ < statusIntervalMs_ && !status_.empty()) {
    status_ = text;  // replaces a waiting text; no new wake-up
    return;
  }
  if (now - lastStatus_ < statusIntervalMs_) return;
  lastStatus_ = now;
  status_ = text;
  WakeLocked(lock);
}

std::vector<FoundItem> BatchSink::Take(std::string& status) {
  std::lock_guard<std::mutex> lock(lock_);
  std::vector<FoundItem> out;
  out.swap(rows_);
  status.swap(status_);
  status_.clear();
  woken_ = false;
  return out;
}

size_t BatchSink::Added() const {
  std::lock_guard<std::mutex> lock(lock_);
  return added_;
}

}  // namespace dustrel
