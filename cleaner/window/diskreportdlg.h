// The disk report ("磁盘清理报告") shown after an interactive cleaning run:
// the summary text and two pies, before and after.
#pragma once
#include <string>

#include "dialog.h"
#include "reportfigures.h"

namespace dustrel {

class DiskReportDialog : public suite::Dialog {
 public:
  DiskReportDialog(std::string summary, PieFigures before, PieFigures after)
      : summary_(std::move(summary)), before_(std::move(before)), after_(std::move(after)) {}

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 private:
  std::string summary_;
  PieFigures before_;
  PieFigures after_;
};

}  // namespace dustrel
