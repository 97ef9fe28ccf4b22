// Tooltips over a dialog's buttons: one tooltip window for the dialog, one
// tool per control. Controls that do not exist and empty texts are skipped.
#pragma once
#include <windows.h>

#include <string>

namespace suite {

class ButtonTooltips {
 public:
  ButtonTooltips() = default;
  ~ButtonTooltips();
  ButtonTooltips(const ButtonTooltips&) = delete;
  ButtonTooltips& operator=(const ButtonTooltips&) = delete;

  // Creates the tooltip window on first use; false when it cannot be made.
  bool Add(HWND dialog, int controlId, const std::string& text);
  HWND Handle() const { return tip_; }
  int Count() const { return count_; }

 private:
  HWND tip_ = nullptr;
  int count_ = 0;
};

}  // namespace suite
