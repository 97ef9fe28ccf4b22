#include "dialog.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "worker.h"

namespace {

// A small dialog template in memory (no resources in a test program).
struct alignas(4) EmptyTemplate {
  DLGTEMPLATE header{WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 0, 0, 100, 50};
  WORD menu = 0, windowClass = 0, title = 0;
};

class Probe : public suite::Dialog {
 public:
  std::function<void(Probe&)> onInit;
  LRESULT answer = 0;  // what the handlers answer
  void Finish(INT_PTR code) { End(code); }
  void Unattended(std::function<void()> job) { RunUnattended(std::move(job)); }

 protected:
  BOOL OnInit() override {
    if (onInit) onInit(*this);
    return TRUE;
  }
  bool OnNotify(NMHDR*, LRESULT& result) override {
    result = answer;
    return true;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
    if (msg != WM_APP && msg != WM_CTLCOLORSTATIC) return false;
    result = answer;
    return true;
  }
};

INT_PTR Show(Probe& dialog) {
  static EmptyTemplate templ;
  return dialog.DoModalIndirect(GetModuleHandleA(nullptr), &templ.header);
}

}  // namespace

TEST(Dialog, APostedTaskThatThrowsDoesNotStopTheNextOnes) {
  Probe dialog;
  int ran = 0;
  dialog.onInit = [&](Probe& d) {
    d.Post([] { throw std::runtime_error("one task fails"); });
    d.Post([&] { ++ran; });
    d.Post(nullptr);
    d.Post([&d, &ran] {
      ++ran;
      d.Finish(7);
    });
  };
  EXPECT_EQ(Show(dialog), 7);
  EXPECT_EQ(ran, 2);
}

// A handled message's answer reaches the sender: through DWLP_MSGRESULT, or
// as the procedure's value for the messages that answer that way.
TEST(Dialog, HandlersAnswersReachTheSender) {
  Probe dialog;
  dialog.answer = 4242;
  LRESULT notify = 0, other = 0, colour = 0;
  dialog.onInit = [&](Probe& d) {
    NMHDR header{d.Handle(), 1, NM_CLICK};
    notify = SendMessageA(d.Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&header));
    other = SendMessageA(d.Handle(), WM_APP, 0, 0);
    colour = SendMessageA(d.Handle(), WM_CTLCOLORSTATIC, 0, 0);
    d.Finish(1);
  };
  EXPECT_EQ(Show(dialog), 1);
  EXPECT_EQ(notify, 4242);
  EXPECT_EQ(other, 4242);
  EXPECT_EQ(colour, 4242);
}

TEST(Dialog, AnUnattendedRunEndsTheDialog) {
  Probe dialog;
  bool ran = false;
  dialog.onInit = [&](Probe& d) { d.Unattended([&] { ran = true; }); };
  EXPECT_EQ(Show(dialog), 0);
  EXPECT_TRUE(ran);
}

// The console waits for every cleaner with no time-out: a failed unattended
// job must still end the process, with exit status 1.
TEST(DialogDeathTest, AnUnattendedJobThatThrowsEndsTheProcessWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Probe dialog;
        dialog.onInit = [](Probe& d) {
          d.Unattended([] { throw std::runtime_error("the job failed"); });
        };
        Show(dialog);
        ExitProcess(0);  // reached only when the failure did not end the process
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(Worker, AnExceptionInTheWorkDoesNotEndTheProcess) {
  suite::Worker worker;
  ASSERT_TRUE(worker.Start([](const std::atomic<bool>&) { throw std::runtime_error("x"); }));
  worker.Join();
  EXPECT_FALSE(worker.Running());
  int value = 0;
  ASSERT_TRUE(worker.Start([&](const std::atomic<bool>& stop) {
    while (!stop) Sleep(5);
    value = 1;
  }));
  worker.RequestStop();
  worker.Join();
  EXPECT_EQ(value, 1);
}
