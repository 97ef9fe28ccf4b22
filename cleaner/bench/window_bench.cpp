// How the main window answers while a scan lists N junk rows: the real
// Dustrel.exe scans drive Q: of the sandbox, where window_bench.sh has made
// N ".tmp" files (100,000 by default), while a thread of this program sends
// the window a message every 10 ms and times each answer. Reported: the rows
// listed, the scan's time, the longest wait for an answer and how many waits
// passed 100 ms, during the scan and while the full list is scrolled, ticked,
// unticked and inverted, next to the same figures for the idle window (what
// the machine's load alone costs); and the window process's private memory
// per listed row.
//   cleaner/bench/window_bench.sh [BUILD_DIR] [--files N]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "benchstats.h"
#include "inifile.h"
#include "sysinfo.h"
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

// Selects every row of the list, as a shift-click from the first row to the
// last does: the item record lives in the window's process.
void SelectAllRows(HANDLE process, HWND list) {
  void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return;
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
  SendMessageTimeoutA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                      reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 1800000, nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

// Sends one command and waits for it: the time is the window's own work.
DWORD Timed(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  const DWORD a = GetTickCount();
  SendMessageTimeoutA(window, msg, wp, lp, SMTO_NORMAL, 60000, nullptr);
  return GetTickCount() - a;
}

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
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION | PROCESS_VM_READ |
                                   PROCESS_VM_WRITE, FALSE, pid);
  const suite::bench::Memory before = suite::bench::MemoryOf(process);

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
  const suite::bench::Memory after = suite::bench::MemoryOf(process);

  // The full list: scrolled to the end and back, every row ticked and unticked.
  Pings use;
  std::thread user([&] { Ping(main, use); });
  const DWORD useStart = GetTickCount();
  // Each step sent and waited for: its time is the window's own work for it.
  DWORD longestScroll = 0, longestTick = 0, longestUntick = 0;
  for (int i = 0; i < 10; ++i) {
    longestScroll = std::max(longestScroll, Timed(list, WM_VSCROLL, SB_BOTTOM, 0));
    longestScroll = std::max(longestScroll, Timed(list, WM_VSCROLL, SB_TOP, 0));
    longestTick = std::max(longestTick, Timed(main, WM_COMMAND, 32773, 0));    // tick all (menu)
    Sleep(50);
    longestUntick = std::max(longestUntick, Timed(main, WM_COMMAND, 1055, 0));  // untick all
    Sleep(50);
  }
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
  const DWORD useMs = GetTickCount() - useStart;
  use.stop = true;
  user.join();

  // Invert: every row selected (by one message to the list, not pinged: the
  // list control's own work), then the invert button three times.
  DWORD longestInvert = 0, selectMs = 0;
  {
    const DWORD a = GetTickCount();
    SelectAllRows(process, list);
    selectMs = GetTickCount() - a;
  }
  Pings inv;
  std::thread inverter([&] { Ping(main, inv); });
  const bool selected = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0;  // else a message box
  for (int i = 0; i < 3 && selected; ++i) {
    longestInvert = std::max(longestInvert, Timed(main, WM_COMMAND, 1056, 0));
    Sleep(100);
  }
  inv.stop = true;
  inverter.join();

  std::printf("rows listed:                 %d\n", rows);
  std::printf("scan until the message:      %lu ms\n", scanMs);
  std::printf("idle window:      %d pings, longest answer %lu ms, %d over 100 ms\n",
              idle.count.load(), idle.longest.load(), idle.slow.load());
  std::printf("during the scan:  %d pings, longest answer %lu ms, %d over 100 ms, %d unanswered\n",
              scan.count.load(), scan.longest.load(), scan.slow.load(), scan.lost.load());
  std::printf("scroll and tick:  %d pings in %lu ms, longest answer %lu ms, %d over 100 ms\n",
              use.count.load(), useMs, use.longest.load(), use.slow.load());
  std::printf("invert:           %d pings, longest answer %lu ms, %d over 100 ms\n",
              inv.count.load(), inv.longest.load(), inv.slow.load());
  std::printf("longest single step: scroll %lu ms, tick all %lu ms, untick all %lu ms, "
              "invert %lu ms (selecting every row first, in the list control: %lu ms)\n",
              longestScroll, longestTick, longestUntick, longestInvert, selectMs);
  std::printf("window process private memory: %.1f MB before the scan, %.1f MB with the rows "
              "(peak %.1f MB): %.0f bytes a row\n",
              before.privateMb, after.privateMb, after.peakPrivateMb,
              rows ? (after.privateMb - before.privateMb) * 1048576.0 / rows : 0.0);
  if (process) CloseHandle(process);
  PostMessageA(main, WM_CLOSE, 0, 0);
  program.WaitForExit(60000);
  t::RemoveTree(kBin);
  return 0;
}
