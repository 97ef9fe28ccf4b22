#include "postqueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

namespace {

void Pump(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  const DWORD start = GetTickCount();
  MSG msg;
  while (!done() && GetTickCount() - start < timeoutMs) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
}

}  // namespace

TEST(PostQueue, TasksRunInOrderOnTheWindowsThreadAndAreDroppedOnceClosed) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  suite::PostQueue queue;
  queue.Open(window);
  const DWORD windowThread = GetCurrentThreadId();
  std::vector<int> order;
  std::atomic<bool> wrongThread{false};
  std::thread other([&] {
    for (int i = 0; i < 50; ++i)
      queue.Post([&, i] {
        if (GetCurrentThreadId() != windowThread) wrongThread = true;
        order.push_back(i);
      });
  });
  other.join();
  queue.Post([] { throw std::runtime_error("one task fails"); });
  queue.Post([&] { order.push_back(50); });
  // The window is a plain control: its queue runs when the message arrives.
  Pump([&] {
    MSG msg;
    if (PeekMessageA(&msg, window, suite::PostQueue::kRunMessage, suite::PostQueue::kRunMessage,
                     PM_REMOVE))
      queue.RunPosted();
    return order.size() == 51;
  });
  ASSERT_EQ(order.size(), 51u);
  for (int i = 0; i <= 50; ++i) EXPECT_EQ(order[i], i);
  EXPECT_FALSE(wrongThread);

  queue.Close();
  bool ran = false;
  queue.Post([&] { ran = true; });
  queue.RunPosted();
  EXPECT_FALSE(ran);
  DestroyWindow(window);
}
