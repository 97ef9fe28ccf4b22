// What Hivemend may list and remove: COM rows only for dead classes, rows that
// follow the tick of the row they exist because of, the second look just
// before a deletion, names outside the ANSI code page, backups that must hold
// an entry exactly, and the restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "cleanlog.h"
#include "programs.h"
#include "regbackup.h"
#include "registry.h"
#include "scanengine.h"
#include "seed.h"
#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"
#include "unattendedpass.h"

namespace t = suite::test;
using hivemend::RowRule;
using hivemend::ScanRow;
using hivemend::Scanner;
using hivemend::test::FindRow;
using hivemend::test::Planted;

namespace {

const std::string kDir = "C:\\suite-tests\\hivemend-safety";
const char* kOld = "{5AFE0000-0000-4000-8000-000000000001}";    // old version: DLL gone
const char* kNew = "{5AFE0000-0000-4000-8000-000000000002}";    // new version: valid
const char* kToIf = "{5AFE0000-0000-4000-8000-000000000003}";   // ProgID "Interface"
const char* kSlash = "{5AFE0000-0000-4000-8000-000000000004}";  // ProgID with a backslash
const char* kDead = "{5AFE0000-0000-4000-8000-000000000005}";   // ProgID naming it back
const char* kBare = "{5AFE0000-0000-4000-8000-000000000006}";   // ProgID without CLSID value
const char* kIf = "{5AFE0000-1111-4000-8000-000000000001}";
const char* kLib = "{5AFE0000-2222-4000-8000-000000000001}";

class Safety : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<t::ScratchDir>(kDir);
    t::WriteBytes(P("present.dll"), "MZ");
  }
  void TearDown() override { dir_.reset(); }

  static std::string P(const std::string& name) { return kDir + "\\" + name; }

  template <class Walk>
  std::vector<ScanRow> RunWalk(Walk walk) {
    std::vector<ScanRow> rows;
    hivemend::ScanSink sink{[&](const ScanRow& r) { rows.push_back(r); }, {}};
    Scanner scanner(hivemend::DefaultScanSettings(), sink, stop_, {"E:\\", "F:\\"});
    walk(scanner);
    return rows;
  }
  // The repair backs up into `point`, or into a store in the scratch folder.
  static hivemend::RepairResult Repair(const std::vector<ScanRow>& rows,
                                       suite::RestorePoint* point = nullptr) {
    suite::RestorePoint own(P("store"));
    hivemend::RepairOptions options;
    options.point = point ? point : &own;
    options.nonFixedRoots = {"E:\\", "F:\\"};
    return hivemend::RepairRows(rows, {}, options);
  }
  static int IndexOf(const std::vector<ScanRow>& rows, const std::string& name) {
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].name == name) return static_cast<int>(i);
    return -1;
  }

  std::atomic<bool> stop_{false};
  std::unique_ptr<t::ScratchDir> dir_;
};

void PlantClasses(Planted& p, const std::string& goneDll, const std::string& presentDll) {
  const HKEY cr = HKEY_CLASSES_ROOT;
  for (const char* c : {kOld, kNew, kToIf, kSlash, kDead, kBare})
    p.Key(cr, std::string("CLSID\\") + c);
  for (const char* k : {"AuditApp.Document", ".auditdoc", "hmsafe.dead", "hmsafe.bare",
                        "hmsafe.namer", "hmsafe"})
    p.Key(cr, k);
  p.Key(cr, std::string("Interface\\") + kIf);
  // The application as installed now: a valid class, its ProgID and extension.
  p.String(cr, std::string("CLSID\\") + kNew + "\\InprocServer32", "", presentDll);
  p.String(cr, std::string("CLSID\\") + kNew + "\\ProgID", "", "AuditApp.Document");
  p.String(cr, "AuditApp.Document", "", "Audit document");
  p.String(cr, "AuditApp.Document\\CLSID", "", kNew);
  p.String(cr, ".auditdoc", "", "AuditApp.Document");
  // The older version's leftover class still names the same ProgID.
  p.String(cr, std::string("CLSID\\") + kOld + "\\InprocServer32", "", goneDll);
  p.String(cr, std::string("CLSID\\") + kOld + "\\ProgID", "", "AuditApp.Document");
  // ProgID values that name structural keys or hold a backslash.
  p.String(cr, std::string("CLSID\\") + kToIf + "\\InprocServer32", "", goneDll);
  p.String(cr, std::string("CLSID\\") + kToIf + "\\ProgID", "", "Interface");
  p.String(cr, std::string("CLSID\\") + kSlash + "\\InprocServer32", "", goneDll);
  p.String(cr, std::string("CLSID\\") + kSlash + "\\ProgID", "", "hmsafe\\sub");
  p.String(cr, "hmsafe\\sub\\CLSID", "", kSlash);
  // Dead classes whose ProgIDs are dead too: one names its class, one names none.
  p.String(cr, std::string("CLSID\\") + kDead + "\\InprocServer32", "", goneDll);
  p.String(cr, std::string("CLSID\\") + kDead + "\\ProgID", "", "hmsafe.dead");
  p.String(cr, "hmsafe.dead\\CLSID", "", kDead);
  p.String(cr, std::string("CLSID\\") + kBare + "\\LocalServer32", "", goneDll);
  p.String(cr, std::string("CLSID\\") + kBare + "\\ProgID", "", "hmsafe.bare");
  p.String(cr, "hmsafe.bare", "", "no class value");
  p.String(cr, "hmsafe.namer\\Clsid", "", kDead);
  p.String(cr, std::string("Interface\\") + kIf + "\\ProxyStubClsid32", "", kDead);
}

}  // namespace

TEST_F(Safety, ComRowsListOnlyKeysOfDeadClassesAndNeverStructuralOnes) {
  Planted p;
  PlantClasses(p, P("gone.dll"), P("present.dll"));
  auto rows = RunWalk([](Scanner& s) { s.ComClassWalk(); });
  EXPECT_TRUE(FindRow(rows, kOld, "CLSID"));
  // Registered again with a valid class: alive, never listed.
  EXPECT_FALSE(FindRow(rows, "AuditApp.Document", ""));
  EXPECT_FALSE(FindRow(rows, "Interface", ""));
  EXPECT_FALSE(FindRow(rows, "hmsafe\\sub", ""));
  EXPECT_FALSE(FindRow(rows, "hmsafe", ""));
  const int dead = IndexOf(rows, kDead);
  ASSERT_GE(dead, 0);
  const ScanRow* prog = FindRow(rows, "hmsafe.dead", "");
  ASSERT_TRUE(prog);
  EXPECT_EQ(prog->parent, dead);
  EXPECT_EQ(prog->rule, RowRule::ProgId);
  const ScanRow* bare = FindRow(rows, "hmsafe.bare", "");
  ASSERT_TRUE(bare);  // its class value is missing
  EXPECT_EQ(bare->parent, IndexOf(rows, kBare));
  ASSERT_TRUE(FindRow(rows, "hmsafe.namer", ""));
  EXPECT_EQ(FindRow(rows, "hmsafe.namer", "")->parent, dead);
  ASSERT_TRUE(FindRow(rows, kIf, "Interface"));
  EXPECT_EQ(FindRow(rows, kIf, "Interface")->parent, dead);

  // Through a type library the same rules hold.
  p.Key(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLib);
  p.String(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLib + "\\1.0\\0\\win32", "", P("gone.dll"));
  auto libRows = RunWalk([](Scanner& s) { s.TypeLibraryWalk(); });
  EXPECT_TRUE(FindRow(libRows, kLib, "TypeLib"));
  EXPECT_TRUE(FindRow(libRows, "hmsafe.dead", ""));
  EXPECT_FALSE(FindRow(libRows, "AuditApp.Document", ""));
  EXPECT_FALSE(FindRow(libRows, "Interface", ""));
  EXPECT_EQ(FindRow(libRows, kOld, "CLSID")->parent, IndexOf(libRows, kLib));

  // Everything ticked: the dead class and its keys go, the live ones stay.
  for (ScanRow& r : rows) r.checked = true;
  const auto result = Repair(rows);
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kDead));
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, "hmsafe.dead"));
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, "hmsafe.namer"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "AuditApp.Document\\CLSID"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, ".auditdoc"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "hmsafe\\sub"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "Interface"));
}

// Rows that name structural keys are refused by the repair itself, whoever
// made them.
TEST_F(Safety, RepairNeverDeletesAStructuralKeyOrANameWithABackslash) {
  auto row = [](const std::string& name, RowRule rule) {
    ScanRow r{name, "HKEY_CLASSES_ROOT", "", "RootKey", "", ""};
    r.checked = true;
    r.rule = rule;
    return r;
  };
  for (const char* name : {"CLSID", "Interface", "TypeLib", "AppID", "*", "Folder", "Directory",
                           "Drive", "AllFilesystemObjects", "exefile", "interface", ".txt"})
    EXPECT_FALSE(hivemend::MayDeleteKeyRow(row(name, RowRule::ProgId))) << name;
  EXPECT_FALSE(hivemend::MayDeleteKeyRow(row("a\\b", RowRule::ProgId)));
  EXPECT_FALSE(hivemend::MayDeleteKeyRow(row("", RowRule::ProgId)));
  EXPECT_TRUE(hivemend::MayDeleteKeyRow(row("hm.some.prog", RowRule::ProgId)));
  EXPECT_TRUE(hivemend::MayDeleteKeyRow(row(".hmext", RowRule::Extension)));
  ScanRow under = row("Interface", RowRule::None);
  under.path = "Software";
  EXPECT_TRUE(hivemend::MayDeleteKeyRow(under));  // not directly under the root
  const auto result = Repair({row("Interface", RowRule::ProgId), row("CLSID", RowRule::None)});
  EXPECT_TRUE(result.removedRows.empty());
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "Interface"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
}

TEST_F(Safety, DependantRowsTakeTheTickOfTheRowTheyExistBecauseOf) {
  Planted p;
  const std::string windows = suite::WindowsFolder();
  // A class whose missing server lies in the Windows folder: left unticked.
  PlantClasses(p, windows + "\\system32\\hmsafe-gone.dll", P("present.dll"));
  p.Key(HKEY_CLASSES_ROOT, "hmsafe.icon");
  p.Key(HKEY_CLASSES_ROOT, ".hmsafeicon");
  p.String(HKEY_CLASSES_ROOT, "hmsafe.icon\\DefaultIcon", "", windows + "\\hmsafe-gone.ico,0");
  p.String(HKEY_CLASSES_ROOT, ".hmsafeicon", "", "hmsafe.icon");
  auto rows = RunWalk([](Scanner& s) {
    s.FileTypeWalk();
    s.ComClassWalk();
  });
  hivemend::Preselect(rows, windows);
  const int cls = IndexOf(rows, "hmsafe.icon"), ext = IndexOf(rows, ".hmsafeicon");
  ASSERT_GE(cls, 0);
  ASSERT_GE(ext, 0);
  EXPECT_EQ(rows[static_cast<size_t>(ext)].parent, cls);
  EXPECT_FALSE(rows[static_cast<size_t>(cls)].checked);
  EXPECT_FALSE(rows[static_cast<size_t>(ext)].checked);  // no path of its own, yet unticked
  for (const char* name : {"hmsafe.dead", "hmsafe.namer", kIf})
    EXPECT_FALSE(rows[static_cast<size_t>(IndexOf(rows, name))].checked) << name;
  const std::vector<int> deps = hivemend::DependantsOf(rows, IndexOf(rows, kDead));
  EXPECT_EQ(deps.size(), 4u);  // its ProgID (found twice: by the class and by its value), namer, interface

  // A dependant ticked by hand while its class is not: the repair leaves both.
  rows[static_cast<size_t>(ext)].checked = true;
  rows[static_cast<size_t>(IndexOf(rows, "hmsafe.dead"))].checked = true;
  const auto result = Repair(rows);
  EXPECT_TRUE(result.removedRows.empty());
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, ".hmsafeicon"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "hmsafe.dead"));

  // Removing rows keeps the links between the others.
  std::vector<ScanRow> chain(4);
  chain[1].parent = 0;
  chain[2].parent = 1;
  chain[3].parent = 2;
  hivemend::EraseRows(chain, {0, 2});
  ASSERT_EQ(chain.size(), 2u);
  EXPECT_EQ(chain[0].parent, -1);
  EXPECT_EQ(chain[1].parent, -1);
}

// Between the scan and the repair the file came back: the row is left alone
// and stays listed, and so are the rows that exist because of it.
TEST_F(Safety, WhatBecameValidSinceTheScanIsLeftAlone) {
  t::ScratchKey key("hivemend-recheck");
  t::SetString(key.Root(), key.Path(), "late", P("late.exe"));
  t::SetString(key.Root(), key.Path(), "gone", P("gone.exe"));
  Planted p;
  PlantClasses(p, P("late.dll"), P("present.dll"));
  auto rows = RunWalk([&](Scanner& s) {
    s.ComClassWalk();
    s.SoftwareWalk(key.Root(), key.Path());
  });
  for (ScanRow& r : rows) r.checked = true;
  t::WriteBytes(P("late.exe"), "MZ");
  t::WriteBytes(P("late.dll"), "MZ");
  const auto result = Repair(rows);
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Path(), "late"));
  EXPECT_FALSE(t::ValueExists(key.Root(), key.Path(), "gone"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + kDead));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, "hmsafe.dead"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, std::string("Interface\\") + kIf));
  const int late = IndexOf(rows, "late");
  EXPECT_NE(std::find(result.nowValid.begin(), result.nowValid.end(), late), result.nowValid.end());
  EXPECT_EQ(std::find(result.removedRows.begin(), result.removedRows.end(), late),
            result.removedRows.end());
  EXPECT_EQ(result.deleted,
            (std::vector<std::string>{"HKEY_CURRENT_USER\\" + key.Path() + "\\gone"}));
}

// The second look asks each walk's rule again: entries whose files came back
// stay, one whose file is still gone goes.
TEST_F(Safety, EveryRuleIsAskedAgainBeforeTheRepair) {
  const HKEY lm = HKEY_LOCAL_MACHINE, cr = HKEY_CLASSES_ROOT;
  const std::string app = std::string(hivemend::kAppPathsKey) + "\\hmsafe-";
  Planted p;
  for (const std::string& k : {app + "late.exe", app + "gone.exe", std::string("hmsafe.icon"),
                               std::string("hmsafefile")})
    p.Key(k.front() == 'h' ? cr : lm, k);
  p.String(lm, app + "late.exe", "", P("late.exe"));
  p.String(lm, app + "gone.exe", "", P("gone.exe"));
  p.ForeignValue(lm, hivemend::kHelpKey, "hmsafe-late.hlp", kDir);
  p.Key(lm, hivemend::kKnownVxdsKey);
  p.String(lm, hivemend::kKnownVxdsKey, "hmsafe-late", P("late.vxd"));
  p.String(cr, "hmsafe.icon\\DefaultIcon", "", P("late.ico") + ",0");
  p.String(cr, "hmsafefile\\shell\\open\\command", "", P("late.exe") + " %1");
  auto rows = RunWalk([](Scanner& s) {
    s.AppPathWalk();
    s.HelpWalk(hivemend::kHelpKey);
    s.KnownVxdWalk(hivemend::kKnownVxdsKey);
    s.FileTypeWalk();
    s.ContextMenuWalk();
  });
  // Only this test's rows go to the repair.
  std::vector<int> others;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].name.rfind("hmsafe", 0) != 0 && rows[i].path.rfind("hmsafe", 0) != 0)
      others.push_back(static_cast<int>(i));
  hivemend::EraseRows(rows, others);
  for (const char* name : {"hmsafe-late.exe", "hmsafe-gone.exe", "hmsafe-late.hlp",
                           "hmsafe-late", "hmsafe.icon", "open"})
    ASSERT_GE(IndexOf(rows, name), 0) << name;
  ASSERT_EQ(rows.size(), 6u);
  for (ScanRow& r : rows) r.checked = true;
  for (const char* f : {"late.exe", "hmsafe-late.hlp", "late.vxd", "late.ico"})
    t::WriteBytes(P(f), "MZ");
  const auto result = Repair(rows);
  EXPECT_EQ(result.removedRows, (std::vector<int>{IndexOf(rows, "hmsafe-gone.exe")}));
  EXPECT_TRUE(t::KeyExists(lm, app + "late.exe"));
  EXPECT_FALSE(t::KeyExists(lm, app + "gone.exe"));
  EXPECT_TRUE(t::ValueExists(lm, hivemend::kHelpKey, "hmsafe-late.hlp"));
  EXPECT_TRUE(t::ValueExists(lm, hivemend::kKnownVxdsKey, "hmsafe-late"));
  EXPECT_TRUE(t::KeyExists(cr, "hmsafe.icon"));
  EXPECT_TRUE(t::KeyExists(cr, "hmsafefile\\shell\\open"));
}

// Values and keys whose names the ANSI code page lacks are found, backed up,
// removed and logged by their real names; an entry that happens to be named
// "??" is never touched instead.
TEST_F(Safety, NamesOutsideTheCodePageAreRemovedByTheirRealNames) {
  t::ScratchKey key("hivemend-wide");
  t::ScratchDir store("C:\\suite-tests\\hm-wide-store");
  suite::UniqueKey k = suite::OpenKey(key.Root(), key.Path(), KEY_ALL_ACCESS);
  ASSERT_TRUE(k);
  const std::wstring gone = suite::WideFromAnsi(P("gone.exe"));
  auto setW = [](HKEY h, const wchar_t* name, const std::wstring& data) {
    return RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  };
  ASSERT_EQ(setW(k.get(), L"\x0e01\x0e02", gone), 0);
  t::SetString(key.Root(), key.Path(), "??", P("present.dll"));  // a real "??", valid
  HKEY sub = nullptr;
  ASSERT_EQ(RegCreateKeyExW(k.get(), L"\x0e03key", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                            nullptr), 0);
  ASSERT_EQ(setW(sub, L"v", gone), 0);
  RegCloseKey(sub);
  t::SetString(key.Root(), key.Sub("?key"), "v", P("present.dll"));  // the look-alike key

  auto rows = RunWalk([&](Scanner& s) { s.SoftwareWalk(key.Root(), key.Path()); });
  ASSERT_EQ(rows.size(), 2u);
  const ScanRow* value = FindRow(rows, "<U+0E01><U+0E02>", key.Path());
  ASSERT_TRUE(value);
  EXPECT_TRUE(value->wide);
  EXPECT_EQ(value->nameW, L"\x0e01\x0e02");
  for (ScanRow& r : rows) r.checked = true;

  suite::RestorePoint point(store.Path());
  std::vector<bool> held;
  ASSERT_TRUE(hivemend::BackupRows(rows, point, {}, &held));
  EXPECT_EQ(held, (std::vector<bool>{true, true}));
  const auto result = Repair(rows, &point);
  EXPECT_EQ(result.removedRows, (std::vector<int>{0, 1}));
  const std::string root = "HKEY_CURRENT_USER\\" + key.Path();
  EXPECT_NE(std::find(result.deleted.begin(), result.deleted.end(), root + "\\<U+0E01><U+0E02>"),
            result.deleted.end());
  EXPECT_NE(std::find(result.deleted.begin(), result.deleted.end(), root + "\\<U+0E03>key\\v"),
            result.deleted.end());
  EXPECT_EQ(RegQueryValueExW(k.get(), L"\x0e01\x0e02", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Path(), "??"));
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Sub("?key"), "v"));

  // The backup gives them back under their real names.
  const std::string folder = point.Folder();
  const auto restored =
      hivemend::RestoreBackup(store.Path(), folder.substr(folder.find_last_of('\\') + 1));
  EXPECT_EQ(restored.files, 2);
  EXPECT_EQ(restored.imported, 2);
  EXPECT_EQ(RegQueryValueExW(k.get(), L"\x0e01\x0e02", nullptr, nullptr, nullptr, nullptr), 0);
}

// An entry its backup file cannot hold exactly (a name with a line break, a
// name a REGEDIT4 file cannot write) is left alone and reported so.
TEST_F(Safety, EntriesTheBackupCannotHoldExactlyAreLeftAlone) {
  t::ScratchKey key("hivemend-exact");
  t::ScratchDir store("C:\\suite-tests\\hm-exact-store");
  t::SetString(key.Root(), key.Path(), "line\r\nbreak", P("gone.exe"));
  t::SetString(key.Root(), key.Path(), "plain", P("gone.exe"));
  t::SetString(key.Root(), key.Sub("tree"), "odd\nname", "1");
  auto rows = RunWalk([&](Scanner& s) { s.SoftwareWalk(key.Root(), key.Path()); });
  ASSERT_EQ(rows.size(), 2u);
  ScanRow tree{"tree", "HKEY_CURRENT_USER", key.Path(), "RootKey", "", ""};
  rows.push_back(tree);
  for (ScanRow& r : rows) r.checked = true;
  std::vector<bool> held;
  suite::RestorePoint point(store.Path());
  ASSERT_TRUE(hivemend::BackupRows(rows, point, {}, &held));
  const int odd = IndexOf(rows, "line\r\nbreak"), plain = IndexOf(rows, "plain");
  ASSERT_GE(odd, 0);
  EXPECT_FALSE(held[static_cast<size_t>(odd)]);
  EXPECT_TRUE(held[static_cast<size_t>(plain)]);  // its own value is in the file whole
  EXPECT_FALSE(held[2]);
  const auto result = Repair(rows, &point);
  EXPECT_EQ(result.notBackedUp, (std::vector<int>{odd, 2}));
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Path(), "line\r\nbreak"));
  EXPECT_TRUE(t::KeyExists(key.Root(), key.Sub("tree")));
  EXPECT_FALSE(t::ValueExists(key.Root(), key.Path(), "plain"));

  // A REGEDIT4 file holds only ANSI names.
  suite::UniqueKey k = suite::OpenKey(key.Root(), key.Sub("tree"), KEY_ALL_ACCESS);
  RegDeleteValueA(k.get(), "odd\nname");
  EXPECT_TRUE(suite::BackupEntryFile(suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree")),
                                     store / "t4.reg", true));
  RegSetValueExW(k.get(), L"\x0e01", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
  EXPECT_FALSE(suite::BackupEntryFile(suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree")),
                                      store / "t4.reg", true));
  EXPECT_TRUE(suite::BackupEntryFile(suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree")),
                                     store / "t5.reg", false));
  // A restore point tells the same per entry.
  std::vector<bool> one;
  EXPECT_TRUE(point.Write({suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree"))}, one));
  EXPECT_EQ(one, std::vector<bool>{true});
  t::SetString(key.Root(), key.Sub("tree"), "x\ny", "1");
  EXPECT_TRUE(point.Write({suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree"))}, one));
  EXPECT_EQ(one, std::vector<bool>{false});
}

// The restore counts what the registry holds after the import, stages in a
// folder of its own under the temp folder, and acts only on real folders of
// the store.
TEST_F(Safety, RestoreCountsWhatIsBackAndStagesInAFolderOfItsOwn) {
  t::ScratchKey key("hivemend-restore");
  t::ScratchDir store("C:\\suite-tests\\hm-restore-store");
  const std::string full = "HKEY_CURRENT_USER\\" + key.Path();
  t::WriteBytes(store / "good\\RB0.reg",
                std::string("REGEDIT4\r\n\r\n[") + full + "\\back]\r\n\"v\"=\"1\"\r\n");
  // A key under no root: whatever the editor's exit status, nothing is back.
  t::WriteBytes(store / "good\\RB1.reg", "REGEDIT4\r\n\r\n[HKEY_NOWHERE\\x]\r\n\"v\"=\"1\"\r\n");
  DeleteFileA("C:\\Temp\\RB0.reg");
  DeleteFileA("C:\\Temp\\RB1.reg");
  const auto result = hivemend::RestoreBackup(store.Path(), "good");
  EXPECT_EQ(result.files, 2);
  EXPECT_EQ(result.imported, 1);
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Sub("back"), "v"));
  EXPECT_FALSE(t::Exists("C:\\Temp\\RB0.reg"));
  // Nothing staged is left in the temp folder.
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((suite::TempFolder() + "Hivemend-restore-*").c_str(), &data);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  EXPECT_TRUE(suite::RegFileContentPresent(store / "good\\RB0.reg"));
  EXPECT_FALSE(suite::RegFileContentPresent(store / "good\\RB1.reg"));

  // Only real folders inside the store.
  t::WriteBytes(store / "afile", "x");
  t::ScratchDir outside("C:\\suite-tests\\hm-restore-outside");
  t::WriteBytes(outside / "RB0.reg", "x");
  EXPECT_FALSE(suite::IsBackupFolder(store.Path(), ".."));
  EXPECT_FALSE(suite::IsBackupFolder(store.Path(), "..\\hm-restore-outside"));
  EXPECT_FALSE(suite::IsBackupFolder(store.Path(), "afile"));
  EXPECT_FALSE(suite::IsBackupFolder(store.Path(), "missing"));
  EXPECT_TRUE(suite::IsBackupFolder(store.Path(), "good"));
  EXPECT_FALSE(suite::DeleteBackup(store.Path(), "afile"));
  EXPECT_TRUE(t::Exists(store / "afile"));
  EXPECT_EQ(hivemend::RestoreBackup(store.Path(), "..\\hm-restore-outside").files, 0);
  if (CreateSymbolicLinkW((suite::WideFromAnsi(store.Path()) + L"\\linked").c_str(),
                          suite::WideFromAnsi(outside.Path()).c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    EXPECT_FALSE(suite::IsBackupFolder(store.Path(), "linked"));
    EXPECT_FALSE(suite::DeleteBackup(store.Path(), "linked"));
    const auto names = hivemend::ListBackups(store.Path());
    EXPECT_EQ(std::find(names.begin(), names.end(), "linked"), names.end());
    RemoveDirectoryA((store / "linked").c_str());
  }
  EXPECT_TRUE(t::Exists(outside / "RB0.reg"));
}

// Started through the shell (as when the system must ask for elevation), the
// registry editor is waited for: its import is done when the call returns.
TEST_F(Safety, TheEditorStartedThroughTheShellIsWaitedFor) {
  t::ScratchKey key("hivemend-shell");
  t::ScratchDir files("C:\\suite-tests\\hm-shell");
  const std::string file = files / "import.reg";
  t::WriteBytes(file, std::string("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\") + key.Path() +
                          "\\in]\r\n\"v\"=\"shell\"\r\n");
  ASSERT_TRUE(suite::RunThroughShellAndWait(suite::JoinPath(suite::WindowsFolder(), "regedit.exe"),
                                            "/s \"" + file + "\"", 60000));
  EXPECT_EQ(suite::ReadString(key.Root(), key.Sub("in"), "v"), "shell");
}

// The resource index after a library file is cut only at a real backslash:
// a GBK character whose second byte is that of '\' stays whole.
TEST_F(Safety, TypeLibraryIndexSplitRespectsGbkTrailBytes) {
  Planted p;
  p.Key(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLib);
  const std::string file = P("gone俓");  // ends in the trail byte 0x5C
  p.String(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLib + "\\1.0\\0\\win32", "", file);
  p.String(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLib + "\\1.1\\0\\win32", "",
           P("gone2.tlb") + "\\3");
  auto rows = RunWalk([](Scanner& s) { s.TypeLibraryWalk(); });
  const ScanRow* lib = FindRow(rows, kLib, "TypeLib");
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->text, file);
  // A version whose file is present keeps the library.
  p.String(HKEY_CLASSES_ROOT, std::string("TypeLib\\") + kLib + "\\2.0\\0\\win32", "",
           P("present.dll") + "\\2");
  rows = RunWalk([](Scanner& s) { s.TypeLibraryWalk(); });
  EXPECT_FALSE(FindRow(rows, kLib, "TypeLib"));
}

TEST(Repair, DeletesOnlyTheTickedEntriesItMayTouch) {
  t::ScratchKey key("hivemend-repair");
  const HKEY cu = HKEY_CURRENT_USER;
  const std::string guarded = key.Sub("System\\CurrentControlSet\\x");
  const std::string nt = key.Sub("Microsoft\\Windows NT\\CurrentVersion");
  t::SetString(cu, guarded, "v", "1");
  t::SetString(cu, nt, "v", "1");
  t::SetString(cu, key.Sub("vals"), "", "C:\\gone\\default.exe");
  t::SetString(cu, key.Sub("vals"), "默认", "a value that happens to carry the label's name");
  t::SetString(cu, key.Sub("vals"), "plain", "C:\\gone\\x.exe");
  t::SetString(cu, key.Sub("vals"), "unticked", "C:\\gone\\y.exe");
  t::SetString(cu, key.Sub("tree\\a\\b"), "v", "1");

  auto row = [](const char* name, const std::string& path, const char* kind, bool checked) {
    ScanRow r{name, "HKEY_CURRENT_USER", path, kind, "", ""};
    r.checked = checked;
    return r;
  };
  std::vector<ScanRow> rows = {
      row("v", guarded, "KeyValue", true),
      row("v", nt, "KeyValue", true),
      row("默认", key.Sub("vals"), "KeyValue", true),
      row("plain", key.Sub("vals"), "KeyValue", true),
      row("unticked", key.Sub("vals"), "KeyValue", false),
      row("", key.Path(), "RootKey", true),         // a nameless ProgID and the like
      row("", std::string(), "RootKey", true),       // would name the root itself
      row("", key.Sub("vals"), "KeyValue", true),    // a nameless value row that is no default hit
      row("a", key.Sub("tree"), "RootKey", true),
  };
  rows[2].defaultValue = true;
  rows.push_back(row("x", key.Path(), "KeyValue", true));
  rows.back().rootName = "HKEY_NOWHERE";

  std::vector<std::string> statuses;
  t::ScratchDir store("C:\\suite-tests\\hm-repair-store");
  suite::RestorePoint point(store.Path());
  hivemend::RepairOptions options;
  options.point = &point;
  const auto result = hivemend::RepairRows(
      rows, [&](const std::string& s) { statuses.push_back(s); }, options);
  EXPECT_EQ(result.removedRows, (std::vector<int>{2, 3, 8}));
  const std::string root = "HKEY_CURRENT_USER\\";
  EXPECT_EQ(result.deleted, (std::vector<std::string>{root + key.Sub("vals") + "\\默认",
                                                      root + key.Sub("vals") + "\\plain",
                                                      root + key.Sub("tree") + "\\a"}));
  EXPECT_EQ(statuses.front(), "正在清理:" + result.deleted.front());
  EXPECT_TRUE(t::ValueExists(cu, guarded, "v"));
  EXPECT_TRUE(t::ValueExists(cu, nt, "v"));
  EXPECT_FALSE(t::ValueExists(cu, key.Sub("vals"), ""));    // the unnamed value went
  EXPECT_TRUE(t::ValueExists(cu, key.Sub("vals"), "默认"));  // the named one stays
  EXPECT_FALSE(t::ValueExists(cu, key.Sub("vals"), "plain"));
  EXPECT_TRUE(t::ValueExists(cu, key.Sub("vals"), "unticked"));
  EXPECT_TRUE(t::KeyExists(cu, key.Path()));
  EXPECT_TRUE(t::KeyExists(cu, "Software"));
  EXPECT_FALSE(t::KeyExists(cu, key.Sub("tree\\a")));
  EXPECT_TRUE(t::KeyExists(cu, key.Sub("tree")));
}

// The unattended pass, in process: the stale entry of the ticked category is
// backed up to the store, removed and logged.
TEST(UnattendedPass, BacksUpRemovesAndLogsTheStaleEntries) {
  t::ScratchDir files("C:\\suite-tests\\hm-pass");
  const std::string appPath = std::string(hivemend::kAppPathsKey) + "\\hm-pass-test.exe";
  t::SetString(HKEY_LOCAL_MACHINE, appPath, "", files / "gone.exe");
  hivemend::ScanSettings settings = hivemend::DefaultScanSettings();
  settings.ticked.fill(false);
  settings.ticked[2] = true;  // the App Paths walk only
  const std::string log = suite::LogNameOf(suite::Program::Hivemend);
  const std::vector<std::string> removed = hivemend::RunUnattendedPass(settings);
  EXPECT_NE(std::find(removed.begin(), removed.end(), "HKEY_LOCAL_MACHINE\\" + appPath),
            removed.end());
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, appPath));
  EXPECT_FALSE(hivemend::ListBackups(hivemend::BackupStorePath()).empty()) << "backed up first";
  std::vector<std::string> logged;
  EXPECT_TRUE(suite::ReadLog(log, "Files", logged));
  EXPECT_EQ(logged, removed);
  suite::DeleteLog(log);
  t::RemoveTree(hivemend::BackupStorePath());
  suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, appPath);
}
