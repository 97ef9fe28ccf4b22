// The two progress windows of the main cleaner: the scan progress window
// ("正在扫描系统": the path being examined, an animated picture and a bar
// that a 250 ms timer steps 0..10 and wraps) and the cleaning run's popup
// ("正在清理": a status line, a bar, and the percent in its caption).
#pragma once
#include <functional>
#include <string>

#include "dialog.h"

namespace dustrel {

class ScanProgressDialog : public suite::ModelessDialog {
 public:
  // `onCancel` runs on the window's thread when the cancel button is pressed,
  // after the timer has stopped and before the window is destroyed.
  explicit ScanProgressDialog(std::function<void()> onCancel) : onCancel_(std::move(onCancel)) {}
  void SetPath(const std::string& path);
  int Frame() const { return frame_; }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
  void OnDestroy() override;

 private:
  void Cancel();
  std::function<void()> onCancel_;
  int frame_ = 0;     // animation frame 0..2
  int position_ = 0;  // bar position 0..10
};

class CleanProgressDialog : public suite::ModelessDialog {
 public:
  void SetStatus(const std::string& text);
  void SetRange(int range);
  void SetPosition(int position);

 protected:
  BOOL OnInit() override;

 private:
  void UpdateCaption();
  int range_ = 0;
  int position_ = 0;
  int shownPercent_ = -1;
};

}  // namespace dustrel
