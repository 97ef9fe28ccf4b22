// The base of the advanced tools window's pages: a modeless child dialog made
// from a template inside the window's tab control. Work that a page's worker
// thread hands to the page runs on the window's thread through Post().
#pragma once
#include <windows.h>

#include <string>

#include "dialog.h"
#include "pages.h"

namespace dustrel {

class ChildPage : public AdvancedPage, protected suite::ModelessDialog {
 public:
  explicit ChildPage(int templateId) : templateId_(templateId) {}
  bool Create(HINSTANCE instance, HWND tab) override;
  HWND Handle() const override { return ModelessDialog::Handle(); }
  using ModelessDialog::Post;

 protected:
  HINSTANCE Instance() const { return instance_; }
  // A message box over the window with the program's name as its caption
  // when none is given.
  int Message(const std::string& text, const std::string& caption = std::string(),
              UINT flags = MB_OK);
  // The window's text of `key` from its settings file.
  static std::string Text(const char* key);

 private:
  int templateId_;
  HINSTANCE instance_ = nullptr;
};

// The settings file of the window's texts.
extern const char kAdvancedIni[];
// The caption of the pages' own message boxes.
extern const char kProgramName[];

}  // namespace dustrel
