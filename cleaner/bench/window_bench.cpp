// How the main window answers while a scan lists 100,000 junk rows: the real
// Dustrel.exe scans drive Q: of the sandbox, where window_bench.sh has made
// 100,000 ".tmp" files, while a thread of this program sends the window a
// message every 10 ms and times each answer. Reported: the rows listed, the
// scan's time, the longest wait for an answer and how many waits passed 100 ms,
// during the scan and while the full list is scrolled and ticked, next to the
// same figures for the idle window (what the machine's load alone costs).
//   cleaner/bench/window_bench.sh BUILD_DIR
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "inifile.h"
#include "probes.h"
#include "testsupport.h"

namespace t = suite::test;

namespace {

const char kBin[] = "C:\\suite-bench-dustrel";

struct Pings {
  std::atomic<bool> stop{false};
  std::atomic<DWORD> longest{0};
  std::atomic<int> slow{0};
  std::atomic<int> count{0};
  std::atomic<int> lost{0};
};

void Ping(HWND window, Pings& p) {
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  while (!p.stop) {
    QueryPerformanceCounter(&a);
    DWORD_PTR answer = 0;
    const LRESULT ok = SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    QueryPerformanceCounter(&b);
    const DWORD ms = static_cast<DWORD>((b.QuadPart - a.QuadPart) * 1000 / freq.QuadPart);
    if (!ok) ++p.lost;
    if (ms > p.longest) p.longest = ms;
    if (ms > 100) ++p.slow;
    ++p.count;
    Sleep(10);
  }
}

int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

int main() {
  t::RemoveTree(kBin);
  t::InstallFromDist(kBin, {"Dustrel.exe", "Dustrel.ini"});
  // Only drive Q: is ticked; every fixed row is off.
  std::string bytes;
  for (const std::string& root : suite::FixedDrives()) bytes.push_back(root == "Q:\\" ? 1 : 0);
  bytes.append(26, '\0');
  t::SetRaw(HKEY_LOCAL_MACHINE, "Software\\Quillon", "CleanSaveStatus", REG_BINARY, bytes);
  t::SetDword(HKEY_LOCAL_MACHINE, "Software\\Quillon", "CleanItemCount",
              static_cast<DWORD>(bytes.size()));
  t::SetDword(HKEY_LOCAL_MACHINE, "Software\\Quillon", "AutoExitWindows", 0);

  suite::IniFile ini(std::string(kBin) + "\\Dustrel.ini");
  ini.ReadFile();
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe", kBin);
  HWND main = program.WaitForWindow(ini.GetValue("Resource", "strMainDlg"));
  if (!main) {
    std::printf("the window did not open\n");
    return 1;
  }
  HWND list = GetDlgItem(main, 1005);

  // The same pings to the idle window first: what the machine itself costs.
  Pings idle;
  std::thread idler([&] { Ping(main, idle); });
  Sleep(3000);
  idle.stop = true;
  idler.join();

  Pings scan;
  std::thread pinger([&] { Ping(main, scan); });
  const DWORD start = GetTickCount();
  t::ClickButton(main, 1001);
  // The scan has ended when the status line shows the total (the progress
  // window is a dialog of the same thread, so it is not taken for the message).
  const std::string total = ini.GetValue("Resource", "strFSTotal") + ":";
  while (t::ControlText(main, 1006).rfind(total, 0) != 0 && GetTickCount() - start < 900000)
    Sleep(20);
  const DWORD scanMs = GetTickCount() - start;
  HWND box = program.WaitForMessageBox(main, 60000);
  scan.stop = true;
  pinger.join();
  if (box) SendMessageA(box, WM_COMMAND, IDOK, 0);
  const int rows = RowCount(list);

  // The full list: scrolled to the end and back, every row ticked and unticked.
  Pings use;
  std::thread user([&] { Ping(main, use); });
  const DWORD useStart = GetTickCount();
  // Each step sent and waited for: its time is the window's own work for it.
  DWORD longestScroll = 0, longestTick = 0;
  for (int i = 0; i < 20; ++i) {
    DWORD a = GetTickCount();
    SendMessageTimeoutA(list, WM_VSCROLL, i % 2 ? SB_TOP : SB_BOTTOM, 0, SMTO_NORMAL, 60000, nullptr);
    longestScroll = std::max(longestScroll, GetTickCount() - a);
    a = GetTickCount();
    // Untick all / the context menu's tick all.
    SendMessageTimeoutA(main, WM_COMMAND, i % 2 ? 1055 : 32773, 0, SMTO_NORMAL, 60000, nullptr);
    longestTick = std::max(longestTick, GetTickCount() - a);
    Sleep(100);
  }
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
  const DWORD useMs = GetTickCount() - useStart;
  use.stop = true;
  user.join();

  std::printf("rows listed:                 %d\n", rows);
  std::printf("scan until the message:      %lu ms\n", scanMs);
  std::printf("idle window:      %d pings, longest answer %lu ms, %d over 100 ms\n",
              idle.count.load(), idle.longest.load(), idle.slow.load());
  std::printf("during the scan:  %d pings, longest answer %lu ms, %d over 100 ms, %d unanswered\n",
              scan.count.load(), scan.longest.load(), scan.slow.load(), scan.lost.load());
  std::printf("scroll and tick:  %d pings in %lu ms, longest answer %lu ms, %d over 100 ms\n",
              use.count.load(), useMs, use.longest.load(), use.slow.load());
  std::printf("longest single step: scroll %lu ms, tick or untick all %lu ms\n", longestScroll,
              longestTick);
  PostMessageA(main, WM_CLOSE, 0, 0);
  program.WaitForExit(60000);
  t::RemoveTree(kBin);
  return 0;
}
