// The two ActiveX pages of "Dustrel.exe -Advanced", driven by messages as a
// person would: tab 1 lists the seeded type libraries with their ticks, a
// selection fills the file, date and advice fields, the removal goes the
// registry-only way (with its backup) or through the project's test control's
// own DllUnregisterServer (with its record); tab 2 lists the records,
// registers one again and removes one with its file (to the Recycle Bin).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <regex>

#include "advanced/activex.h"
#include "advanced/activexres.h"
#include "advanced/advancedres.h"
#include "inifile.h"
#include "registry.h"
#include "regstore.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

const char kBin[] = "C:\\suite-tests\\ax-e2e-app";
const char kControls[] = "C:\\suite-tests\\ax-e2e-controls";
const HKEY kCr = HKEY_CLASSES_ROOT;
const HKEY kLm = HKEY_LOCAL_MACHINE;
const char kOrphanLib[] = "{7A0C0DE0-5EED-4A11-8C00-0000000000E1}";
const char kOrphanClass[] = "{7A0C0DE1-5EED-4A11-8C00-0000000000E1}";
const char kControlLib[] = "{5E1F3A12-7B2C-4D3E-9A41-0000C0FFEE01}";
const char kFailingLib[] = "{5E1F3A12-7B2C-4D3E-9A41-0000C0FFEE11}";

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000) {
  for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return false;
}

int Rows(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
bool Ticked(HWND list, int row) {
  return (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
}
int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The row of a library in the page's list: the page walks the registry in the
// same order as this process does.
int RowOf(const std::vector<ActiveXEntry>& list, const std::string& libId) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].keyPath.find(libId) != std::string::npos) return static_cast<int>(i);
  return -1;
}

std::vector<ActiveXEntry> Walk() {
  std::vector<ActiveXEntry> list;
  ListTypeLibraries(list);
  return list;
}

// Selects a row with the keyboard, as a person would (Home, then Down).
void SelectRow(HWND list, int row) {
  SendMessageA(list, WM_KEYDOWN, VK_HOME, 0);
  SendMessageA(list, WM_KEYUP, VK_HOME, 0);
  for (int i = 0; i < row; ++i) {
    SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(list, WM_KEYUP, VK_DOWN, 0);
  }
}

void ForgetSeeds() {
  suite::DeleteKeyTree(kCr, std::string("TypeLib\\") + kOrphanLib);
  suite::DeleteKeyTree(kCr, std::string("CLSID\\") + kOrphanClass);
  suite::DeleteKeyTree(kCr, "SuiteAxE2e.Orphan.1");
  for (const char* tail : {"0000C0FFEE01", "0000C0FFEE11"}) {
    suite::DeleteKeyTree(kCr, std::string("CLSID\\{5E1F3A10-7B2C-4D3E-9A41-") + tail + "}");
    suite::DeleteKeyTree(kCr, std::string("Interface\\{5E1F3A11-7B2C-4D3E-9A41-") + tail + "}");
    suite::DeleteKeyTree(kCr, std::string("TypeLib\\{5E1F3A12-7B2C-4D3E-9A41-") + tail + "}");
  }
  suite::DeleteKeyTree(kCr, "SuiteTest.Control.1");
  suite::DeleteKeyTree(kCr, "SuiteTest.FailingControl.1");
  suite::DeleteKeyTree(kLm, kActiveXRecordKey);
}

std::string TestsFolder() {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\'));
}

class ActiveXPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetSeeds();
    t::EmptyRecycleBin();
    t::RemoveTree(kBin);
    t::RemoveTree(kControls);
    t::InstallFromDist(kBin, {"Dustrel.exe", "Dustrel.ini"});
    t::MakeDirs(kControls);
    ini_ = suite::IniFile(std::string(kBin) + "\\Dustrel.ini");
    ini_.ReadFile();
  }
  void TearDown() override {
    if (main_) PostMessageA(main_, WM_CLOSE, 0, 0);
    if (program_) program_->WaitForExit(15000);
    program_.reset();
    ForgetSeeds();
    t::RemoveTree(kBin);
    t::RemoveTree(kControls);
    t::EmptyRecycleBin();
  }

  std::string IniText(const std::string& key) { return ini_.GetValue("Resource", key); }

  // Seeds an orphaned control: its type library, a class and a ProgID naming
  // a file that is gone.
  void SeedOrphan() {
    const std::string file = std::string(kControls) + "\\gone.ocx";
    const std::string lib = std::string("TypeLib\\") + kOrphanLib;
    t::SetString(kCr, lib + "\\1.0", "", "Suite Orphan Library");
    t::SetString(kCr, lib + "\\1.0\\0\\win32", "", file);
    t::SetString(kCr, lib + "\\2.0", "", "Suite Orphan Library");
    t::SetString(kCr, lib + "\\2.0\\0\\win32", "", file);
    t::SetString(kCr, std::string("CLSID\\") + kOrphanClass + "\\InprocServer32", "", file);
    t::SetString(kCr, std::string("CLSID\\") + kOrphanClass + "\\ProgID", "", "SuiteAxE2e.Orphan.1");
    t::SetString(kCr, "SuiteAxE2e.Orphan.1\\CLSID", "", kOrphanClass);
  }

  std::string RegisterControl(const std::string& name) {
    const std::string dll = std::string(kControls) + "\\" + name;
    EXPECT_TRUE(CopyFileA((TestsFolder() + "\\" + name).c_str(), dll.c_str(), FALSE));
    EXPECT_EQ(CallRegistration(dll, true), RegistrationResult::Done);
    return dll;
  }

  // Starts the window and waits for the control page's list to be filled.
  void Start() {
    program_ = std::make_unique<t::WindowProgram>(std::string(kBin) + "\\Dustrel.exe -Advanced", kBin);
    ASSERT_TRUE(program_->Started());
    main_ = program_->WaitForWindow(IniText("IDD_RQDIALOG"), 30000);
    ASSERT_NE(main_, nullptr);
    tab_ = GetDlgItem(main_, IDC_ADVTAB);
    // The caption is set before the pages are made.
    ASSERT_TRUE(WaitUntil([&] {
      controls_ = GetDlgItem(tab_, IDC_ADVPAGE0 + 1);
      backups_ = GetDlgItem(tab_, IDC_ADVPAGE0 + 2);
      DismissOtherPagesNotes();
      return controls_ && backups_ && IsWindowVisible(main_);
    }));
    list_ = GetDlgItem(controls_, IDC_ACTXLIST);
    WaitForList();
  }

  void WaitForList() {
    const size_t expected = Walk().size();
    ASSERT_TRUE(WaitUntil([&] { return Rows(list_) == static_cast<int>(expected); }))
        << Rows(list_) << " rows, expected " << expected;
  }

  // Another page's note about a key this sandbox lacks ("Read Registry
  // Error!") may come up while the window is made; it is closed.
  void DismissOtherPagesNotes() {
    struct Found {
      HWND main;
      HWND box;
    } found{main_, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(main_, nullptr), [](HWND w, LPARAM lp) WINAPI -> BOOL {
      auto* f = reinterpret_cast<Found*>(lp);
      char cls[16] = {};
      GetClassNameA(w, cls, sizeof cls);
      if (w != f->main && std::string(cls) == "#32770" && IsWindowVisible(w) &&
          t::MessageBoxText(w) == "Read Registry Error!")
        f->box = w;
      return TRUE;
    }, reinterpret_cast<LPARAM>(&found));
    if (found.box) t::ClickButton(found.box, IDOK);
  }

  // Moves to a tab with the arrow keys, as a person would.
  void ShowTab(int index) {
    for (int n = 0; n < 20; ++n) {
      const int current = static_cast<int>(SendMessageA(tab_, TCM_GETCURSEL, 0, 0));
      if (current == index) break;
      const WPARAM key = current < index ? VK_RIGHT : VK_LEFT;
      SendMessageA(tab_, WM_KEYDOWN, key, 0);
      SendMessageA(tab_, WM_KEYUP, key, 0);
    }
    HWND page = GetDlgItem(tab_, IDC_ADVPAGE0 + index);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(page) != FALSE; }, 5000))
        << index << " shown: " << SendMessageA(tab_, TCM_GETCURSEL, 0, 0);
  }

  void Select(const std::string& libId) {
    const int row = RowOf(Walk(), libId);
    ASSERT_GE(row, 0) << libId;
    SelectRow(list_, row);
    ASSERT_EQ(SelectedRow(list_), row);
  }

  // The next message box's text; it is closed with OK. The other pages' own
  // notes about keys this sandbox lacks are closed on the way.
  std::string TakeMessage() {
    for (;;) {
      HWND box = program_->WaitForMessageBox(main_, 60000);
      if (!box) return "<no message box>";
      const std::string text = t::MessageBoxText(box);
      t::ClickButton(box, IDOK);
      WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
      if (text != "Read Registry Error!") return text;
    }
  }

  suite::IniFile ini_;
  std::unique_ptr<t::WindowProgram> program_;
  HWND main_ = nullptr;
  HWND tab_ = nullptr;
  HWND controls_ = nullptr;
  HWND backups_ = nullptr;
  HWND list_ = nullptr;
};

}  // namespace

TEST_F(ActiveXPages, OrphanIsTickedAndRemovedFromTheRegistryWithItsBackup) {
  SeedOrphan();
  Start();
  ShowTab(1);
  const int row = RowOf(Walk(), kOrphanLib);
  ASSERT_GE(row, 0);
  EXPECT_TRUE(Ticked(list_, row));
  // Clicking a tick does not change it: the ticks only mark suspect controls.
  Select(kOrphanLib);
  SendMessageA(list_, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageA(list_, WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(Ticked(list_, row));

  EXPECT_EQ(t::ControlText(controls_, IDC_ACTXFILE), std::string(kControls) + "\\gone.ocx");
  EXPECT_EQ(t::ControlText(controls_, IDC_ACTXDATE), "无法得知!");
  EXPECT_EQ(t::ControlText(controls_, IDC_ACTXADVICE), IniText("strYesDeleteActiveX"));
  EXPECT_EQ(t::ControlText(controls_, IDC_ACTXREMOVE), IniText("IDOKINACTX"));

  const int before = Rows(list_);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strUnDeleteActiveRegentry"));
  // The selected row's version went; the other version is a row of its own.
  EXPECT_FALSE(t::KeyExists(kCr, std::string("TypeLib\\") + kOrphanLib + "\\1.0"));
  EXPECT_TRUE(t::KeyExists(kCr, std::string("TypeLib\\") + kOrphanLib + "\\2.0\\0\\win32"));
  EXPECT_FALSE(t::KeyExists(kCr, std::string("CLSID\\") + kOrphanClass));
  EXPECT_FALSE(t::KeyExists(kCr, "SuiteAxE2e.Orphan.1"));
  EXPECT_TRUE(WaitUntil([&] { return Rows(list_) == before - 1; })) << Rows(list_);

  // The backup beside the program holds all three keys.
  const std::string store = std::string(kBin) + "\\" + suite::BackupStoreName();
  const std::vector<std::string> backups = suite::ListBackups(store);
  ASSERT_EQ(backups.size(), 1u);
  const suite::RestoreResult restored = suite::RestoreBackup(store, backups[0]);
  EXPECT_EQ(restored.imported, 3);
  EXPECT_TRUE(t::KeyExists(kCr, std::string("TypeLib\\") + kOrphanLib + "\\1.0\\0\\win32"));
  EXPECT_TRUE(t::KeyExists(kCr, "SuiteAxE2e.Orphan.1\\CLSID"));
}

TEST_F(ActiveXPages, RemovalsThatCannotBeBackedUpOrDoneKeepTheEntryAndSaySo) {
  SeedOrphan();
  // A file where the backup store's folder would be.
  const std::string store = std::string(kBin) + "\\" + suite::BackupStoreName();
  ASSERT_TRUE(t::WriteBytes(store, "in the way"));
  Start();
  ShowTab(1);
  Select(kOrphanLib);
  const int before = Rows(list_);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strActiveXBackupFailed"));
  EXPECT_TRUE(t::KeyExists(kCr, std::string("TypeLib\\") + kOrphanLib));
  EXPECT_TRUE(t::KeyExists(kCr, std::string("CLSID\\") + kOrphanClass));
  WaitForList();

  // A registry link inside the row's library version: its backup cannot hold
  // it, so that key stays, and the page says the deletion failed.
  DeleteFileA(store.c_str());
  const std::string lib = std::string("TypeLib\\") + kOrphanLib + "\\1.0";
  ASSERT_TRUE(t::MakeRegistryLink(kCr, lib, L"link", L"\\Registry\\Machine\\Software\\SuiteTests"));
  Select(kOrphanLib);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strActiveXDeleteFailed"));
  EXPECT_TRUE(t::KeyExists(kCr, lib));
  EXPECT_FALSE(t::KeyExists(kCr, std::string("CLSID\\") + kOrphanClass));  // backed up and gone
  WaitForList();
  EXPECT_EQ(Rows(list_), before);
  EXPECT_GE(RowOf(Walk(), kOrphanLib), 0);
  t::RemoveRegistryLink(kCr, lib, L"link");
}

TEST_F(ActiveXPages, NoSelectionAsksForOne) {
  Start();
  ShowTab(1);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), "请先选中要清理的控件!");
}

TEST_F(ActiveXPages, ControlIsUnregisteredRecordedRegisteredAgainAndItsRecordRemoved) {
  const std::string dll = RegisterControl("ActiveXTestControl.dll");
  Start();
  ShowTab(1);
  Select(kControlLib);
  EXPECT_EQ(t::ControlText(controls_, IDC_ACTXFILE), dll);
  EXPECT_TRUE(std::regex_match(t::ControlText(controls_, IDC_ACTXDATE),
                               std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2}\\|[0-9]{2}:[0-9]{2}")));
  EXPECT_EQ(t::ControlText(controls_, IDC_ACTXADVICE), IniText("strNotDeleteActiveX"));
  EXPECT_FALSE(Ticked(list_, SelectedRow(list_)));

  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strUnDllOK"));
  EXPECT_EQ(TakeMessage(), IniText("strUnDllActiveX"));
  EXPECT_FALSE(t::KeyExists(kCr, std::string("TypeLib\\") + kControlLib));
  EXPECT_EQ(suite::ReadString(kLm, kActiveXRecordKey, "Suite Test Control Library 1.0"), dll);
  EXPECT_TRUE(t::Exists(dll));
  WaitForList();

  // The backup page lists the record after its refresh.
  ShowTab(2);
  HWND records = GetDlgItem(backups_, IDC_ACXBAKLIST);
  t::ClickButton(backups_, IDC_ACXBAKREFRESH);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(records, LB_GETCOUNT, 0, 0) == 1; }));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(backups_, IDC_ACXBAKREGISTER)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(backups_, IDC_ACXBAKREMOVE)));
  SendMessageA(records, LB_SETCURSEL, 0, 0);
  t::ClickButton(backups_, IDC_ACXBAKREGISTER);
  EXPECT_EQ(TakeMessage(), IniText("strRegDllOK"));
  EXPECT_TRUE(t::KeyExists(kCr, std::string("TypeLib\\") + kControlLib));
  EXPECT_FALSE(t::ValueExists(kLm, kActiveXRecordKey, "Suite Test Control Library 1.0"));
  // The record was consumed: nothing left to act on.
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(records, LB_GETCOUNT, 0, 0) == 0; }));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(backups_, IDC_ACXBAKREGISTER)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(backups_, IDC_ACXBAKREMOVE)));

  // Unregistered again, then the record is removed with its file.
  ShowTab(1);
  t::ClickButton(controls_, IDC_ACTXREFRESH);
  WaitForList();
  Select(kControlLib);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strUnDllOK"));
  EXPECT_EQ(TakeMessage(), IniText("strUnDllActiveX"));
  ShowTab(2);
  t::ClickButton(backups_, IDC_ACXBAKREFRESH);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(records, LB_GETCOUNT, 0, 0) == 1; }));
  SendMessageA(records, LB_SETCURSEL, 0, 0);
  t::ClickButton(backups_, IDC_ACXBAKREMOVE);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(records, LB_GETCOUNT, 0, 0) == 0; }));
  EXPECT_FALSE(t::Exists(dll));
  bool recycled = false;
  for (const std::string& p : t::RecycledPaths()) recycled = recycled || suite::EqualsNoCase(p, dll);
  EXPECT_TRUE(recycled);
  EXPECT_FALSE(t::ValueExists(kLm, kActiveXRecordKey, "Suite Test Control Library 1.0"));
}

TEST_F(ActiveXPages, FailedUnregisteringAndAMovedFileKeepEverything) {
  const std::string failing = RegisterControl("ActiveXTestFailing.dll");
  const std::string dll = RegisterControl("ActiveXTestControl.dll");
  Start();
  ShowTab(1);
  Select(kFailingLib);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strUnDllError"));
  EXPECT_TRUE(t::KeyExists(kCr, std::string("TypeLib\\") + kFailingLib));
  EXPECT_FALSE(t::KeyExists(kLm, kActiveXRecordKey) &&
               !suite::ValueNames(kLm, kActiveXRecordKey, KEY_READ).empty());

  // With no record key the backup page's buttons are off.
  ShowTab(2);
  t::ClickButton(backups_, IDC_ACXBAKREFRESH);
  HWND records = GetDlgItem(backups_, IDC_ACXBAKLIST);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(GetDlgItem(backups_, IDC_ACXBAKREGISTER)); }));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(backups_, IDC_ACXBAKREMOVE)));
  EXPECT_EQ(SendMessageA(records, LB_GETCOUNT, 0, 0), 0);

  // A recorded control whose file was moved fails to register and keeps its record.
  ShowTab(1);
  Select(kControlLib);
  t::ClickButton(controls_, IDC_ACTXREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strUnDllOK"));
  EXPECT_EQ(TakeMessage(), IniText("strUnDllActiveX"));
  ASSERT_TRUE(MoveFileA(dll.c_str(), (std::string(kControls) + "\\moved.dll").c_str()));
  ShowTab(2);
  t::ClickButton(backups_, IDC_ACXBAKREFRESH);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(records, LB_GETCOUNT, 0, 0) == 1; }));
  SendMessageA(records, LB_SETCURSEL, 0, 0);
  t::ClickButton(backups_, IDC_ACXBAKREGISTER);
  EXPECT_EQ(TakeMessage(), IniText("strLoadDllError"));
  EXPECT_EQ(suite::ReadString(kLm, kActiveXRecordKey, "Suite Test Control Library 1.0"), dll);
  EXPECT_EQ(SendMessageA(records, LB_GETCOUNT, 0, 0), 1);
}

TEST_F(ActiveXPages, ARecordOfASystemFolderFileIsRefused) {
  const std::string system = suite::SystemFolder() + "\\suite-e2e-ax.ocx";
  ASSERT_TRUE(t::WriteBytes(system, "MZ"));
  t::SetString(kLm, kActiveXRecordKey, "System Control 1.0", system);
  Start();
  ShowTab(2);
  HWND records = GetDlgItem(backups_, IDC_ACXBAKLIST);
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(records, LB_GETCOUNT, 0, 0) == 1; }));
  SendMessageA(records, LB_SETCURSEL, 0, 0);
  t::ClickButton(backups_, IDC_ACXBAKREMOVE);
  EXPECT_EQ(TakeMessage(), IniText("strActiveXFileProtected"));
  EXPECT_TRUE(t::Exists(system));
  EXPECT_TRUE(t::ValueExists(kLm, kActiveXRecordKey, "System Control 1.0"));
  DeleteFileA(system.c_str());
}
