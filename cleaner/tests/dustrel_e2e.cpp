// Starts the real Dustrel.exe in the sandbox: unattended "-Auto" and "-Track"
// runs with a saved selection, and the window driven by messages as a person
// would drive it. Checks what went to the Recycle Bin, what stays, the logs,
// and that the registry backup brings removed entries back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>

#include "inifile.h"
#include "registry.h"
#include "regremoval.h"
#include "regrestore.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

using t::SavedValue;

const char kBin[] = "C:\\suite-e2e-dustrel";
const char kQ[] = "Q:\\dz-e2e";  // on the sandbox's small fixed drive
const char kSuiteKey[] = "Software\\Quillon";
const char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

std::string Upper(std::string s) { return suite::ToUpper(std::move(s)); }

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && Upper(s.substr(s.size() - tail.size())) == Upper(tail);
}

// Whether the Recycle Bin holds an item whose original path ends in `tail`
// (files of drive Q: show there under the folder the drive stands for).
bool Recycled(const std::string& tail) {
  for (const std::string& p : t::RecycledPaths())
    if (EndsWithNoCase(p, tail)) return true;
  return false;
}

std::string Text(HWND w) {
  char text[1024] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

class Dustrel : public ::testing::Test {
 protected:
  void SetUp() override {
    t::EmptyRecycleBin();
    t::RemoveTree(kBin);
    t::InstallFromDist(kBin, {"Dustrel.exe", "Dustrel.ini"});
    t::RemoveTree(kQ);
    // Never let a test shut the machine down or delete past the Recycle Bin.
    t::SetDword(HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows", 0);
    if (t::ValueExists(HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup"))
      suite::RemoveSettingValue("HKEY_LOCAL_MACHINE", kExplorerKey, "DeleteNoBackup");
    ini_ = suite::IniFile(std::string(kBin) + "\\Dustrel.ini");
    ini_.ReadFile();
  }
  void TearDown() override {
    t::RemoveTree(kBin);
    t::RemoveTree(kQ);
    t::EmptyRecycleBin();
  }

  std::string IniText(const std::string& key) { return ini_.GetValue("Resource", key); }

  static t::ProcessResult Run(const std::string& args) {
    return t::RunProcess(std::string(kBin) + "\\Dustrel.exe " + args, kBin, 300000);
  }
  static std::string LogPath(const char* name) { return std::string(kBin) + "\\" + name; }
  static std::vector<std::string> LogSection(const char* name, const std::string& section) {
    suite::IniFile log(LogPath(name));
    log.ReadFile();
    std::vector<std::string> items;
    for (int i = 0, n = log.NumValues(section); i < n; ++i)
      items.push_back(log.GetValue(section, "Item" + std::to_string(i)));
    return items;
  }
  // The bytes a log of `count` and `files` (in this order) must hold.
  static std::string LogBytes(const std::string& count, const std::vector<std::string>& files) {
    std::string s = "[Numbers]\r\nItem0=" + count + "\r\n\r\n";
    if (files.empty()) return s;
    s += "[Files]\r\n";
    for (size_t i = 0; i < files.size(); ++i)
      s += "Item" + std::to_string(i) + "=" + files[i] + "\r\n";
    return s + "\r\n";
  }

  // The saved selection: the fixed drives (only Q: when `driveQ`), then
  // OtherItem1..26 ticked as listed; rows after them keep their defaults.
  static std::vector<bool> Select(bool driveQ, std::set<int> otherItems) {
    std::vector<std::pair<std::string, bool>> rows;
    std::vector<bool> ticks;
    for (const std::string& root : suite::FixedDrives()) rows.emplace_back(root, driveQ && root == "Q:\\");
    for (int n = 1; n <= 26; ++n)
      rows.emplace_back("OtherItem" + std::to_string(n), otherItems.count(n) > 0);
    for (const auto& row : rows) ticks.push_back(row.second);
    t::SetDustrelSelection(rows);
    return ticks;
  }

  // An unattended pass that clears what the temp folder already holds, so the
  // pass under test finds only what the test seeds.
  void Baseline() {
    Select(false, {});
    ASSERT_EQ(Run("-Auto").exitCode, 0u);
    DeleteFileA(LogPath("Dustrel.log").c_str());
    t::RemoveTree(std::string(kBin) + "\\" + suite::BackupStoreName());
    t::EmptyRecycleBin();
  }

  suite::IniFile ini_;
  SavedValue status_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveStatus"};
  SavedValue count_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount"};
  SavedValue rowNames_{HKEY_LOCAL_MACHINE, kSuiteKey, "CleanSaveRows"};
  SavedValue autoExit_{HKEY_LOCAL_MACHINE, kSuiteKey, "AutoExitWindows"};
  SavedValue noBackup_{HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup"};
};

// Result-list rows and ticks, read from the other process as a person sees them.
int Rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
int Ticked(HWND list) {
  int n = 0;
  for (int i = 0, count = Rows(list); i < count; ++i)
    n += (SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2 ? 1 : 0;
  return n;
}
bool WaitUntilFast(const std::function<bool()>& done, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 5) {
    if (done()) return true;
    Sleep(5);
  }
  return done();
}
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

// Starts a scan from the window and answers its closing message box
// (`text` gets the box's text); false when no box came. The scan progress
// window is a dialog of the same thread: the message box is looked for once
// the status line begins with `total`.
bool ScanAndAnswer(t::WindowProgram& program, HWND main, const std::string& total,
                   std::string* text) {
  t::ClickButton(main, 1001);
  EXPECT_TRUE(WaitUntil([&] { return t::ControlText(main, 1006).rfind(total, 0) == 0; }, 120000));
  HWND box = program.WaitForMessageBox(main);
  if (!box) return false;
  if (text) *text = t::MessageBoxText(box);
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  return true;
}

// A definition file in the locked form: the signature, the key length, the
// key XOR 0x3C, then the text with every byte XORed with each key byte.
std::string LockedDefinition(const std::string& text) {
  const std::string key = "tRoWeL";
  std::string bytes(40, '\0');
  const std::string signature = "Velmora Lock";
  std::copy(signature.begin(), signature.end(), bytes.begin());
  bytes[16] = static_cast<char>(key.size());
  for (size_t i = 0; i < key.size(); ++i) bytes[20 + i] = static_cast<char>(key[i] ^ 0x3C);
  for (char c : text) {
    for (char k : key) c = static_cast<char>(c ^ k);
    bytes.push_back(c);
  }
  return bytes;
}

}  // namespace

// "-Auto" with a saved selection: the ticked drive (with a link loop), the
// Recent folder and the temp folder; only the ticked junk goes to the Recycle
// Bin, a file that cannot be removed stays and is not logged.
TEST_F(Dustrel, AutoRecyclesTheTickedJunkOfTheChosenTargetsAndLogsWhatIsGone) {
  Baseline();
  const std::string temp = suite::TempFolder();
  const std::string recent = suite::ShellFolder("Recent");
  ASSERT_FALSE(recent.empty());
  t::MakeDirs(recent);
  const std::string q = kQ;
  t::MakeDirs(q + "\\tmp");
  t::MakeDirs(q + "\\adobe\\tmp");
  t::MakeDirs(q + "\\_restore");
  t::MakeDirs(temp + "dz-e2e.dir");
  // A .BAK file is listed once, unticked, also inside the temp folder (the
  // first row found stays; the special-folder rule adds no second one).
  const std::vector<std::string> junk = {
      temp + "dz-e2e-1.tmp", temp + "dz-e2e.dir\\inner.txt",
      recent + "\\dz-e2e.lnk", q + "\\junk.old", q + "\\tmp\\cache.dat"};
  const std::vector<std::string> keep = {
      temp + "dz-e2e-old.bak", q + "\\keep.txt",      q + "\\notes.bak",
      q + "\\adobe\\tmp\\font.dat", q + "\\_restore\\a.old", q + "\\data.bak"};
  for (const auto& f : junk) ASSERT_TRUE(t::WriteBytes(f, "junk")) << f;
  for (const auto& f : keep) ASSERT_TRUE(t::WriteBytes(f, "keep")) << f;
  const std::string locked = temp + "dz-e2e-locked.tmp";
  ASSERT_TRUE(t::WriteBytes(locked, "in use"));
  HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);

  Select(true, {2});  // drive Q:, OtherItem2 (the Recent folder)
  const t::ProcessResult r = Run("-Auto");
  CloseHandle(hold);
  EXPECT_FALSE(r.timedOut) << "the walk went round the link loop";
  EXPECT_EQ(r.exitCode, 0u);

  for (const auto& f : junk) {
    EXPECT_FALSE(t::Exists(f)) << f;
    EXPECT_TRUE(Recycled(f.substr(f.find('\\')))) << f;
  }
  for (const auto& f : keep) EXPECT_TRUE(t::Exists(f)) << f;
  EXPECT_TRUE(t::Exists(locked));
  EXPECT_TRUE(t::Exists(q + "\\tmp")) << "a folder is never a row of the drive walk";

  // The log names exactly the removed files, in the order they were cleaned.
  const std::vector<std::string> logged = LogSection("Dustrel.log", "Files");
  std::set<std::string> loggedSet, junkSet;
  for (const auto& f : logged) loggedSet.insert(Upper(f));
  for (const auto& f : junk) junkSet.insert(Upper(f));
  EXPECT_EQ(loggedSet, junkSet);
  EXPECT_EQ(t::ReadBytes(LogPath("Dustrel.log")), LogBytes("5", logged));
  t::RemoveTree(temp + "dz-e2e.dir");
  for (const auto& f : keep) DeleteFileA(f.c_str());
  DeleteFileA(locked.c_str());
  t::RemoveTree(recent + "\\dz-e2e.lnk");
}

// A temp path that names a data folder: neither its files nor its folders
// are swept, and the rest of the scan goes on.
TEST_F(Dustrel, AutoWithTempNamingADataFolderRemovesNothingThere) {
  Baseline();
  const std::string data = "C:\\dustrel e2e data";
  t::RemoveTree(data);
  const std::vector<std::string> mine = {data + "\\notes.txt", data + "\\draft.tmp",
                                         data + "\\Photos\\a.jpg"};
  for (const auto& f : mine) ASSERT_TRUE(t::WriteBytes(f, "mine")) << f;
  ASSERT_TRUE(t::WriteBytes(std::string(kQ) + "\\junk.old", "junk"));
  Select(true, {});
  char tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
  GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
  SetEnvironmentVariableA("TMP", data.c_str());
  SetEnvironmentVariableA("TEMP", data.c_str());
  const t::ProcessResult r = Run("-Auto");
  SetEnvironmentVariableA("TMP", tmp[0] ? tmp : nullptr);
  SetEnvironmentVariableA("TEMP", temp[0] ? temp : nullptr);
  EXPECT_EQ(r.exitCode, 0u);
  for (const auto& f : mine) EXPECT_TRUE(t::Exists(f)) << f;
  EXPECT_FALSE(t::Exists(std::string(kQ) + "\\junk.old")) << "the drive walk still ran";
  for (const auto& f : LogSection("Dustrel.log", "Files"))
    EXPECT_EQ(Upper(f).find(Upper(data)), std::string::npos) << f;
  t::RemoveTree(data);
}

// With nothing found the run writes no log and an older one stays.
TEST_F(Dustrel, AutoWithNothingToCleanKeepsTheOldLog) {
  Baseline();
  ASSERT_TRUE(t::WriteBytes(LogPath("Dustrel.log"), "old"));
  Select(false, {});
  const t::ProcessResult r = Run("-Auto");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(t::ReadBytes(LogPath("Dustrel.log")), "old");
}

// Only the first argument counts, case-sensitively: "-auto" opens the window.
TEST_F(Dustrel, LowerCaseAutoOpensTheWindowAndCleansNothing) {
  Select(false, {});
  const std::string temp = suite::TempFolder();
  ASSERT_TRUE(t::WriteBytes(temp + "dz-e2e-lower.tmp", "junk"));
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe -auto", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IniText("strMainDlg").empty());
  EXPECT_EQ(t::ControlText(main, 1001), IniText("IDC_SCANBT"));
  EXPECT_EQ(t::ControlText(main, 1002), IniText("IDC_DELETEBT"));
  EXPECT_EQ(t::ControlText(main, 1007), IniText("IDC_ACTIVEXBT"));
  EXPECT_EQ(t::ControlText(main, 1), IniText("IDOKMAIN"));
  EXPECT_EQ(t::ControlText(main, 1029), "快捷清理");
  EXPECT_EQ(t::ControlText(main, 1032), "收藏清理");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, 1004)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, 1005)));
  HWND targets = GetDlgItem(main, 1004);
  EXPECT_EQ(Rows(targets), static_cast<int>(suite::FixedDrives().size()) + 26);
  // The picture buttons carry their tooltips.
  struct Tips {
    DWORD pid;
    int tools;
  } tips{0, -1};
  GetWindowThreadProcessId(main, &tips.pid);
  EnumWindows([](HWND w, LPARAM lp) WINAPI -> BOOL {
    auto* f = reinterpret_cast<Tips*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid != f->pid || std::string(cls) != TOOLTIPS_CLASSA) return TRUE;
    f->tools = static_cast<int>(SendMessageA(w, TTM_GETTOOLCOUNT, 0, 0));
    return FALSE;
  }, reinterpret_cast<LPARAM>(&tips));
  EXPECT_EQ(tips.tools, 9);
  Sleep(1500);  // longer than a silent run's start
  EXPECT_TRUE(t::Exists(temp + "dz-e2e-lower.tmp"));
  EXPECT_FALSE(t::Exists(LogPath("Dustrel.log")));

  // Pressing clean before any scan does nothing.
  t::ClickButton(main, 1002);
  Sleep(500);
  EXPECT_EQ(program.WaitForDialog(main, 300), nullptr);
  EXPECT_TRUE(t::Exists(temp + "dz-e2e-lower.tmp"));

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
  DeleteFileA((temp + "dz-e2e-lower.tmp").c_str());
}

// The window driven by messages: scan, untick, tick, flip, clean, report.
TEST_F(Dustrel, WindowScansTicksCleansAndReports) {
  Baseline();
  const std::string temp = suite::TempFolder();
  const std::vector<std::string> seeded = {temp + "dz-w-1.tmp", temp + "dz-w-2.tmp",
                                           temp + "dz-w-3.chk"};
  for (const auto& f : seeded) ASSERT_TRUE(t::WriteBytes(f, std::string(2048, 'x')));
  // A file in use in the Recent folder (walked before the temp folder: row 0).
  const std::string recent = suite::ShellFolder("Recent");
  t::MakeDirs(recent);
  const std::string locked = recent + "\\dz-w-4.lnk";
  ASSERT_TRUE(t::WriteBytes(locked, "in use"));
  HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  Select(false, {2});

  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  HWND results = GetDlgItem(main, 1005);

  std::string done;
  ASSERT_TRUE(ScanAndAnswer(program, main, IniText("strFSTotal"), &done));
  EXPECT_EQ(done, IniText("strFSAllOver"));
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(IsWindowVisible(results));
  EXPECT_EQ(Rows(results), 4);
  EXPECT_EQ(t::ControlText(main, 1006), IniText("strFSTotal") + ":4");
  EXPECT_EQ(Ticked(results), 4);

  t::ClickButton(main, 1055);  // untick all
  EXPECT_TRUE(WaitUntil([&] { return Ticked(results) == 0; }));
  t::ClickButton(main, 1056);  // flip the selected rows: none selected
  HWND box = program.WaitForMessageBox(main);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), "没有选择任何项,您可以按下Shift键选中多个条目");
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  SendMessageA(results, WM_KEYDOWN, VK_HOME, 0);  // selects the first row
  t::ClickButton(main, 1056);
  EXPECT_TRUE(WaitUntil([&] { return Ticked(results) == 1; }));
  SendMessageA(results, WM_KEYDOWN, VK_SPACE, 0);  // the space bar flips it back
  EXPECT_TRUE(WaitUntil([&] { return Ticked(results) == 0; }));
  t::ClickButton(main, 1054);  // tick all, after a question
  box = program.WaitForMessageBox(main);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(t::MessageBoxText(box).find("全部选择可能有一定危险性"), std::string::npos);
  SendMessageA(box, WM_COMMAND, IDNO, 0);
  Sleep(200);
  EXPECT_EQ(Ticked(results), 0);
  PostMessageA(main, WM_COMMAND, 32773, 0);  // context menu "ID_ALLSELECT": no question
  EXPECT_TRUE(WaitUntil([&] { return Ticked(results) == 4; }));
  SendMessageA(results, WM_KEYDOWN, VK_END, 0);  // focus the last row (a temp file)
  PostMessageA(main, WM_COMMAND, 32772, 0);  // "ID_DONOTOP": drop the focused row
  EXPECT_TRUE(WaitUntil([&] { return Rows(results) == 3; }));

  t::ClickButton(main, 1002);  // clean: the report follows
  HWND report = program.WaitForWindow("磁盘清理报告", 60000);
  ASSERT_NE(report, nullptr);
  const std::string summary = t::ControlText(report, 1150);
  EXPECT_EQ(summary.rfind(IniText("strOver1"), 0), 0u) << summary;
  EXPECT_NE(summary.find(IniText("strOver2") + "2"), std::string::npos) << summary;
  t::ClickButton(report, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return t::ControlText(main, 1006) == "所有清理工作完成！"; }));
  // The file in use could not be removed: it stays listed, and the list stays.
  EXPECT_TRUE(IsWindowVisible(results));
  EXPECT_EQ(Rows(results), 1);
  EXPECT_EQ(Ticked(results), 1);
  EXPECT_TRUE(t::Exists(locked));
  SendMessageA(results, WM_KEYDOWN, VK_HOME, 0);  // every row selected: the flip takes them all
  t::ClickButton(main, 1056);
  EXPECT_TRUE(WaitUntil([&] { return Ticked(results) == 0; }));
  t::ClickButton(main, 1056);
  EXPECT_TRUE(WaitUntil([&] { return Ticked(results) == 1; }));
  int gone = 0;
  for (const auto& f : seeded) gone += t::Exists(f) ? 0 : 1;
  EXPECT_EQ(gone, 2) << "the dropped row stays";
  EXPECT_EQ(t::RecycledPaths().size(), 2u);
  EXPECT_FALSE(t::Exists(LogPath("Dustrel.log"))) << "the window writes no log";

  // Once it can be removed, a second clean takes it and the targets come back.
  CloseHandle(hold);
  t::ClickButton(main, 1002);
  report = program.WaitForWindow("磁盘清理报告", 60000);
  ASSERT_NE(report, nullptr);
  t::ClickButton(report, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(main, 1004)); }));
  EXPECT_FALSE(t::Exists(locked));
  EXPECT_EQ(Rows(results), 0);

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
  for (const auto& f : seeded) DeleteFileA(f.c_str());
}

// Closed during a clean, the window does not wait for the whole run: the run
// stops after the item it is at, and what it had not reached stays.
TEST_F(Dustrel, ClosingDuringACleanStopsTheRunAfterTheCurrentItem) {
  Baseline();
  const std::string many = std::string(kQ) + "\\many";
  const int kFiles = 1500;
  for (int i = 0; i < kFiles; ++i)
    ASSERT_TRUE(t::WriteBytes(many + "\\f" + std::to_string(i) + ".tmp", "x"));
  Select(true, {});
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(ScanAndAnswer(program, main, IniText("strFSTotal"), nullptr));
  ASSERT_GE(Rows(GetDlgItem(main, 1005)), kFiles);

  t::ClickButton(main, 1002);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
  int left = 0;
  for (int i = 0; i < kFiles; ++i) left += t::Exists(many + "\\f" + std::to_string(i) + ".tmp") ? 1 : 0;
  EXPECT_GT(left, kFiles / 2) << "the run went on after the window was closed";
}

// The options window reads and writes the three settings; save selection
// writes one byte per target row.
TEST_F(Dustrel, OptionsAndSavedSelection) {
  const std::vector<bool> ticks = Select(false, {1, 5, 26});
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  HWND targets = GetDlgItem(main, 1004);
  const int rows = Rows(targets);
  int ticked = 0;
  for (int i = 0; i < rows; ++i)
    ticked += (SendMessageA(targets, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2 ? 1 : 0;
  EXPECT_EQ(ticked, 3) << "the saved selection is restored";

  t::ClickButton(main, 1003);
  HWND options = program.WaitForWindow(IniText("IDD_SETUPDLG"));
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(t::ControlText(options, 1012), IniText("IDC_CHECKDELETE"));
  EXPECT_EQ(t::ControlText(options, IDOK), IniText("IDOKXX"));
  EXPECT_EQ(SendMessageA(GetDlgItem(options, 1012), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageA(GetDlgItem(options, 1012), BM_CLICK, 0, 0);
  SendMessageA(GetDlgItem(options, 1033), BM_CLICK, 0, 0);
  t::ClickButton(options, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(options); }));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup"));
  const std::string policy = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
  EXPECT_TRUE(t::ValueExists(HKEY_USERS, policy, "ClearRecentDocsOnExit"));

  // Reopened it shows them; Cancel writes nothing; unticked and OK removes them.
  t::ClickButton(main, 1003);
  options = program.WaitForWindow(IniText("IDD_SETUPDLG"));
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(SendMessageA(GetDlgItem(options, 1012), BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageA(GetDlgItem(options, 1012), BM_CLICK, 0, 0);
  t::ClickButton(options, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(options); }));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup"));
  t::ClickButton(main, 1003);
  options = program.WaitForWindow(IniText("IDD_SETUPDLG"));
  ASSERT_NE(options, nullptr);
  SendMessageA(GetDlgItem(options, 1012), BM_CLICK, 0, 0);
  SendMessageA(GetDlgItem(options, 1033), BM_CLICK, 0, 0);
  t::ClickButton(options, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(options); }));
  EXPECT_FALSE(t::ValueExists(HKEY_LOCAL_MACHINE, kExplorerKey, "DeleteNoBackup"));
  EXPECT_FALSE(t::ValueExists(HKEY_USERS, policy, "ClearRecentDocsOnExit"));

  // Save: the bytes of every row now listed, and the count.
  t::SetDword(HKEY_LOCAL_MACHINE, kSuiteKey, "CleanItemCount", 0);
  t::ClickButton(main, 1007);
  HWND box = program.WaitForMessageBox(main);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), IniText("strSaveOK"));
  EXPECT_EQ(Text(box), "Save");
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSuiteKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  BYTE bytes[256] = {};
  DWORD size = sizeof bytes, count = 0, countSize = sizeof count;
  RegQueryValueExA(key, "CleanSaveStatus", nullptr, nullptr, bytes, &size);
  RegQueryValueExA(key, "CleanItemCount", nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &countSize);
  RegCloseKey(key);
  EXPECT_EQ(static_cast<int>(size), rows);
  EXPECT_EQ(static_cast<int>(count), rows);
  for (size_t i = 0; i < ticks.size() && i < size; ++i) EXPECT_EQ(bytes[i] == 1, ticks[i]) << i;

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}

// Both stops end the scan through its flag: the rows found so far stay and
// no more come; the progress window's cancel shows "扫描中止!".
TEST_F(Dustrel, StopsEndTheScanAndKeepTheRowsFound) {
  const std::string q = kQ;
  for (int d = 0; d < 80; ++d) {
    const std::string folder = q + "\\d" + std::to_string(d);
    t::MakeDirs(folder);
    for (int f = 0; f < 100; ++f) t::WriteBytes(folder + "\\f" + std::to_string(f) + ".tmp", "x");
  }
  Select(true, {});
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  HWND results = GetDlgItem(main, 1005);

  // The progress window's cancel, pressed as soon as the window is there.
  const std::string progressCaption = IniText("IDD_DIALOG_DH");
  HWND progress = nullptr;
  t::ClickButton(main, 1001);
  WaitUntilFast([&] { return (progress = FindWindowA("#32770", progressCaption.c_str())) != nullptr; }, 15000);
  ASSERT_NE(progress, nullptr);
  EXPECT_FALSE(IsWindowVisible(main));
  t::ClickButton(progress, 1125);
  EXPECT_TRUE(WaitUntil([&] { return t::ControlText(main, 1006) == "扫描中止!"; }));
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_FALSE(IsWindow(progress));
  Sleep(300);
  const int kept = Rows(results);
  EXPECT_LT(kept, 8000);
  Sleep(700);
  EXPECT_EQ(Rows(results), kept) << "the stopped scan went on";
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 1001)));

  // The soft stop of the main window's button.
  t::ClickButton(main, 1001);
  progress = nullptr;
  WaitUntilFast([&] { return (progress = FindWindowA("#32770", progressCaption.c_str())) != nullptr; }, 15000);
  ASSERT_NE(progress, nullptr);
  // The caption comes first; the other texts follow at once.
  WaitUntilFast([&] { return !t::ControlText(progress, 1125).empty(); }, 2000);
  EXPECT_EQ(t::ControlText(progress, 1125), IniText("IDC_BUTTONCANCELINDH"));
  EXPECT_EQ(t::ControlText(progress, 1120), IniText("IDC_STATICSCANOBJECT"));
  t::ClickButton(main, 1057);
  EXPECT_TRUE(WaitUntil([&] { return t::ControlText(main, 1006) == IniText("strFsCancel"); }));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, 1004)));
  EXPECT_FALSE(IsWindowVisible(results));
  const int soft = Rows(results);
  Sleep(700);
  EXPECT_EQ(Rows(results), soft);

  // Closed in the middle of a scan, the program waits for its worker and ends.
  t::ClickButton(main, 1001);
  ASSERT_NE(program.WaitForWindow(IniText("IDD_DIALOG_DH")), nullptr);
  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 0;
  EXPECT_TRUE(program.WaitForExit(20000, &code));
  EXPECT_EQ(code, static_cast<DWORD>(IDCANCEL));
  EXPECT_TRUE(t::Exists(q + "\\d0\\f0.tmp")) << "a stop cleans nothing";
}

// 快捷清理 and 收藏清理 start the other two cleaners with their windows.
TEST_F(Dustrel, CompanionButtonsOpenSnipwellAndMarksift) {
  t::InstallFromDist(kBin, {"Snipwell.exe", "Snipwell.ini", "Marksift.exe"});
  suite::IniFile snipIni(std::string(kBin) + "\\Snipwell.ini");
  snipIni.ReadFile();
  const std::string snipCaption = snipIni.GetValue("Resource", "IDD_SNIPWELL_DIALOG");
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  for (const auto& [button, caption] :
       std::vector<std::pair<int, std::string>>{{1029, snipCaption}, {1032, "无效收藏夹检测"}}) {
    t::ClickButton(main, button);
    HWND other = nullptr;
    WaitUntil([&] { return (other = FindWindowA("#32770", caption.c_str())) != nullptr; });
    ASSERT_NE(other, nullptr) << caption;
    DWORD pid = 0;
    GetWindowThreadProcessId(other, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(other, WM_CLOSE, 0, 0);
    if (process) {
      EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
      CloseHandle(process);
    }
  }
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}

// "-Track" runs the ticked definitions of "CleanPlugin": their registry
// entries are backed up and removed, their files recycled, "History.log"
// names the definitions that found something, and the backup brings the
// entries back. The definitions themselves are never rewritten.
TEST_F(Dustrel, TrackRunsTheDefinitionsBacksUpLogsAndCanBeRestored) {
  const char kFiles[] = "C:\\suite-e2e-dz-files";
  t::ScratchDir files(kFiles);
  t::MakeDirs(files / "cache");
  for (const char* f : {"history.dat", "keep.txt", "cache\\c1.dat", "cache\\c2.dat", "cache\\ab"})
    ASSERT_TRUE(t::WriteBytes(files / f, "trace"));
  t::ScratchKey key("dz-track");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "LastFile", "C:\\docs\\a.txt");
  t::SetString(HKEY_CURRENT_USER, key.Path(), "Other", "keep");
  t::SetString(HKEY_CURRENT_USER, key.Sub("Recent"), "1", "C:\\docs\\b.txt");
  t::SetString(HKEY_CURRENT_USER, key.Sub("Recent\\Deep"), "n", "v");

  const std::string plugins = std::string(kBin) + "\\CleanPlugin";
  t::MakeDirs(plugins);
  const std::string found = LockedDefinition(
      "[Information]\r\nDescription=E2E 历史记录\r\nSelected=1\r\n[Registry]\r\n"
      "Reg0=RootKey:HKEY_CURRENT_USER; SubKey:\\" + key.Path() + "; Type:Value; Pattern:lastfile;\r\n"
      "Reg1=RootKey:HKEY_CURRENT_USER; SubKey:\\" + key.Path() + "; Type:Key; Pattern:Recent;\r\n"
      "[File/Folder]\r\n"
      "File0=Source:" + std::string(kFiles) + "; Type:File; Pattern:history.dat;\r\n"
      "File1=Source:" + std::string(kFiles) + "\\cache; Type:Folder; Pattern:*.*;\r\n");
  const std::string empty = LockedDefinition(
      "[Information]\r\nDescription=E2E\r\nSelected=1\r\n[Registry]\r\n"
      "Reg0=RootKey:HKEY_CURRENT_USER; SubKey:\\Software\\SuiteTests\\dz-none; Type:Value; Pattern:x;\r\n");
  const std::string plain = "[Information]\r\nDescription=plain\r\n[File/Folder]\r\n"
                            "File0=Source:" + std::string(kFiles) + "; Type:File; Pattern:keep.txt;\r\n";
  ASSERT_TRUE(t::WriteBytes(plugins + "\\e2e-found.dat", found));
  ASSERT_TRUE(t::WriteBytes(plugins + "\\e2e-empty.dat", empty));
  ASSERT_TRUE(t::WriteBytes(plugins + "\\plain.txt", plain));
  // No drive; the cache and saved-password rows ticked, which "-Track" never
  // empties; the definition rows keep their tick.
  const std::string forms = "Software\\Microsoft\\Internet Explorer\\IntelliForms";
  const bool hadForms = t::KeyExists(HKEY_CURRENT_USER, forms);
  t::SetString(HKEY_CURRENT_USER, forms, "SuiteE2eTrack", "secret");
  Select(false, {1, 26});

  const t::ProcessResult r = Run("-Track");
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, forms, "SuiteE2eTrack"));
  if (hadForms)
    suite::RemoveSettingValue("HKEY_CURRENT_USER", forms, "SuiteE2eTrack");
  else
    suite::DeleteKeyTree(HKEY_CURRENT_USER, forms);

  EXPECT_EQ(t::ReadBytes(LogPath("History.log")),
            LogBytes("1", {plugins + "\\e2e-found.dat"}));
  EXPECT_FALSE(t::Exists(LogPath("Dustrel.log")));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, key.Path(), "LastFile"));
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, key.Sub("Recent")));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, key.Path(), "Other"));
  for (const char* f : {"history.dat", "cache\\c1.dat", "cache\\c2.dat"}) {
    EXPECT_FALSE(t::Exists(files / f)) << f;
    EXPECT_TRUE(Recycled(files / f)) << f;
  }
  EXPECT_TRUE(t::Exists(files / "keep.txt")) << "a definition that is not locked is skipped";
  EXPECT_TRUE(t::Exists(files / "cache\\ab")) << "names of three characters are not listed";

  // The definitions are as they were, and no working copy is left anywhere.
  EXPECT_EQ(t::ReadBytes(plugins + "\\e2e-found.dat"), found);
  EXPECT_EQ(t::ReadBytes(plugins + "\\e2e-empty.dat"), empty);
  EXPECT_EQ(t::ReadBytes(plugins + "\\plain.txt"), plain);
  EXPECT_FALSE(t::Exists(std::string(kBin) + "\\temp.dat"));
  EXPECT_FALSE(t::Exists(suite::TempFolder() + "~@3434.tmp"));

  // Hivemend's restore of the backup Dustrel wrote brings the entries back.
  const std::string store = std::string(kBin) + "\\" + suite::BackupStoreName();
  const std::vector<std::string> backups = suite::ListBackups(store);
  ASSERT_EQ(backups.size(), 1u);
  const suite::RestoreResult restored = suite::RestoreBackup(store, backups[0]);
  EXPECT_EQ(restored.files, 2);
  EXPECT_EQ(restored.imported, restored.files);
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, key.Path(), "LastFile"), "C:\\docs\\a.txt");
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, key.Sub("Recent"), "1"), "C:\\docs\\b.txt");
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, key.Sub("Recent\\Deep"), "n"));
}

// "-PowerOn" opens the window normally; its cleaning run shows no report.
TEST_F(Dustrel, PowerOnCleansWithoutTheReport) {
  Baseline();
  const std::string junk = suite::TempFolder() + "dz-p-1.tmp";
  ASSERT_TRUE(t::WriteBytes(junk, "junk"));
  Select(false, {});
  t::WindowProgram program(std::string(kBin) + "\\Dustrel.exe -PowerOn", kBin);
  HWND main = program.WaitForWindow(IniText("strMainDlg"));
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(ScanAndAnswer(program, main, IniText("strFSTotal"), nullptr));
  t::ClickButton(main, 1002);
  EXPECT_TRUE(WaitUntil([&] { return t::ControlText(main, 1006) == "所有清理工作完成！"; }, 60000));
  EXPECT_EQ(program.WaitForDialog(main, 500), nullptr) << "no report after -PowerOn";
  EXPECT_FALSE(t::Exists(junk));
  EXPECT_TRUE(Recycled("dz-p-1.tmp"));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}
