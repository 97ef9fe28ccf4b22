// The keyboard-layout page: the language tags of the browser's MIME database.
#include "listpage.h"
#include "resource.h"
#include "systemlists.h"

namespace dustrel {

namespace {

class KeyboardLayoutPage : public ListPage {
 public:
  KeyboardLayoutPage()
      : ListPage({"IDC_STATICKBSM",
                  "IDC_FRESHTKEYBOARD",
                  "IDCANCELINKB",
                  {{"KBListItem0", 120}, {"KBListItem1", 150}},
                  false,
                  false,
                  true,
                  /*unreadableMessage=*/true},
                 IDI_PAGE_KEYBOARD) {}

 protected:
  AdvList BuildRows(const std::atomic<bool>& stop) override { return ListKeyboardLayouts(&stop); }
};

}  // namespace

std::unique_ptr<AdvancedPage> MakeKeyboardLayoutPage() {
  return std::make_unique<KeyboardLayoutPage>();
}

}  // namespace dustrel
