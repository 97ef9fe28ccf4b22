#include "mainwindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <memory>
#include <string>

#include "app.h"
#include "consoletexts.h"
#include "dialog.h"
#include "drawn.h"
#include "handles.h"
#include "inifile.h"
#include "performance.h"
#include "programs.h"
#include "reportwindow.h"
#include "resource.h"
#include "score.h"
#include "sequence.h"
#include "sysinfo.h"
#include "text.h"
#include "texts.h"
#include "worker.h"

namespace suite::console {

namespace {

// Main-window timers.
enum : UINT_PTR {
  kTimerTopmostHint = 3,  // one-shot: topmost, hint "strInfo14"
  kTimerReleaseTop = 4,   // one-shot: stop re-asserting, not topmost, hint "strInfo13"
  kTimerKeepOnTop = 5,    // every 100 ms: topmost again
  kTimerRedraw = 6,       // one-shot: redraw
  kTimerStep = 7,         // every 500 ms while a run goes: the step percentage
  kTimerGauge = 8,        // the score gauge, one image per tick
};

class BriskoDialog;

// Hands a run's reports to the window's thread; a report of a run that was
// stopped (or of an earlier run) is dropped there.
class WindowSink : public SequenceSink {
 public:
  WindowSink(BriskoDialog& dialog, int generation) : dialog_(dialog), generation_(generation) {}
  void StepStarted(int index) override;
  void StepFinished(int index, const std::string& count) override;
  void Progress(int position) override;

 private:
  BriskoDialog& dialog_;
  int generation_;
};

class BriskoDialog : public Dialog {
 public:
  // The window's side of a run; called on the window's thread.
  void OnStepStarted(int generation, int index) {
    if (!Current(generation)) return;
    currentStep_ = index;
    percent_ = 0;
    SetStatus(index, Text("strCleanInfo1"));
    SetImage(index, ButtonImage::Running);
  }
  void OnStepFinished(int generation, int index, const std::string& count) {
    if (!Current(generation)) return;
    SetImage(index, ButtonImage::Done);
    resultShown_[static_cast<size_t>(index)] = true;
    SetStatus(index, ResultText(count, Text("strCleanInfo2")));
  }
  void OnProgress(int generation, int position) {
    if (!Current(generation)) return;
    SetBarPosition(IDC_PROGRESS, position);
  }

 protected:
  BOOL OnInit() override {
    SetAppIcon(IDI_APP);
    static const TextBinding kTexts[] = {
        {0, "IDD_BRISKO_DIALOG"},
        {IDC_BUTTON_PAGE2, "IDC_BUTTON_PAGE2"},
        {IDC_STATICCLINFO0, "IDC_STATICCLINFO0"},
        {IDC_STATICCLINFO1, "IDC_STATICCLINFO1"},
        {IDC_STATICCLINFO1 + 1, "IDC_STATICCLINFO2"},
        {IDC_STATICCLINFO1 + 2, "IDC_STATICCLINFO3"},
        {IDC_STATICCLINFO1 + 3, "IDC_STATICCLINFO4"},
        {IDC_STATICCLINFO1 + 4, "IDC_STATICCLINFO5"},
        {IDC_STATICCLINFO1 + 5, "IDC_STATICCLINFO6"},
        {IDC_STATICJDTEXT, "IDC_STATICJDTEXT"},
        {IDC_BUTTON_START, "IDC_BUTTON_START"},
        {IDC_BUTTON_PAUSE, "IDC_BUTTON_PAUSE"},
        {IDC_BUTTON_PRO, "IDC_BUTTON_PRO"},
        {IDC_BUTTON_UPDATE, "IDC_BUTTON_UPDATE"},
        {IDC_BUTTON_REPORT, "IDC_BUTTON_REPORT"},
    };
    ApplyTexts(Handle(), kIni, kTexts);
    const std::string idle = Text("strProInfo1");
    for (int k = 0; k < kStepCount; ++k) {
      SetStatus(k, idle);
      SetItemText(IDC_STEP1 + k, std::to_string(k + 1));
    }
    AddStepTooltips();
    SetBarRange(IDC_PROGRESS, 0, 20 * kStepCount);
    EnableItem(IDC_BUTTON_REPORT, false);
    EnableItem(IDC_BUTTON_PAUSE, false);
    diskAtOpen_ = TakeDiskFigures();

    // Above all other windows until the first cleanliness check is over.
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetTimer(Handle(), kTimerKeepOnTop, 100, nullptr);
    StartScoreCheck(/*afterRun=*/false);
    return TRUE;
  }

  bool OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED) return false;
    HideHintBubble(Handle());  // a hint is over once the user acts
    if (id >= IDC_STEP1 && id < IDC_STEP1 + kStepCount) {
      ToggleStep(id - IDC_STEP1);
      return true;
    }
    switch (id) {
      case IDC_BUTTON_START: StartOrStop(); return true;
      case IDC_BUTTON_PAUSE: PauseOrContinue(); return true;
      case IDC_BUTTON_REPORT: OpenReport(); return true;
      case IDC_BUTTON_PRO: RunOptions(); return true;
      case IDC_BUTTON_UPDATE:
        ShellExecuteA(Handle(), "open", Text("strSupport").c_str(), nullptr, nullptr,
                      SW_SHOWNORMAL);
        return true;
      case IDC_BUTTON_PAGE2:
        ShellExecuteA(Handle(), "open", ProgramFolderPath("Help.chm").c_str(), nullptr, nullptr,
                      SW_SHOWNORMAL);
        return true;
    }
    return false;
  }

  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
    if (AnswerWhiteLook(msg, wp, result)) return true;
    if (msg == WM_TIMER) {
      OnTimer(wp);
      return true;
    }
    if (msg == WM_DRAWITEM) {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlID >= IDC_STEP1 && item->CtlID < IDC_STEP1 + kStepCount) {
        DrawStateButton(*item, images_[item->CtlID - IDC_STEP1]);
      } else if (item->CtlID == IDC_GAUGE) {
        DrawGauge(*item, gaugeLevel_);
      } else {
        return false;
      }
      result = TRUE;
      return true;
    }
    return false;
  }

  void OnDestroy() override {
    if (control_) control_->Stop();
    optionsControl_.Stop();
    scoreWorker_.RequestStop();
    runWorker_.RequestStop();
    runWorker_.Join();
    scoreWorker_.Join();
    optionsWorker_.Join();
    for (UINT_PTR t : {kTimerTopmostHint, kTimerReleaseTop, kTimerKeepOnTop, kTimerRedraw,
                       kTimerStep, kTimerGauge})
      KillTimer(Handle(), t);
  }

 private:
  bool Current(int generation) const { return running_ && generation == generation_; }

  void SetStatus(int step, const std::string& text) { SetItemText(IDC_STEPSTATUS1 + step, text); }
  void SetImage(int step, ButtonImage image) {
    images_[static_cast<size_t>(step)] = image;
    InvalidateRect(Item(IDC_STEP1 + step), nullptr, TRUE);
  }

  void AddStepTooltips() {
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!tip) return;
    const std::string text = Text("strProInfo4");
    for (int k = 0; k < kStepCount; ++k) {
      TOOLINFOA info{};
      info.cbSize = sizeof info;
      info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      info.hwnd = Handle();
      info.uId = reinterpret_cast<UINT_PTR>(Item(IDC_STEP1 + k));
      info.lpszText = const_cast<char*>(text.c_str());
      SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
  }

  bool ShownNormally() const { return IsWindowVisible(Handle()) && !IsIconic(Handle()); }

  void OnTimer(UINT_PTR id) {
    switch (id) {
      case kTimerTopmostHint:
        KillTimer(Handle(), id);
        SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowHintBubble(Handle(), Text("strInfo14"), POINT{590, 405});
        SetTimer(Handle(), kTimerRedraw, 1000, nullptr);
        break;
      case kTimerReleaseTop:
        KillTimer(Handle(), id);
        KillTimer(Handle(), kTimerKeepOnTop);
        SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowHintBubble(Handle(), Text("strInfo13"), POINT{118, 240});
        SetTimer(Handle(), kTimerRedraw, 1000, nullptr);
        break;
      case kTimerKeepOnTop:
        SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
      case kTimerRedraw:
        KillTimer(Handle(), id);
        InvalidateRect(Handle(), nullptr, TRUE);
        break;
      case kTimerStep:
        StepTick();
        break;
      case kTimerGauge:
        GaugeTick();
        break;
    }
  }

  // ---- steps, Start/Stop, Pause/Continue

  void ToggleStep(int k) {
    if (running_) return;
    bool& on = enabled_[static_cast<size_t>(k)];
    on = !on;
    SetImage(k, on ? ButtonImage::On : ButtonImage::Off);
    SetStatus(k, Text(on ? "strProInfo1" : "strProInfo2"));
  }

  void StartOrStop() {
    bool any = false;
    for (bool on : enabled_) any = any || on;
    if (!any) {
      Message(Text("strProInfo7"), Text("strInfo17"), MB_OK | MB_ICONERROR);
      return;
    }
    if (running_) {
      StopRun();
      return;
    }
    if (Message(Text("strProInfo8"), Text("strInfo19"), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    runWorker_.Join();  // a stopped run ends at its next check
    DeleteStepLogs(folder_);
    running_ = true;
    paused_ = false;
    ++generation_;
    currentStep_ = -1;
    resultShown_.fill(false);
    for (int k = 0; k < kStepCount; ++k) {
      SetImage(k, enabled_[static_cast<size_t>(k)] ? ButtonImage::On : ButtonImage::Off);
      SetStatus(k, Text(enabled_[static_cast<size_t>(k)] ? "strProInfo1" : "strProInfo2"));
    }
    SetBarPosition(IDC_PROGRESS, 0);
    SetItemText(IDC_BUTTON_START, Text("strStop"));
    before_ = TakeSystemFigures();
    SetItemText(IDC_BUTTON_PAUSE, Text("strPau"));
    EnableItem(IDC_BUTTON_PAUSE, true);
    SetTimer(Handle(), kTimerStep, 500, nullptr);

    control_ = std::make_shared<RunControl>();
    SequenceOptions options;
    options.enabled = enabled_;
    options.folder = folder_;
    options.osSuffix = GetOsSuffix();
    options.stepTimeoutSeconds = ReadStepTimeout(ProgramFolderPath(kIni));
    const int generation = generation_;
    auto control = control_;
    runWorker_.Start([this, options, control, generation](const std::atomic<bool>& stop) {
      WindowSink sink(*this, generation);
      if (!RunSequence(options, *control, sink).completed || stop) return;
      Post([this, generation] { FinishRun(generation); });
    });
  }

  void StopRun() {
    if (control_) control_->Stop();
    KillTimer(Handle(), kTimerStep);
    if (currentStep_ >= 0) SetStatus(currentStep_, Text("strProInfo9"));
    if (currentStep_ >= 0 && !resultShown_[static_cast<size_t>(currentStep_)])
      SetImage(currentStep_, ButtonImage::On);
    SetBarPosition(IDC_PROGRESS, 0);
    running_ = false;
    paused_ = false;
    ++generation_;
    SetItemText(IDC_BUTTON_START, Text("IDC_BUTTON_START"));
    SetItemText(IDC_BUTTON_PAUSE, Text("strPau"));
    EnableItem(IDC_BUTTON_PAUSE, false);
  }

  void PauseOrContinue() {
    if (!running_ || !control_) return;
    paused_ = !paused_;
    if (paused_) {
      control_->Pause();
      SetItemText(IDC_BUTTON_PAUSE, Text("strCon"));
    } else {
      control_->Continue();
      SetItemText(IDC_BUTTON_PAUSE, Text("strPau"));
    }
  }

  void StepTick() {
    if (paused_ || !running_ || currentStep_ < 0) return;
    if (resultShown_[static_cast<size_t>(currentStep_)]) return;
    if (percent_ > 98) {
      SetStatus(currentStep_, Text("strTimerInfo"));
    } else {
      ++percent_;
      SetStatus(currentStep_, Format("- %d%%", percent_));
    }
  }

  void FinishRun(int generation) {
    if (!Current(generation)) return;
    KillTimer(Handle(), kTimerStep);
    running_ = false;
    paused_ = false;
    EnableItem(IDC_BUTTON_REPORT, true);
    SetItemText(IDC_BUTTON_START, Text("IDC_BUTTON_START"));
    SetItemText(IDC_BUTTON_PAUSE, Text("strPau"));
    EnableItem(IDC_BUTTON_PAUSE, false);
    StartScoreCheck(/*afterRun=*/true);
  }

  // ---- cleanliness check

  void StartScoreCheck(bool afterRun) {
    scoreWorker_.Join();
    SetItemText(IDC_SCORE, Text("strProInfo5"));
    EnableItem(IDC_BUTTON_START, false);
    scoreWorker_.Start([this, afterRun](const std::atomic<bool>& stop) {
      if (!afterRun) {
        for (int i = 0; i < 20 && !stop; ++i) Sleep(50);
        if (stop) return;
      }
      Post([this] {
        if (ShownNormally()) SetTimer(Handle(), kTimerTopmostHint, 100, nullptr);
      });
      const int score = [&] {
        const ComScope com;
        return CleanlinessScore(SystemScoreInputs(), &stop);
      }();
      if (stop) return;
      Post([this, score, afterRun] { ShowScore(score, afterRun); });
    });
  }

  void ShowScore(int score, bool afterRun) {
    score_ = score;
    gaugeLevel_ = 0;
    gaugeAfterRun_ = afterRun;
    InvalidateRect(Item(IDC_GAUGE), nullptr, TRUE);
    SetTimer(Handle(), kTimerGauge, 100, nullptr);
    if (afterRun) OpenReport();
  }

  void GaugeTick() {
    if (gaugeLevel_ < score_ / 10) {
      ++gaugeLevel_;
      InvalidateRect(Item(IDC_GAUGE), nullptr, TRUE);
      return;
    }
    KillTimer(Handle(), kTimerGauge);
    SetItemText(IDC_SCORE, Format("%s:%d%%", Text("strProInfo6").c_str(), score_));
    EnableItem(IDC_BUTTON_START, true);
    if (!gaugeAfterRun_ && ShownNormally()) SetTimer(Handle(), kTimerReleaseTop, 100, nullptr);
    // After a run the "checking" bubble has said its piece.
    if (gaugeAfterRun_) HideHintBubble(Handle());
  }

  // ---- report and options

  void OpenReport() {
    ShowReport(before_, diskAtOpen_, folder_, Handle());
  }

  void RunOptions() {
    if (optionsWorker_.Running()) return;
    optionsWorker_.Join();
    ShowWindow(Handle(), SW_MINIMIZE);
    const std::string line = CommandLineFor(folder_, ExecutableOf(Program::Dustrel), "");
    optionsWorker_.Start([this, line](const std::atomic<bool>&) {
      WatchedChild dustrel = StartWatched(line);
      if (dustrel.Done() && !optionsControl_.WaitFor(dustrel.Done())) return;  // the window is closing
      Post([this] { ShowWindow(Handle(), SW_RESTORE); });
    });
  }

  std::string folder_ = ProgramFolder();
  std::array<bool, kStepCount> enabled_{{true, true, true, true, true, true}};
  std::array<ButtonImage, kStepCount> images_{{ButtonImage::On, ButtonImage::On, ButtonImage::On,
                                               ButtonImage::On, ButtonImage::On,
                                               ButtonImage::On}};
  std::array<bool, kStepCount> resultShown_{};
  bool running_ = false;
  bool paused_ = false;
  int generation_ = 0;
  int currentStep_ = -1;
  int percent_ = 0;
  int score_ = 100;
  int gaugeLevel_ = 0;
  bool gaugeAfterRun_ = false;
  SystemFigures before_;
  DiskFigures diskAtOpen_;
  std::shared_ptr<RunControl> control_;
  RunControl optionsControl_;
  Worker runWorker_, scoreWorker_, optionsWorker_;
};

void WindowSink::StepStarted(int index) {
  BriskoDialog& d = dialog_;
  const int g = generation_;
  d.Post([&d, g, index] { d.OnStepStarted(g, index); });
}
void WindowSink::StepFinished(int index, const std::string& count) {
  BriskoDialog& d = dialog_;
  const int g = generation_;
  d.Post([&d, g, index, count] { d.OnStepFinished(g, index, count); });
}
void WindowSink::Progress(int position) {
  BriskoDialog& d = dialog_;
  const int g = generation_;
  d.Post([&d, g, position] { d.OnProgress(g, position); });
}

}  // namespace

int RunMainWindow(HINSTANCE instance) {
  BriskoDialog dialog;
  return RunDialogProgram(instance, dialog, IDD_BRISKO);
}

}  // namespace suite::console
