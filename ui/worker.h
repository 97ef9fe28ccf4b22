// A worker thread with a cooperative stop: the work tests the flag between
// steps and returns; nothing is ever killed. No exception leaves the thread.
#pragma once
#include <atomic>
#include <functional>
#include <thread>

namespace suite {

class Worker {
 public:
  Worker() = default;
  ~Worker() { Join(); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts `work` on a new thread (after a finished one has been joined).
  // False when a run is still going.
  bool Start(std::function<void(const std::atomic<bool>& stop)> work);
  void RequestStop() { stop_ = true; }
  bool Running() const { return running_; }
  // Waits for the thread to end (RequestStop first to make it end soon).
  void Join();
  const std::atomic<bool>& StopFlag() const { return stop_; }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
};

}  // namespace suite
