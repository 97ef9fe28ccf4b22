#include "worker.h"

namespace suite {

bool Worker::Start(std::function<void(const std::atomic<bool>& stop)> work) {
  if (running_) return false;
  Join();
  stop_ = false;
  running_ = true;
  thread_ = std::thread([this, work = std::move(work)] {
    try {
      work(stop_);
    } catch (...) {
      // The work's own failure handling reports to the user; an escaped
      // exception must not end the process.
    }
    running_ = false;
  });
  return true;
}

void Worker::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

}  // namespace suite
