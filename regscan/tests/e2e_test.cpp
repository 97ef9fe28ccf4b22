// Starts the real Hivemend.exe in the sandbox with planted registry errors and
// checks what it backed up, removed and logged, and that the backup brings
// everything back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "inifile.h"
#include "regbackup.h"
#include "seed.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using hivemend::test::Planted;
using suite::test::Snapshot;
constexpr auto Take = suite::test::TakeSnapshot;

namespace {

const char kBin[] = "C:\\suite-e2e-hivemend";
const char kFiles[] = "C:\\suite-e2e-hm-files";
const char kLib[] = "{E2E00000-1111-4000-8000-000000000001}";
const char kCls1[] = "{E2E00000-2222-4000-8000-000000000001}";
const char kCls2[] = "{E2E00000-2222-4000-8000-000000000002}";
const char kIf1[] = "{E2E00000-3333-4000-8000-000000000001}";
const std::string kAppPath = std::string(hivemend::kAppPathsKey) + "\\hm-e2e.exe";
const std::string kSoftware = "Software\\SuiteTests\\hm-e2e";
// The scanner's one finding in a fresh sandbox: a file in the Windows folder.
const char kNaturalGap[] = "C:\\windows\\system32\\drivers\\gm.dls";

class Hivemend : public ::testing::Test {
 protected:
  void SetUp() override {
    t::RemoveTree(kBin);
    t::InstallFromDist(kBin, {"Hivemend.exe", "Hivemend.ini", "TipList.ini"});
  }
  void TearDown() override { t::RemoveTree(kBin); }

  static t::ProcessResult Run(const std::string& args) {
    return t::RunProcess(std::string(kBin) + "\\Hivemend.exe" + (args.empty() ? "" : " " + args),
                         kBin, 300000);
  }
  static std::string LogPath() { return std::string(kBin) + "\\Hivemend.log"; }
  static std::vector<std::string> LogSection(const std::string& section) {
    suite::IniFile log(LogPath());
    log.ReadFile();
    std::vector<std::string> items;
    for (int i = 0, n = log.NumValues(section); i < n; ++i)
      items.push_back(log.GetValue(section, "Item" + std::to_string(i)));
    return items;
  }
  // The backup folders of a store, as the chooser lists them.
  static std::vector<std::string> Backups(const std::string& store) {
    return hivemend::ListBackups(std::string(kBin) + "\\" + store);
  }
  static std::string StoresBeside() {
    std::string names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((std::string(kBin) + "\\Reg-Backup*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names += std::string(data.cFileName) + " ";
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
  }
  static int FileCount(const std::string& folder) {
    int n = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\RB*.reg").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do ++n;
    while (FindNextFileA(find, &data));
    FindClose(find);
    return n;
  }

  // One entry per category 0-9, plus entries that must survive the repair.
  void Plant(Planted& p) {
    const HKEY lm = HKEY_LOCAL_MACHINE, cr = HKEY_CLASSES_ROOT;
    const std::string f = kFiles;
    p.Key(lm, hivemend::kKnownDllsKey);
    p.String(lm, hivemend::kKnownDllsKey, "hme2e", "hm-e2e-gone.dll");
    p.Key(lm, kAppPath);
    p.String(lm, kAppPath, "", f + "\\gone.exe");
    p.ForeignValue(lm, hivemend::kHelpKey, "hm-e2e.hlp", f);
    for (const std::string& k :
         {std::string("hme2e.badicon"), std::string(".hme2e"), std::string("hme2efile"),
          std::string("hme2e.prog"), "TypeLib\\" + std::string(kLib), "CLSID\\" + std::string(kCls1),
          "CLSID\\" + std::string(kCls2), "Interface\\" + std::string(kIf1)})
      p.Key(cr, k);
    p.String(cr, "hme2e.badicon", "", "E2E 类型");
    p.String(cr, "hme2e.badicon\\DefaultIcon", "", f + "\\gone.ico,0");
    p.String(cr, ".hme2e", "", "hme2e.badicon");
    p.String(cr, "hme2efile\\shell\\open\\command", "", f + "\\gone.exe \"%1\"");
    p.String(cr, "TypeLib\\" + std::string(kLib) + "\\1.0\\0\\win32", "", f + "\\gone.dll");
    p.String(cr, "CLSID\\" + std::string(kCls1) + "\\InprocServer32", "", f + "\\gone.dll");
    p.String(cr, "CLSID\\" + std::string(kCls1) + "\\ProgID", "", "hme2e.prog");
    p.String(cr, "hme2e.prog\\CLSID", "", kCls1);
    p.String(cr, "Interface\\" + std::string(kIf1) + "\\ProxyStubClsid32", "", kCls1);
    p.String(cr, "CLSID\\" + std::string(kCls2) + "\\LocalServer32", "", f + "\\gone.exe /automation");
    p.Key(HKEY_CURRENT_USER, kSoftware);
    p.String(HKEY_CURRENT_USER, kSoftware, "gone", f + "\\gone.exe");
    p.String(HKEY_CURRENT_USER, kSoftware, "present", f + "\\present.exe");
    p.String(HKEY_CURRENT_USER, kSoftware, "system", "C:\\windows\\system32\\hm-e2e-gone.dll");
    p.Key(HKEY_USERS, ".Default\\" + kSoftware);
    p.String(HKEY_USERS, ".Default\\" + kSoftware, "gone", f + "\\gone.exe");
    p.Key(lm, kSoftware);
    p.String(lm, kSoftware, "gone", f + "\\gone.exe");
    p.String(lm, kSoftware + "\\Microsoft\\Windows NT\\CurrentVersion", "gone", f + "\\gone.exe");
    p.String(lm, kSoftware + "\\System\\CurrentControlSet\\x", "gone", f + "\\gone.exe");
  }

  // A first unattended pass clears what the sandbox's own registry holds, so
  // that the pass under test reports the planted entries only.
  void Baseline() {
    ASSERT_EQ(Run("-Auto").exitCode, 0u);
    DeleteFileA(LogPath().c_str());
    t::RemoveTree(std::string(kBin) + "\\" + hivemend::BackupStoreName());
  }
};

}  // namespace

// Runs first, before any test has repaired anything. A healthy system: the scan finds no entry that names an existing file, and
// the unattended run removes nothing at all.
TEST_F(Hivemend, AFreshSystemLosesNothing) {
  // Every row the scanner gives here names a file that is really missing.
  std::vector<hivemend::ScanRow> rows;
  std::atomic<bool> never{false};
  hivemend::Scanner scanner(hivemend::DefaultScanSettings(),
                            {[&](const hivemend::ScanRow& row) { rows.push_back(row); }, {}}, never);
  scanner.Run();
  for (const hivemend::ScanRow& row : rows) {
    std::string text = row.text;
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    if (text.find(":\\") == std::string::npos) continue;
    EXPECT_EQ(GetFileAttributesA(text.c_str()), INVALID_FILE_ATTRIBUTES) << text;
  }

  const Snapshot classes = Take(HKEY_CLASSES_ROOT, "CLSID");
  const Snapshot software = Take(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion");
  t::ProcessResult r = Run("-Auto");
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_TRUE(LogSection("Files").empty());
  if (t::Exists(LogPath())) {
    EXPECT_EQ(LogSection("Numbers"), (std::vector<std::string>{"0"}));
  }
  EXPECT_EQ(Take(HKEY_CLASSES_ROOT, "CLSID"), classes);
  EXPECT_EQ(Take(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"), software);
}

TEST_F(Hivemend, WithoutArgumentsEndsAtOnceAndWritesNothing) {
  t::ProcessResult r = Run("");
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_FALSE(t::Exists(LogPath()));
  EXPECT_TRUE(Backups("Reg-Backup").empty());
}

TEST_F(Hivemend, AutoBacksUpRepairsExactlyTheTickedEntriesLogsAndRestores) {
  t::ScratchDir files(kFiles);
  t::WriteBytes(files / "present.exe", "MZ");
  Baseline();
  Planted p;
  Plant(p);
  const std::vector<std::pair<HKEY, std::string>> planted = {
      {HKEY_LOCAL_MACHINE, kAppPath},
      {HKEY_LOCAL_MACHINE, hivemend::kHelpKey},
      {HKEY_CLASSES_ROOT, "hme2e.badicon"},
      {HKEY_CLASSES_ROOT, ".hme2e"},
      {HKEY_CLASSES_ROOT, "hme2efile"},
      {HKEY_CLASSES_ROOT, "hme2e.prog"},
      {HKEY_CLASSES_ROOT, "TypeLib\\" + std::string(kLib)},
      {HKEY_CLASSES_ROOT, "CLSID\\" + std::string(kCls1)},
      {HKEY_CLASSES_ROOT, "CLSID\\" + std::string(kCls2)},
      {HKEY_CLASSES_ROOT, "Interface\\" + std::string(kIf1)},
      {HKEY_CURRENT_USER, kSoftware},
      {HKEY_USERS, ".Default\\" + kSoftware},
      {HKEY_LOCAL_MACHINE, kSoftware}};
  std::vector<Snapshot> before;
  for (const auto& k : planted) before.push_back(Take(k.first, k.second));

  t::ProcessResult r = Run("-Auto");
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);

  const std::string lm = "HKEY_LOCAL_MACHINE\\", cr = "HKEY_CLASSES_ROOT\\";
  const std::vector<std::string> expected = {
      lm + kAppPath,
      lm + hivemend::kHelpKey + "\\hm-e2e.hlp",
      cr + "hme2e.badicon",
      cr + ".hme2e",
      cr + "hme2efile\\shell\\open",
      cr + "TypeLib\\" + kLib,
      cr + "CLSID\\" + kCls1,
      cr + "hme2e.prog",
      cr + "Interface\\" + kIf1,
      cr + "CLSID\\" + kCls2,
      "HKEY_CURRENT_USER\\" + kSoftware + "\\gone",
      "HKEY_USERS\\.Default\\" + kSoftware + "\\gone",
      lm + kSoftware + "\\gone"};
  EXPECT_EQ(LogSection("Files"), expected);
  EXPECT_EQ(LogSection("Numbers"), (std::vector<std::string>{std::to_string(expected.size())}));

  // Removed: the ticked entries. Kept: protected key paths, unticked rows, the rest.
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, kAppPath));
  EXPECT_FALSE(t::ValueExists(HKEY_LOCAL_MACHINE, hivemend::kHelpKey, "hm-e2e.hlp"));
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\" + std::string(kLib)));
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, "hme2efile\\shell\\open"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "hme2efile\\shell"));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, hivemend::kKnownDllsKey, "hme2e"));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, kSoftware + "\\Microsoft\\Windows NT\\CurrentVersion",
                             "gone"));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, kSoftware + "\\System\\CurrentControlSet\\x", "gone"));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "system"));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "present"));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "gone"));

  // One backup folder, one file per result row.
  const std::vector<std::string> backups = Backups("Reg-Backup");
  ASSERT_EQ(backups.size(), 1u);
  const std::string store = std::string(kBin) + "\\Reg-Backup";
  EXPECT_GE(FileCount(store + "\\" + backups[0]), 20);

  const hivemend::RestoreResult restored = hivemend::RestoreBackup(store, backups[0]);
  EXPECT_EQ(restored.imported, restored.files);
  for (size_t i = 0; i < planted.size(); ++i)
    EXPECT_EQ(Take(planted[i].first, planted[i].second), before[i]) << planted[i].second;
}

TEST_F(Hivemend, AutoWithNothingFoundWritesNoBackupAndKeepsTheOldLog) {
  const bool hadGap = t::Exists(kNaturalGap);
  if (!hadGap) t::WriteBytes(kNaturalGap, "dls");
  Baseline();
  t::WriteBytes(LogPath(), "[Numbers]\r\nItem0=7\r\n\r\n");
  t::ProcessResult r = Run("-Auto");
  if (!hadGap) DeleteFileA(kNaturalGap);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(t::ReadBytes(LogPath()), "[Numbers]\r\nItem0=7\r\n\r\n");
  EXPECT_FALSE(t::Exists(std::string(kBin) + "\\Reg-Backup"));
}

TEST_F(Hivemend, VersionBranchesNameTheStoreAndPickTheHeader) {
  t::ScratchDir files(kFiles);
  struct Case {
    const char* version;
    const char* store;
    bool regedit4;
  } cases[] = {{"winxp", "Reg-Backup-XP", false},
               {"win2k", "Reg-Backup-2000", false},
               {"win98", "Reg-Backup-98SE", true}};  // the sandbox's Windows 98 is the second edition
  for (const Case& c : cases) {
    Planted p;
    p.Key(HKEY_CURRENT_USER, kSoftware);
    p.String(HKEY_CURRENT_USER, kSoftware, "gone", std::string(kFiles) + "\\gone.exe");
    t::WindowsVersionFor version("Hivemend.exe", c.version);
    ASSERT_EQ(Run("-Auto").exitCode, 0u) << c.version;
    const std::vector<std::string> backups = Backups(c.store);
    ASSERT_EQ(backups.size(), 1u) << c.version << ": " << StoresBeside();
    const std::string text =
        t::ReadBytes(std::string(kBin) + "\\" + c.store + "\\" + backups[0] + "\\RB0.reg");
    if (c.regedit4) {
      EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u) << c.version;
    } else {
      // The version 5 file is UTF-16 with its byte-order mark.
      const std::wstring header = L"\xfeffWindows Registry Editor Version 5.00\r\n";
      ASSERT_GE(text.size(), header.size() * 2);
      EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(text.data()), header.size()), header)
          << c.version;
    }
    EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "gone")) << c.version;
    t::RemoveTree(std::string(kBin) + "\\" + c.store);
  }
}

namespace {

// The interactive window driven from outside, as a user would: buttons are
// clicked by message and message boxes are read and answered.
class Window {
 public:
  explicit Window(const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string cmd = commandLine;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, kBin, &si, &pi_)) {
      main_ = WaitFor([this](HWND w) { return Text(w) == "注册表错误扫描修复"; });
    }
  }
  ~Window() {
    if (main_) PostMessageA(main_, WM_COMMAND, IDCANCEL, 0);
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
  }
  HWND Main() const { return main_; }
  void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }
  // A top-level window of the program other than the main window.
  HWND WaitFor(const std::function<bool(HWND)>& match, DWORD timeoutMs = 60000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
      found_ = nullptr;
      match_ = &match;
      EnumWindows(&Window::Visit, reinterpret_cast<LPARAM>(this));
      if (found_) return found_;
      Sleep(50);
    }
    return nullptr;
  }
  // The next message box; returns its text and answers it with `button`.
  std::string Answer(int button = IDOK) {
    HWND box = WaitFor([this](HWND w) { return w != main_ && GetDlgItem(w, 0xFFFF); });
    if (!box) return "<no message box>";
    const std::string text = Text(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, button, 0);
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
    return text;
  }
  static std::string Text(HWND w) {
    char buf[1024] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
  }
  int TickedRows() const {
    int n = 0;
    for (int i = 0, rows = ResultRows(); i < rows; ++i)
      n += (SendMessageA(GetDlgItem(main_, 1004), LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12) == 2;
    return n;
  }
  int ResultRows() const {
    return static_cast<int>(SendMessageA(GetDlgItem(main_, 1004), LVM_GETITEMCOUNT, 0, 0));
  }

 private:
  static BOOL CALLBACK Visit(HWND w, LPARAM self) {
    Window* me = reinterpret_cast<Window*>(self);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == me->pi_.dwProcessId && (*me->match_)(w)) {
      me->found_ = w;
      return FALSE;
    }
    return TRUE;
  }
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr;
  HWND found_ = nullptr;
  const std::function<bool(HWND)>* match_ = nullptr;
};

std::string IniText(const std::string& key) {
  suite::IniFile ini(std::string(kBin) + "\\Hivemend.ini");
  ini.ReadFile();
  return ini.GetValue("Resource", key);
}

}  // namespace

TEST_F(Hivemend, WindowScansBacksUpRepairsAndRestoresThroughTheChooser) {
  t::ScratchDir files(kFiles);
  Baseline();
  Planted p;
  p.Key(HKEY_CURRENT_USER, kSoftware);
  p.String(HKEY_CURRENT_USER, kSoftware, "gone", std::string(kFiles) + "\\gone.exe");
  p.String(HKEY_CURRENT_USER, kSoftware, "other", std::string(kFiles) + "\\other.exe");

  Window w(std::string(kBin) + "\\Hivemend.exe -window");
  ASSERT_TRUE(w.Main());
  EXPECT_EQ(Window::Text(GetDlgItem(w.Main(), 1000)), IniText("IDC_BUTTONSCAN"));
  EXPECT_EQ(Window::Text(GetDlgItem(w.Main(), 1008)), IniText("IDC_BUTTONBAKUP"));
  for (int i = 0; i < 100 && !GetDlgItem(w.Main(), 1999); ++i) Sleep(50);  // made last in its start-up
  suite::IniFile tips(std::string(kBin) + "\\TipList.ini");
  ASSERT_TRUE(tips.ReadFile());
  EXPECT_FALSE(tips.GetValue("Resource", "Hivemend").empty());
  EXPECT_EQ(t::ControlText(w.Main(), 1999), tips.GetValue("Resource", "Hivemend"));  // the tip strip

  // Two quick presses: the second stops the scan.
  w.Click(w.Main(), 1000);
  w.Click(w.Main(), 1000);
  for (int i = 0; i < 100 && Window::Text(GetDlgItem(w.Main(), 1005)) != "扫描中断!"; ++i) Sleep(20);
  EXPECT_EQ(Window::Text(GetDlgItem(w.Main(), 1005)), "扫描中断!");
  EXPECT_EQ(Window::Text(GetDlgItem(w.Main(), 1000)), "扫描错误");

  w.Click(w.Main(), 1000);
  const std::string found = w.Answer();
  EXPECT_EQ(found.rfind(IniText("strMess11"), 0), 0u) << found;
  const int rows = w.ResultRows();  // the two planted ones and the sandbox's own, unticked
  EXPECT_GE(rows, 2);
  EXPECT_EQ(Window::Text(GetDlgItem(w.Main(), 1005)), IniText("strMess10"));

  EXPECT_EQ(w.TickedRows(), 2);
  w.Click(w.Main(), 1007);  // untick all
  for (int i = 0; i < 100 && w.TickedRows() != 0; ++i) Sleep(20);
  EXPECT_EQ(w.TickedRows(), 0);
  w.Click(w.Main(), 1006);  // tick all: asks first, then ticks by the pre-selection rule
  EXPECT_NE(w.Answer(IDYES).find("全部选择可能有一定危险性"), std::string::npos);
  for (int i = 0; i < 100 && w.TickedRows() != 2; ++i) Sleep(20);
  EXPECT_EQ(w.TickedRows(), 2);

  // Repair with the offered backup first.
  w.Click(w.Main(), 1001);
  EXPECT_NE(w.Answer(IDYES).find("是否立即进行备份?"), std::string::npos);
  EXPECT_EQ(w.Answer(), IniText("strMess6"));
  EXPECT_EQ(w.Answer(), IniText("strMess3"));
  for (int i = 0; i < 100 && w.ResultRows() != rows - 2; ++i) Sleep(20);
  EXPECT_EQ(w.ResultRows(), rows - 2);
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "gone"));
  EXPECT_FALSE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "other"));
  EXPECT_EQ(LogSection("Numbers"), (std::vector<std::string>{"2"}));

  // Restore the backup just made: the chooser selects the newest entry.
  w.Click(w.Main(), 1008);
  HWND chooser = w.WaitFor([](HWND h) { return Window::Text(h) == "选择要恢复的备份"; });
  ASSERT_TRUE(chooser);
  EXPECT_EQ(SendMessageA(GetDlgItem(chooser, 1007), LB_GETCOUNT, 0, 0), 1);
  w.Click(chooser, IDOK);
  EXPECT_EQ(w.Answer(), IniText("strMess8"));
  // The message comes after the imports have finished.
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, kSoftware, "gone"),
            std::string(kFiles) + "\\gone.exe");
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "other"));

  // Deleting a backup asks first; No keeps it, Yes sends it to the Recycle Bin.
  const std::vector<std::string> backups = Backups(hivemend::BackupStoreName());
  ASSERT_EQ(backups.size(), 1u);
  t::EmptyRecycleBin();
  for (int button : {IDNO, IDYES}) {
    w.Click(w.Main(), 1008);
    chooser = w.WaitFor([](HWND h) { return Window::Text(h) == "选择要恢复的备份"; });
    ASSERT_TRUE(chooser);
    w.Click(chooser, 1008);  // delete the chosen backup
    EXPECT_EQ(w.Answer(button).rfind(IniText("strMess15"), 0), 0u);
    EXPECT_EQ(SendMessageA(GetDlgItem(chooser, 1007), LB_GETCOUNT, 0, 0), button == IDNO ? 1 : 0);
    w.Click(chooser, IDCANCEL);
    for (int i = 0; i < 100 && IsWindow(chooser); ++i) Sleep(20);
  }
  EXPECT_TRUE(Backups(hivemend::BackupStoreName()).empty());
  const std::string folder =
      std::string(kBin) + "\\" + hivemend::BackupStoreName() + "\\" + backups[0];
  const std::vector<std::string> recycled = t::RecycledPaths();
  EXPECT_NE(std::find_if(recycled.begin(), recycled.end(),
                         [&](const std::string& p) { return suite::EqualsNoCase(p, folder); }),
            recycled.end());
  t::EmptyRecycleBin();
}

// A backup that could not be written is never reported done: the program
// lies so deep that its backup folder still fits the path limit but the
// files in it do not.
TEST_F(Hivemend, AFailedBackupIsNeverReportedDone) {
  t::ScratchDir files(kFiles);
  const size_t folderLength = 255;  // <bin>\<store>\MM-DD-YYYY HH-MM 备份
  const size_t binLength = folderLength - 2 - hivemend::BackupStoreName().size() -
                           std::string("01-01-2000 00-00 备份").size();
  std::string bin = "C:\\hm-deep";
  while (bin.size() < binLength) {
    const size_t room = binLength - bin.size();
    bin += room >= 2 ? "\\" + std::string(std::min<size_t>(room - 1, 100), 'd') : "d";
  }
  t::ScratchDir deep(bin);
  t::InstallFromDist(bin, {"Hivemend.exe", "Hivemend.ini"});
  Planted p;
  p.Key(HKEY_CURRENT_USER, kSoftware);
  p.String(HKEY_CURRENT_USER, kSoftware, "gone", std::string(kFiles) + "\\gone.exe");

  Window w(bin + "\\Hivemend.exe -window");
  ASSERT_TRUE(w.Main());
  w.Click(w.Main(), 1000);
  EXPECT_EQ(w.Answer().rfind(IniText("strMess11"), 0), 0u);
  w.Click(w.Main(), 1002);  // back up the scan's rows
  int errors = 0;
  while (HWND box = w.WaitFor([&](HWND h) { return h != w.Main() && GetDlgItem(h, 0xFFFF); }, 5000)) {
    const std::string text = Window::Text(GetDlgItem(box, 0xFFFF));
    EXPECT_NE(text, IniText("strMess6")) << "a failed backup was reported done";
    errors += text == "Error while creating the file";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
  }
  EXPECT_GE(errors, 1);
  EXPECT_EQ(Window::Text(GetDlgItem(w.Main(), 1005)), IniText("strMess14"));
  EXPECT_TRUE(t::ValueExists(HKEY_CURRENT_USER, kSoftware, "gone"));
}

// The reported case: an application registered AuditApp.Document with a valid
// class and a .auditdoc association; the leftover class of its older version
// (its DLL gone) still names the same ProgID. Another leftover class names
// "Interface" as its ProgID. The unattended repair removes the dead classes
// and nothing that is alive or structural.
TEST_F(Hivemend, AutoKeepsALiveProgIdAndStructuralKeysThatDeadClassesName) {
  t::ScratchDir files(kFiles);
  t::WriteBytes(files / "auditapp2.dll", "MZ");
  Baseline();
  const char* oldCls = "{E2E0A0D1-0000-4000-8000-000000000001}";
  const char* newCls = "{E2E0A0D1-0000-4000-8000-000000000002}";
  const char* toIf = "{E2E0A0D1-0000-4000-8000-000000000003}";
  const HKEY cr = HKEY_CLASSES_ROOT;
  const std::string f = kFiles;
  Planted p;
  for (const std::string& k : {"CLSID\\" + std::string(oldCls), "CLSID\\" + std::string(newCls),
                               "CLSID\\" + std::string(toIf), std::string("AuditApp.Document"),
                               std::string(".auditdoc")})
    p.Key(cr, k);
  p.String(cr, "CLSID\\" + std::string(newCls) + "\\InprocServer32", "", f + "\\auditapp2.dll");
  p.String(cr, "CLSID\\" + std::string(newCls) + "\\ProgID", "", "AuditApp.Document");
  p.String(cr, "AuditApp.Document", "", "Audit document");
  p.String(cr, "AuditApp.Document\\CLSID", "", newCls);
  p.String(cr, "AuditApp.Document\\shell\\open\\command", "", f + "\\auditapp2.dll \"%1\"");
  p.String(cr, ".auditdoc", "", "AuditApp.Document");
  p.String(cr, "CLSID\\" + std::string(oldCls) + "\\InprocServer32", "", f + "\\auditapp1.dll");
  p.String(cr, "CLSID\\" + std::string(oldCls) + "\\ProgID", "", "AuditApp.Document");
  p.String(cr, "CLSID\\" + std::string(toIf) + "\\InprocServer32", "", f + "\\auditapp1.dll");
  p.String(cr, "CLSID\\" + std::string(toIf) + "\\ProgID", "", "Interface");
  const size_t interfaces = suite::SubkeyNames(cr, "Interface", KEY_READ).size();
  ASSERT_GT(interfaces, 0u);

  t::ProcessResult r = Run("-Auto");
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_TRUE(t::KeyExists(cr, "AuditApp.Document\\CLSID"));
  EXPECT_EQ(suite::ReadString(cr, "AuditApp.Document\\CLSID", ""), newCls);
  EXPECT_EQ(suite::ReadString(cr, ".auditdoc", ""), "AuditApp.Document");
  EXPECT_TRUE(t::KeyExists(cr, "CLSID\\" + std::string(newCls)));
  EXPECT_EQ(suite::SubkeyNames(cr, "Interface", KEY_READ).size(), interfaces);
  EXPECT_FALSE(t::KeyExists(cr, "CLSID\\" + std::string(oldCls)));
  EXPECT_FALSE(t::KeyExists(cr, "CLSID\\" + std::string(toIf)));
  const std::vector<std::string> logged = LogSection("Files");
  EXPECT_EQ(logged, (std::vector<std::string>{"HKEY_CLASSES_ROOT\\CLSID\\" + std::string(oldCls),
                                              "HKEY_CLASSES_ROOT\\CLSID\\" + std::string(toIf)}));
}

// In the window, an extension row takes the tick of its class row: unticking
// the class unticks the extension, and the extension cannot be ticked alone.
TEST_F(Hivemend, WindowExtensionFollowsTheTickOfItsClass) {
  t::ScratchDir files(kFiles);
  Baseline();
  Planted p;
  p.Key(HKEY_CLASSES_ROOT, "hme2e.wicon");
  p.Key(HKEY_CLASSES_ROOT, ".hme2ew");
  p.String(HKEY_CLASSES_ROOT, "hme2e.wicon\\DefaultIcon", "", std::string(kFiles) + "\\gone.ico,0");
  p.String(HKEY_CLASSES_ROOT, ".hme2ew", "", "hme2e.wicon");

  Window w(std::string(kBin) + "\\Hivemend.exe -window");
  ASSERT_TRUE(w.Main());
  w.Click(w.Main(), 1000);
  w.Answer();  // the scan's closing message
  HWND list = GetDlgItem(w.Main(), 1004);
  auto ticked = [list](int row) {
    return (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
  };
  std::vector<int> rows;
  for (int i = 0, n = w.ResultRows(); i < n; ++i)
    if (ticked(i)) rows.push_back(i);
  ASSERT_EQ(rows.size(), 2u);  // the class, then its extension
  // Focus a row with the keyboard and toggle its tick with the space bar.
  auto toggle = [&](int row) {
    SetForegroundWindow(w.Main());
    PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    for (int i = 0; i < row; ++i) PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(list, WM_KEYUP, VK_SPACE, 0);
    Sleep(300);
  };
  toggle(rows[0]);
  for (int i = 0; i < 50 && ticked(rows[0]); ++i) Sleep(20);
  ASSERT_FALSE(ticked(rows[0]));
  EXPECT_FALSE(ticked(rows[1]));
  toggle(rows[1]);
  EXPECT_FALSE(ticked(rows[1]));  // not alone
  toggle(rows[0]);
  for (int i = 0; i < 50 && !ticked(rows[0]); ++i) Sleep(20);
  EXPECT_TRUE(ticked(rows[0]));
  toggle(rows[1]);
  for (int i = 0; i < 50 && !ticked(rows[1]); ++i) Sleep(20);
  EXPECT_TRUE(ticked(rows[1]));
}
