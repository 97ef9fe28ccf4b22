// The options window ("选项"): three tick boxes bound to the settings of
// options.h, read when the window opens and written on OK only.
#pragma once
#include "dialog.h"
#include "options.h"

namespace dustrel {

class OptionsDialog : public suite::Dialog {
 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
};

}  // namespace dustrel
