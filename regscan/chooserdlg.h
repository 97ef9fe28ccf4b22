// Hivemend's backup chooser: lists the backups in the store, hands back the
// one chosen for a restore, and removes a backup the user asks to remove.
#pragma once
#include <windows.h>

#include <string>

#include "dialog.h"

namespace hivemend {

class ChooserDialog : public suite::Dialog {
 public:
  explicit ChooserDialog(std::string store) : store_(std::move(store)) {}
  const std::string& Chosen() const { return chosen_; }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  void Fill();
  std::string SelectedName() const;
  std::string store_;
  std::string chosen_;
};

}  // namespace hivemend
