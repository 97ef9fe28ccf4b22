// Opens every window of every program of the suite in a seeded sandbox, as a
// person would (buttons pressed by messages), and saves a picture of each one
// as a .bmp: only the window with its frame, copied from the screen.
//   shotdriver.exe SUITE_FOLDER OUT_FOLDER [SCENE...]
// Without SCENE names every scene runs, in the order of kScenes (the console
// last: its one-click run removes what the other scenes list). Prints one line
// per picture: "shot NAME 0xHWND WIDTHxHEIGHT caption". Exit status 1 when a
// window did not come.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

std::string g_suite;  // the folder of the programs
std::string g_out;    // where the pictures go
int g_failures = 0;

void Fail(const std::string& what) {
  std::printf("MISSING %s\n", what.c_str());
  std::fflush(stdout);
  ++g_failures;
}

std::string Caption(HWND w) {
  char text[512] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

std::string ClassOf(HWND w) {
  char name[128] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

std::string ControlText(HWND dialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// Polls `done` every 50 ms until it holds or `timeoutMs` pass.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

// A program started with its window; ended when the object goes.
class Program {
 public:
  Program(const std::string& exe, const std::string& args) {
    std::string command = "\"" + g_suite + "\\" + exe + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       g_suite.c_str(), &si, &pi)) {
      CloseHandle(pi.hThread);
      process_ = pi.hProcess;
      pid_ = pi.dwProcessId;
    } else {
      Fail(command + " did not start");
    }
  }
  ~Program() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      for (HWND w : Dialogs()) PostMessageA(w, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_, 15000) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The visible top-level dialogs of the program, topmost first.
  std::vector<HWND> Dialogs() const {
    struct Search {
      DWORD pid;
      std::vector<HWND> found;
    } search{pid_, {}};
    EnumWindows(
        [](HWND w, LPARAM lp) WINAPI -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (pid == s->pid && IsWindowVisible(w) && ClassOf(w) == "#32770") s->found.push_back(w);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // A visible dialog with a caption that is not in `known`.
  HWND WaitNew(const std::set<HWND>& known, DWORD timeoutMs, DWORD pollMs = 50) const {
    HWND result = nullptr;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start <= timeoutMs) {
      for (HWND w : Dialogs())
        if (!known.count(w) && !Caption(w).empty()) result = w;
      if (result) return result;
      Sleep(pollMs);
    }
    return nullptr;
  }
  HWND WaitMain(DWORD timeoutMs = 30000) const { return WaitNew({}, timeoutMs); }

  bool WaitExit(DWORD timeoutMs) const {
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

bool IsMessageBox(HWND w) { return GetDlgItem(w, 0xFFFF) != nullptr; }

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int Rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

// Waits until the list holds at least `minRows` rows and no more came for
// `quietMs`.
bool WaitRowsSettled(HWND list, int minRows, DWORD quietMs, DWORD timeoutMs) {
  int last = -1;
  DWORD since = GetTickCount();
  const DWORD start = GetTickCount();
  while (GetTickCount() - start <= timeoutMs) {
    const int n = Rows(list);
    if (n != last) {
      last = n;
      since = GetTickCount();
    } else if (n >= minRows && GetTickCount() - since >= quietMs) {
      return true;
    }
    Sleep(100);
  }
  return false;
}

bool WriteBmp(const std::string& path, int width, int height, const std::vector<BYTE>& bits) {
  const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = stride * static_cast<DWORD>(height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
            std::fwrite(bits.data(), 1, info.biSizeImage, f) == info.biSizeImage;
  return std::fclose(f) == 0 && ok;
}

// Saves what the screen shows of `w` (its frame included) as OUT\name.bmp.
// The window is brought to the front and repainted first; `settleMs` is the
// time its program gets for that (short for a window that is soon gone).
void Shot(HWND w, const std::string& name, DWORD settleMs = 600) {
  if (!w || !IsWindow(w)) {
    Fail(name);
    return;
  }
  SetForegroundWindow(w);
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(settleMs);  // the repaint is done by the program's own thread
  RECT r = {};
  GetWindowRect(w, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) {
    Fail(name + " (empty window)");
    return;
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
  bool ok = false;
  if (bitmap && pixels) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
    const size_t size = static_cast<size_t>((width * 3 + 3) & ~3) * static_cast<size_t>(height);
    std::vector<BYTE> bits(static_cast<BYTE*>(pixels), static_cast<BYTE*>(pixels) + size);
    ok = ok && WriteBmp(g_out + "\\" + name + ".bmp", width, height, bits);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!ok) {
    Fail(name + " (could not save)");
    return;
  }
  std::printf("shot %s %p %dx%d %s\n", name.c_str(), static_cast<void*>(w), width, height,
              Caption(w).c_str());
  std::fflush(stdout);
}

// Answers every message box the program shows within `timeoutMs` with OK/Yes;
// the first one is saved as `name` when a name is given.
void AnswerBox(const Program& p, const std::set<HWND>& known, DWORD timeoutMs,
               const std::string& name = std::string()) {
  HWND box = p.WaitNew(known, timeoutMs);
  if (!box || !IsMessageBox(box)) {
    if (!name.empty()) Fail(name);
    return;
  }
  if (!name.empty()) Shot(box, name);
  Click(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);
  WaitUntil([&] { return !IsWindow(box); }, 5000);
}

void CloseMain(Program& p, HWND main) {
  PostMessageA(main, WM_CLOSE, 0, 0);
  p.WaitExit(15000);
}

// ---- the scenes ------------------------------------------------------------

void Snipwell() {
  Program p("Snipwell.exe", "-Window");
  HWND main = p.WaitMain();
  if (!main) return Fail("snipwell-main");
  Click(main, 1000);  // scan; a box tells when it is over
  AnswerBox(p, {main}, 120000, "snipwell-scan-done");
  WaitRowsSettled(GetDlgItem(main, 1005), 1, 500, 30000);
  Shot(main, "snipwell-main");
  CloseMain(p, main);
}

void Patchmoor() {
  Program p("Patchmoor.exe", "-Window");
  HWND main = p.WaitMain();
  if (!main) return Fail("patchmoor-main");
  Click(main, IDOK);  // scan; a box tells when it is over
  AnswerBox(p, {main}, 60000, "patchmoor-scan-done");
  WaitRowsSettled(GetDlgItem(main, 1001), 1, 500, 30000);
  Shot(main, "patchmoor-main");
  Click(main, 1003);  // help
  HWND help = p.WaitNew({main}, 10000);
  Shot(help, "patchmoor-help");
  if (help) Click(help, IDOK);
  WaitUntil([&] { return !IsWindow(help); }, 5000);
  CloseMain(p, main);
}

void Marksift() {
  Program p("Marksift.exe", "-Window");
  HWND main = p.WaitMain();
  if (!main) return Fail("marksift-main");
  Click(main, 1003);  // start: a question first, a box at the end
  AnswerBox(p, {main}, 10000, "marksift-question");
  AnswerBox(p, {main}, 120000, "marksift-check-done");
  WaitRowsSettled(GetDlgItem(main, 1000), 1, 500, 30000);
  Shot(main, "marksift-main");
  CloseMain(p, main);
}

void Hivemend() {
  Program p("Hivemend.exe", "-Window");
  HWND main = p.WaitMain();
  if (!main) return Fail("hivemend-main");
  Shot(main, "hivemend-start");
  Click(main, 1000);  // scan; a box with the count ends it
  AnswerBox(p, {main}, 300000, "hivemend-scan-done");
  WaitRowsSettled(GetDlgItem(main, 1004), 1, 1000, 60000);
  Shot(main, "hivemend-main");
  Click(main, 1002);  // back the results up
  AnswerBox(p, {main}, 30000);
  Click(main, 1008);  // the restore chooser
  HWND chooser = p.WaitNew({main}, 10000);
  if (chooser) SendDlgItemMessageA(chooser, 1007, LB_SETCURSEL, 0, 0);
  Shot(chooser, "hivemend-restore");
  if (chooser) Click(chooser, IDCANCEL);
  WaitUntil([&] { return !IsWindow(chooser); }, 5000);
  CloseMain(p, main);
}

// The main cleaner: the scan-target list, the options, a scan of drive C:
// with its progress window, the result list, the cleaning run and its report.
void Dustrel() {
  Program p("Dustrel.exe", "");
  HWND main = p.WaitMain();
  if (!main) return Fail("dustrel-main");
  HWND targets = GetDlgItem(main, 1004);
  WaitRowsSettled(targets, 1, 1000, 30000);
  // Tick the first drive (C:): the first row, by the keyboard as a person would.
  SendMessageA(targets, WM_KEYDOWN, VK_HOME, 0);
  SendMessageA(targets, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageA(targets, WM_KEYUP, VK_SPACE, 0);
  Shot(main, "dustrel-main");

  Click(main, 1003);  // options
  HWND options = p.WaitNew({main}, 10000);
  Shot(options, "dustrel-options");
  if (options) Click(options, IDCANCEL);
  WaitUntil([&] { return !IsWindow(options); }, 5000);

  Click(main, 1001);  // scan
  HWND progress = p.WaitNew({main}, 30000, 5);
  if (progress) WaitUntil([&] { return !ControlText(progress, 1121).empty(); }, 5000);
  Shot(progress, "dustrel-scan-progress", 150);
  AnswerBox(p, {main, progress}, 600000, "dustrel-scan-done");
  HWND results = GetDlgItem(main, 1005);
  WaitRowsSettled(results, 1, 1000, 30000);
  // The list ends with the traces and the plug-in rows, after the files.
  SendMessageA(results, LVM_ENSUREVISIBLE, Rows(results) - 1, FALSE);
  Shot(main, "dustrel-results");

  Click(main, 1002);  // clean: its progress, then the disk report
  std::set<HWND> known{main};
  HWND report = nullptr;
  bool progressShot = false;
  const DWORD start = GetTickCount();
  while (!report && GetTickCount() - start < 600000) {
    HWND w = p.WaitNew(known, 1000, 5);
    if (!w) continue;
    known.insert(w);
    if (IsMessageBox(w)) {
      Click(w, GetDlgItem(w, IDYES) ? IDYES : IDOK);
    } else if (GetDlgItem(w, 1141) && !progressShot) {
      Shot(w, "dustrel-clean-progress", 150);
      progressShot = true;
    } else if (GetDlgItem(w, 1150)) {
      report = w;
    }
  }
  if (!progressShot) Fail("dustrel-clean-progress");
  if (report) WaitUntil([&] { return !ControlText(report, 1150).empty(); }, 5000);
  Shot(report, "dustrel-disk-report");
  if (report) Click(report, IDOK);
  WaitUntil([&] { return !IsWindow(report); }, 5000);
  CloseMain(p, main);
}

// Answers with OK every message box the program shows during `forMs`.
void DismissBoxes(const Program& p, DWORD forMs) {
  const DWORD start = GetTickCount();
  do {
    for (HWND w : p.Dialogs())
      if (IsMessageBox(w)) Click(w, GetDlgItem(w, IDYES) ? IDYES : IDOK);
    Sleep(100);
  } while (GetTickCount() - start < forMs);
}

// The advanced tools window: one picture per tab. Each tab is chosen through
// the tab control as a click would (the window hears the change); a page that
// cannot read its registry key says so in a box, which is answered.
void DustrelAdvanced() {
  Program p("Dustrel.exe", "-Advanced");
  HWND main = nullptr, tab = nullptr;
  WaitUntil([&] {
    for (HWND w : p.Dialogs()) {
      if (IsMessageBox(w)) {
        Click(w, IDOK);
      } else if (HWND t = FindWindowExA(w, nullptr, WC_TABCONTROLA, nullptr)) {
        main = w;
        tab = t;
      }
    }
    return main != nullptr;
  }, 30000);
  if (!main) return Fail("dustrel-advanced");
  DismissBoxes(p, 2000);
  const int tabs = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < tabs; ++i) {
    SendMessageA(tab, TCM_SETCURFOCUS, i, 0);
    SendMessageA(tab, TCM_SETCURSEL, i, 0);
    DismissBoxes(p, 2000);  // the page fills its lists
    Shot(main, "dustrel-advanced-" + std::to_string(i + 1));
  }
  CloseMain(p, main);
}

// The console: its window, the one-click run (all six steps, for real), the
// report's performance page and the log viewer.
void Brisko() {
  Program p("Brisko.exe", "");
  HWND main = p.WaitMain();
  if (!main) return Fail("brisko-main");
  // The opening cleanliness check is over when the score is shown.
  WaitUntil([&] {
    return IsWindowEnabled(GetDlgItem(main, 1041)) && !ControlText(main, 1048).empty();
  }, 60000);
  Shot(main, "brisko-main");
  Click(main, 1041);  // start; a question first
  AnswerBox(p, {main}, 10000, "brisko-question");
  HWND report = nullptr;
  WaitUntil([&] {
    for (HWND w : p.Dialogs())
      if (w != main && !IsMessageBox(w) && GetDlgItem(w, 1151)) report = w;
    return report != nullptr;
  }, 600000);
  if (!report) return Fail("brisko-report");
  WaitUntil([&] { return !ControlText(report, 1131).empty(); }, 10000);
  Shot(report, "brisko-report-performance");
  Click(report, 1101);  // the detail page: the log viewer
  WaitUntil([&] { return IsWindowVisible(GetDlgItem(report, 1151)) != FALSE; }, 10000);
  Sleep(500);
  Shot(report, "brisko-report-logs");
  Click(report, 1141 + 2);  // the junk-file log
  Sleep(1000);
  Shot(report, "brisko-report-log-junk");
  Click(report, 1141 + 4);  // the registry log
  Sleep(1000);
  Shot(report, "brisko-report-log-registry");
  Click(report, IDOK);
  WaitUntil([&] { return !IsWindow(report); }, 10000);
  Shot(main, "brisko-done");
  Click(main, IDCANCEL);
  p.WaitExit(15000);
}

struct Scene {
  const char* name;
  void (*run)();
};

// Every window of the suite, program by program. A new window gets a scene
// here (and its pictures a line in the README's screenshot section).
const Scene kScenes[] = {
    {"snipwell", Snipwell}, {"patchmoor", Patchmoor}, {"marksift", Marksift},
    {"hivemend", Hivemend}, {"dustrel", Dustrel},     {"dustrel-advanced", DustrelAdvanced},
    {"brisko", Brisko},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: shotdriver SUITE_FOLDER OUT_FOLDER [SCENE...]\n");
    return 2;
  }
  g_suite = argv[1];
  g_out = argv[2];
  CreateDirectoryA(g_out.c_str(), nullptr);
  std::set<std::string> chosen(argv + 3, argv + argc);
  for (const Scene& s : kScenes) {
    if (!chosen.empty() && !chosen.count(s.name)) continue;
    std::printf("scene %s\n", s.name);
    std::fflush(stdout);
    s.run();
  }
  return g_failures == 0 ? 0 : 1;
}
