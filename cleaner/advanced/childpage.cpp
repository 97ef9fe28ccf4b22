#include "childpage.h"

namespace dustrel {

const char kAdvancedIni[] = "Dustrel.ini";
const char kProgramName[] = "Dustrel";

bool ChildPage::Create(HINSTANCE instance, HWND tab) {
  instance_ = instance;
  return ModelessDialog::Create(instance, templateId_, tab);
}

int ChildPage::Message(const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxA(ModelessDialog::Handle(), text.c_str(),
                     caption.empty() ? kProgramName : caption.c_str(), flags);
}

}  // namespace dustrel
