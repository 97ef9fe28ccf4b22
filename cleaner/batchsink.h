// A row sink that hands the rows of a worker to a window in batches: rows
// collect in a queue, and the window is woken only when the queue turns from
// empty to non-empty. While the window is busy adding one batch the next one
// grows, so the number of wake-ups follows the window's pace, not the rows'.
// Status texts are kept to the latest one and passed at most every
// `statusIntervalMs`.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "founditem.h"

namespace dustrel {

class BatchSink : public RowSink {
 public:
  // `wake` is called (on the worker's thread) when rows or a status text are
  // waiting; it should post Drain to the window's thread.
  explicit BatchSink(std::function<void()> wake, unsigned statusIntervalMs = 100);

  void Add(FoundItem row) override;
  void Status(const std::string& text) override;

  // Takes everything waiting; `status` gets the newest text (empty if none).
  // Called on the window's thread.
  std::vector<FoundItem> Take(std::string& status);
  size_t Added() const;  // rows added so far

 private:
  void WakeLocked(std::unique_lock<std::mutex>& lock);

  std::function<void()> wake_;
  unsigned statusIntervalMs_;
  mutable std::mutex lock_;
  std::vector<FoundItem> rows_;
  std::string status_;
  bool woken_ = false;  // a wake-up is on its way and has not been taken yet
  unsigned long lastStatus_ = 0;
  size_t added_ = 0;
};

}  // namespace dustrel
