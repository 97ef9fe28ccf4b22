#include "tippage.h"

#include <gtest/gtest.h>
#include <unknwn.h>

#include <cstdio>
#include <string>

#include "probes.h"

namespace {

int ChildCount(HWND parent) {
  int n = 0;
  EnumChildWindows(
      parent, [](HWND, LPARAM lp) WINAPI -> BOOL {
        ++*reinterpret_cast<int*>(lp);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&n));
  return n;
}

class TipPage : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 120, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    DeleteFileA(page_.c_str());
  }
  HWND parent_ = nullptr;
  // A page of its own beside the test program.
  const std::string pageName_ = "TipPageTest.htm";
  const std::string page_ = suite::ProgramFolderPath(pageName_);
};

// The strip holds the browser or nothing: where no browser engine can show
// the page (as under Wine without one), no empty host window is left behind
// and the caller is told so, to show its own text.
TEST_F(TipPage, IsEitherABrowserOrNothing) {
  FILE* f = std::fopen(page_.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("<html><body>tip</body></html>", f);
  std::fclose(f);
  const RECT area = {0, 0, 300, 60};
  HWND host = suite::ShowTipPage(parent_, area, pageName_);
  if (host) {
    EXPECT_EQ(GetParent(host), parent_);
    // The host holds the browser control.
    using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
    HMODULE atl = GetModuleHandleA("atl.dll");
    ASSERT_NE(atl, nullptr);
    auto getControl = reinterpret_cast<GetControlFn>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    ASSERT_NE(getControl, nullptr);
    IUnknown* control = nullptr;
    EXPECT_TRUE(SUCCEEDED(getControl(host, &control)) && control) << "an empty host window";
    if (control) control->Release();
  } else {
    EXPECT_EQ(ChildCount(parent_), 0) << "an empty host window stayed";
  }
}

TEST_F(TipPage, AMissingPageShowsNothing) {
  const RECT area = {0, 0, 300, 60};
  EXPECT_EQ(suite::ShowTipPage(parent_, area, "NoSuchTipPage.htm"), nullptr);
  EXPECT_EQ(ChildCount(parent_), 0);
}

}  // namespace
