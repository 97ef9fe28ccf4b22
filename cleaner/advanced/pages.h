// The pages of the advanced tools window ("Dustrel.exe -Advanced"): nine child
// dialogs shown one at a time inside the window's tab control, in tab order:
//   0 registry backup, 1 ActiveX controls, 2 ActiveX backups,
//   3 leftover software keys, 4 startup entries, 5 file types,
//   6 time zones, 7 keyboard layouts, 8 code pages.
// The window only creates, places, shows and hides them; each page owns its
// lists and commands.
#pragma once
#include <windows.h>

#include <memory>

namespace dustrel {

class AdvancedPage {
 public:
  virtual ~AdvancedPage() = default;
  // Creates the page as a hidden child window of `tab` (the tab control);
  // false when it could not be made.
  virtual bool Create(HINSTANCE instance, HWND tab) = 0;
  virtual HWND Handle() const = 0;
};

std::unique_ptr<AdvancedPage> MakeRegistryBackupPage();
std::unique_ptr<AdvancedPage> MakeActiveXPage();
std::unique_ptr<AdvancedPage> MakeActiveXBackupPage();
std::unique_ptr<AdvancedPage> MakeSoftwarePage();
std::unique_ptr<AdvancedPage> MakeStartupPage();
std::unique_ptr<AdvancedPage> MakeFileTypePage();
std::unique_ptr<AdvancedPage> MakeTimeZonePage();
std::unique_ptr<AdvancedPage> MakeKeyboardLayoutPage();
std::unique_ptr<AdvancedPage> MakeCodePagePage();

}  // namespace dustrel
