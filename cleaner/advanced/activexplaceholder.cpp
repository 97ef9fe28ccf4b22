// Empty pages in the places of the two ActiveX pages until they are built.
#include "pages.h"
#include "resource.h"

namespace dustrel {

namespace {

INT_PTR CALLBACK EmptyPageProcedure(HWND, UINT msg, WPARAM, LPARAM) {
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

class EmptyPage : public AdvancedPage {
 public:
  ~EmptyPage() override {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  }
  bool Create(HINSTANCE instance, HWND tab) override {
    hwnd_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_ADVPLACEHOLDER), tab,
                               &EmptyPageProcedure, 0);
    return hwnd_ != nullptr;
  }
  HWND Handle() const override { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeActiveXPage() { return std::make_unique<EmptyPage>(); }
std::unique_ptr<AdvancedPage> MakeActiveXBackupPage() { return std::make_unique<EmptyPage>(); }

}  // namespace dustrel
