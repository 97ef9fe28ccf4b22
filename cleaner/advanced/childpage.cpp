#include "childpage.h"

#include "inifile.h"

namespace dustrel {

const char kAdvancedIni[] = "Dustrel.ini";
const char kProgramName[] = "Dustrel";

bool ChildPage::Create(HINSTANCE instance, HWND tab) {
  instance_ = instance;
  return ModelessDialog::Create(instance, templateId_, tab);
}

int ChildPage::Message(const std::string& text, const std::string& caption, UINT flags) {
  return ModelessDialog::Message(text, caption.empty() ? kProgramName : caption, flags);
}

std::string ChildPage::Text(const char* key) {
  return suite::InterfaceTexts(kAdvancedIni).Get(key);
}

}  // namespace dustrel
