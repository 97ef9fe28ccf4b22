// Starts the real "Dustrel.exe -Advanced" in the sandbox and drives the
// advanced tools window by messages, as a person would: tab changes, refresh,
// deletion with OK and with Cancel through the message boxes, the extension
// question of the file-type page, refused deletions and a backup that cannot
// be written, closing during a refresh, and the restore-point buttons on
// Windows XP and Vista with stand-in tools in the system folder. Every
// deletion is brought back from the .reg backup store.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "advanced/advancedres.h"
#include "inifile.h"
#include "registry.h"
#include "regstore.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

const char kBin[] = "C:\\suite-e2e-advanced";
const char kCodePageKey[] = "MIME\\Database\\Codepage";
const char kLanguageKey[] = "MIME\\Database\\Rfc1766";
enum Tab { kRegBackup = 0, kSoftware = 3, kStartup = 4, kFileTypes = 5, kKeyboard = 7, kCodePages = 8 };

// Reads and drives a list view of another process through memory of that
// process (list-view messages carry pointers that are not carried over).
class RemoteList {
 public:
  explicit RemoteList(HWND list) : list_(list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) mem_ = VirtualAllocEx(process_, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteList() {
    if (mem_) VirtualFreeEx(process_, mem_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool Ok() const { return mem_ != nullptr; }
  int Count() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }
  std::string Text(int row, int column) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = static_cast<char*>(mem_) + 1024;
    item.cchTextMax = kSize - 1024;
    WriteProcessMemory(process_, mem_, &item, sizeof item, nullptr);
    SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(mem_));
    std::string text(kSize - 1024, '\0');
    ReadProcessMemory(process_, item.pszText, &text[0], text.size(), nullptr);
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int i = 0, n = Count(); i < n; ++i) names.push_back(Text(i, 0));
    return names;
  }
  int Find(const std::string& name) {
    for (int i = 0, n = Count(); i < n; ++i)
      if (Text(i, 0) == name) return i;
    return -1;
  }
  // Waits until the row is listed (or, with `present` false, no longer).
  bool WaitFor(const std::string& name, bool present = true, DWORD timeoutMs = 30000) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
      if ((Find(name) >= 0) == present) return true;
      Sleep(100);
    }
    return false;
  }
  void Focus(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    item.state = LVIS_FOCUSED | LVIS_SELECTED;
    WriteProcessMemory(process_, mem_, &item, sizeof item, nullptr);
    SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(mem_));
  }

 private:
  static const int kSize = 8192;
  HWND list_;
  HANDLE process_ = nullptr;
  void* mem_ = nullptr;
};

class AdvancedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    // The language list is missing in some systems; the page then says it
    // cannot read it, which the tests here do not want in their way.
    languages_ = std::make_unique<t::SeededKey>(HKEY_CLASSES_ROOT, kLanguageKey);
    t::RemoveTree(kBin);
    t::InstallFromDist(kBin, {"Dustrel.exe", "Dustrel.ini", "TipList.ini"});
    ini_ = suite::IniFile(std::string(kBin) + "\\Dustrel.ini");
    ini_.ReadFile();
  }
  void TearDown() override {
    program_.reset();
    t::RemoveTree(kBin);
    languages_.reset();
  }

  std::string IniText(const std::string& key) { return ini_.GetValue("Resource", key); }
  std::string Store() { return std::string(kBin) + "\\" + suite::BackupStoreName(); }

  // Starts the window; the test fails when it does not appear.
  void Open() {
    program_ = std::make_unique<t::WindowProgram>(std::string(kBin) + "\\Dustrel.exe -Advanced", kBin);
    ASSERT_TRUE(program_->Started());
    window_ = program_->WaitForWindow(IniText("IDD_RQDIALOG"), 30000);
    ASSERT_NE(window_, nullptr);
    for (int i = 0; i < 100 && !IsWindowVisible(window_); ++i) Sleep(100);
    ASSERT_TRUE(IsWindowVisible(window_));
    tab_ = GetDlgItem(window_, IDC_ADVTAB);
    ASSERT_NE(tab_, nullptr);
  }
  HWND Page(int index) { return GetDlgItem(tab_, IDC_ADVPAGE0 + index); }
  HWND List(int index) { return GetDlgItem(Page(index), IDC_ADVLIST); }
  void ShowTab(int index) {
    SendMessageA(tab_, TCM_SETCURFOCUS, index, 0);
    for (int i = 0; i < 50 && !IsWindowVisible(Page(index)); ++i) Sleep(100);
  }
  // Presses the delete button of a page and answers the question; returns
  // the question's text.
  std::string DeleteAndAnswer(int page, int answer) {
    t::ClickButton(Page(page), IDC_ADVDELETE);
    HWND box = program_->WaitForMessageBox(window_, 30000);
    if (!box) return std::string();
    const std::string text = t::MessageBoxText(box);
    t::ClickButton(box, answer);
    WaitGone(box);
    return text;
  }
  static void WaitGone(HWND box) {
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
  }
  bool Closes() {
    PostMessageA(window_, WM_CLOSE, 0, 0);
    DWORD code = 1;
    return program_->WaitForExit(30000, &code) && code == 0;
  }

  suite::IniFile ini_;
  std::unique_ptr<t::SeededKey> languages_;
  std::unique_ptr<t::WindowProgram> program_;
  HWND window_ = nullptr;
  HWND tab_ = nullptr;
};

}  // namespace

TEST_F(AdvancedWindow, OpensWithNineTabsInChineseAndATabChangeKeepsThePagesList) {
  t::SeededKey first(HKEY_CLASSES_ROOT, std::string(kCodePageKey) + "\\59981");
  t::SetString(HKEY_CLASSES_ROOT, std::string(kCodePageKey) + "\\59981", "Description", "端到端代码页");
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(SendMessageA(tab_, TCM_GETITEMCOUNT, 0, 0), 9);
  EXPECT_EQ(t::ControlText(window_, IDC_STATICRQLOGO), IniText("IDC_STATICRQLOGO"));
  for (int i = 0; i < 100 && !GetDlgItem(window_, 1999); ++i) Sleep(50);  // made last in its start-up
  suite::IniFile tips(std::string(kBin) + "\\TipList.ini");
  ASSERT_TRUE(tips.ReadFile());
  EXPECT_FALSE(tips.GetValue("Resource", "AdvClean").empty());
  EXPECT_EQ(t::ControlText(window_, 1999), tips.GetValue("Resource", "AdvClean"));  // the tip strip
  for (int i = 0; i < 9; ++i) EXPECT_NE(Page(i), nullptr) << "page " << i;
  EXPECT_TRUE(IsWindowVisible(Page(kRegBackup)));
  EXPECT_FALSE(IsWindowVisible(Page(kCodePages)));
  EXPECT_EQ(t::ControlText(Page(kRegBackup), IDC_REGBAKBACKUP), IniText("IDC_FRESHTKEYBOARDstr"));

  ShowTab(kCodePages);
  EXPECT_TRUE(IsWindowVisible(Page(kCodePages)));
  EXPECT_FALSE(IsWindowVisible(Page(kRegBackup)));
  EXPECT_EQ(t::ControlText(Page(kCodePages), IDC_ADVREFRESH), IniText("IDC_FRESHTCODE"));
  RemoteList list(List(kCodePages));
  ASSERT_TRUE(list.Ok());
  ASSERT_TRUE(list.WaitFor("59981"));
  EXPECT_EQ(list.Text(list.Find("59981"), 1), "端到端代码页");
  const std::vector<std::string> before = list.Names();

  // A code page added meanwhile is not listed before a refresh, and a tab
  // change does not rebuild the list.
  t::SeededKey second(HKEY_CLASSES_ROOT, std::string(kCodePageKey) + "\\59982");
  ShowTab(kFileTypes);
  EXPECT_FALSE(IsWindowVisible(Page(kCodePages)));
  ShowTab(kCodePages);
  Sleep(500);
  EXPECT_EQ(list.Names(), before);
  t::ClickButton(Page(kCodePages), IDC_ADVREFRESH);
  EXPECT_TRUE(list.WaitFor("59982"));
  EXPECT_TRUE(Closes());
}

TEST_F(AdvancedWindow, DeletionAsksCancelKeepsOkRemovesAfterTheBackupWhichBringsItBack) {
  t::SeededKey key(HKEY_CLASSES_ROOT, kLanguageKey);
  t::SavedValue value(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-e2e");
  t::SetString(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-e2e", "端到端语言");
  ASSERT_NO_FATAL_FAILURE(Open());
  ShowTab(kKeyboard);
  RemoteList list(List(kKeyboard));
  ASSERT_TRUE(list.WaitFor("x-suite-e2e"));

  // Without a focused row the page says what to do.
  t::ClickButton(Page(kKeyboard), IDC_ADVDELETE);
  HWND box = program_->WaitForMessageBox(window_, 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), "请先选中要清理的项目!");
  t::ClickButton(box, IDOK);
  WaitGone(box);

  list.Focus(list.Find("x-suite-e2e"));
  const std::string question = DeleteAndAnswer(kKeyboard, IDCANCEL);
  EXPECT_NE(question.find(IniText("strTDelMess0") + ":x-suite-e2e?"), std::string::npos) << question;
  EXPECT_TRUE(t::ValueExists(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-e2e"));
  EXPECT_TRUE(suite::ListBackups(Store()).empty());

  ASSERT_TRUE(list.WaitFor("x-suite-e2e"));
  list.Focus(list.Find("x-suite-e2e"));
  DeleteAndAnswer(kKeyboard, IDOK);
  EXPECT_TRUE(list.WaitFor("x-suite-e2e", false));
  EXPECT_FALSE(t::ValueExists(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-e2e"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, kLanguageKey));
  EXPECT_TRUE(Closes());

  const std::vector<std::string> backups = suite::ListBackups(Store());
  ASSERT_EQ(backups.size(), 1u);
  const suite::RestoreResult restored = suite::RestoreBackup(Store(), backups[0]);
  EXPECT_EQ(restored.imported, 1);
  EXPECT_EQ(suite::ReadString(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-e2e"), "端到端语言");
}

TEST_F(AdvancedWindow, FileTypeDeletionAsksAboutItsTwoExtensionsAndCancelKeepsThem) {
  t::SeededKey type(HKEY_CLASSES_ROOT, "SuiteAdvE2E.Type\\DefaultIcon");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvE2E.Type\\DefaultIcon", "", "C:\\suite-e2e-gone\\t.ico,0");
  t::SeededKey typeRoot(HKEY_CLASSES_ROOT, "SuiteAdvE2E.Type");
  t::SeededKey extA(HKEY_CLASSES_ROOT, ".suitee2ea");
  t::SeededKey extB(HKEY_CLASSES_ROOT, ".suitee2eb");
  t::SetString(HKEY_CLASSES_ROOT, ".suitee2ea", "", "SuiteAdvE2E.Type");
  t::SetString(HKEY_CLASSES_ROOT, ".suitee2eb", "", "suiteadve2e.type");
  ASSERT_NO_FATAL_FAILURE(Open());
  ShowTab(kFileTypes);
  RemoteList list(List(kFileTypes));
  ASSERT_TRUE(list.WaitFor("SuiteAdvE2E.Type", true, 60000));
  const int row = list.Find("SuiteAdvE2E.Type");
  EXPECT_EQ(list.Text(row, 2), "错误类型");
  EXPECT_EQ((SendMessageA(List(kFileTypes), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12), 2);

  list.Focus(row);
  t::ClickButton(Page(kFileTypes), IDC_ADVDELETE);
  HWND box = program_->WaitForMessageBox(window_, 30000);
  ASSERT_NE(box, nullptr);
  t::ClickButton(box, IDOK);
  WaitGone(box);
  box = program_->WaitForMessageBox(window_, 30000);
  ASSERT_NE(box, nullptr);
  const std::string second = t::MessageBoxText(box);
  EXPECT_NE(second.find(IniText("strWillYourDelExtName")), std::string::npos) << second;
  EXPECT_NE(second.find(".suitee2ea"), std::string::npos) << second;
  EXPECT_NE(second.find(".suitee2eb"), std::string::npos) << second;
  t::ClickButton(box, IDCANCEL);
  WaitGone(box);

  EXPECT_TRUE(list.WaitFor("SuiteAdvE2E.Type", false));
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, "SuiteAdvE2E.Type"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, ".suitee2ea"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, ".suitee2eb"));
  EXPECT_TRUE(Closes());
  const std::vector<std::string> backups = suite::ListBackups(Store());
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(suite::RestoreBackup(Store(), backups[0]).imported, 1);
  EXPECT_EQ(suite::ReadString(HKEY_CLASSES_ROOT, "SuiteAdvE2E.Type\\DefaultIcon", ""),
            "C:\\suite-e2e-gone\\t.ico,0");
}

TEST_F(AdvancedWindow, ARefusedDeletionStaysListedAndThePageSaysItFailed) {
  // A value name with a line break: no .reg file can give it back, so the
  // page must not remove it.
  t::SeededKey key(HKEY_CLASSES_ROOT, kLanguageKey);
  t::SavedValue value(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite\nkept");
  t::SetString(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite\nkept", "保留");
  ASSERT_NO_FATAL_FAILURE(Open());
  ShowTab(kKeyboard);
  RemoteList list(List(kKeyboard));
  ASSERT_TRUE(list.WaitFor("x-suite\nkept"));
  list.Focus(list.Find("x-suite\nkept"));
  DeleteAndAnswer(kKeyboard, IDOK);
  HWND box = program_->WaitForMessageBox(window_, 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), IniText("strAdvDeleteFail"));
  t::ClickButton(box, IDOK);
  WaitGone(box);
  Sleep(500);
  EXPECT_TRUE(list.WaitFor("x-suite\nkept"));
  EXPECT_TRUE(t::ValueExists(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite\nkept"));
  EXPECT_TRUE(Closes());
}

TEST_F(AdvancedWindow, NothingIsDeletedWhenTheBackupCannotBeWritten) {
  t::SeededKey vendor(HKEY_CURRENT_USER, "Software\\SuiteAdvE2EVendor");
  // A file where the backup store would be: no backup folder can be made.
  ASSERT_TRUE(t::WriteBytes(Store(), "in the way"));
  ASSERT_NO_FATAL_FAILURE(Open());
  ShowTab(kSoftware);
  RemoteList list(List(kSoftware));
  ASSERT_TRUE(list.WaitFor("SuiteAdvE2EVendor"));
  EXPECT_EQ(list.Text(list.Find("SuiteAdvE2EVendor"), 1), IniText("strNoSoftwareName"));
  EXPECT_EQ(list.Text(list.Find("SuiteAdvE2EVendor"), 2), IniText("strCurrentUserStr"));
  for (const std::string& name : list.Names()) {
    EXPECT_NE(suite::ToUpper(name), "MICROSOFT");
    EXPECT_NE(suite::ToUpper(name), "CLASSES");
    EXPECT_NE(suite::ToUpper(name), "WOW6432NODE");
  }
  list.Focus(list.Find("SuiteAdvE2EVendor"));
  DeleteAndAnswer(kSoftware, IDOK);
  HWND box = program_->WaitForMessageBox(window_, 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), IniText("strAdvBackupFail"));
  t::ClickButton(box, IDOK);
  WaitGone(box);
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, "Software\\SuiteAdvE2EVendor"));
  EXPECT_TRUE(Closes());
}

TEST_F(AdvancedWindow, ClosingWhileAListIsBuiltEndsTheProgramCleanly) {
  ASSERT_NO_FATAL_FAILURE(Open());
  ShowTab(kFileTypes);
  for (int i = 0; i < 5; ++i) t::ClickButton(Page(kFileTypes), IDC_ADVREFRESH);
  t::ClickButton(Page(kStartup), IDC_ADVREFRESH);
  // The lists are built off the window's thread: the window keeps answering.
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0);
  EXPECT_TRUE(Closes());
}

namespace {

// Stand-ins for the restore-point tool in both places it is looked for.
class StandInTools {
 public:
  StandInTools() {
    const std::string system = suite::SystemFolder();
    paths_ = {system + "\\Restore\\rstrui.exe", system + "\\rstrui.exe"};
    for (const std::string& path : paths_) {
      if (t::Exists(path)) continue;  // never replace a real tool
      t::MakeDirs(path.substr(0, suite::LastBackslash(path)));
      if (CopyFileA("W:\\tests\\advanced_standin.exe", path.c_str(), TRUE))
        made_.push_back(path);
    }
    SetEnvironmentVariableA("SUITE_STANDIN_MARK", Mark().c_str());
  }
  ~StandInTools() {
    for (const std::string& path : made_) DeleteFileA(path.c_str());
    RemoveDirectoryA((suite::SystemFolder() + "\\Restore").c_str());
    SetEnvironmentVariableA("SUITE_STANDIN_MARK", nullptr);
    DeleteFileA(Mark().c_str());
  }
  bool Ready() const { return made_.size() == 2; }
  static std::string Mark() { return "C:\\suite-e2e-advanced-mark.txt"; }
  // Waits for the mark file to name a started tool.
  static std::string Started(DWORD timeoutMs = 30000) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
      const std::string text = t::ReadBytes(Mark());
      if (!text.empty()) return text;
      Sleep(100);
    }
    return std::string();
  }

 private:
  std::vector<std::string> paths_, made_;
};

}  // namespace

TEST_F(AdvancedWindow, RestorePointButtonsStartTheToolOfTheWindowsVersion) {
  StandInTools tools;
  ASSERT_TRUE(tools.Ready());
  const std::string system = suite::ToUpper(suite::SystemFolder());
  {
    t::WindowsVersionFor xp("Dustrel.exe", "winxp");
    ASSERT_NO_FATAL_FAILURE(Open());
    t::ClickButton(Page(kRegBackup), IDC_REGBAKBACKUP);
    const std::string started = suite::ToUpper(StandInTools::Started());
    EXPECT_NE(started.find(system + "\\RESTORE\\RSTRUI.EXE"), std::string::npos) << started;
    EXPECT_TRUE(Closes());
  }
  DeleteFileA(StandInTools::Mark().c_str());
  {
    t::WindowsVersionFor vista("Dustrel.exe", "vista");
    ASSERT_NO_FATAL_FAILURE(Open());
    t::ClickButton(Page(kRegBackup), IDC_REGBAKRESTORE);
    const std::string started = suite::ToUpper(StandInTools::Started());
    EXPECT_NE(started.find(system + "\\RSTRUI.EXE"), std::string::npos) << started;
    EXPECT_EQ(started.find("RESTORE"), std::string::npos) << started;
    EXPECT_TRUE(Closes());
  }
}
