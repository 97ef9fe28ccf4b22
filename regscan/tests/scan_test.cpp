#include "scanengine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "regbackup.h"
#include "seed.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using hivemend::test::FindRow;
using hivemend::ScanRow;
using hivemend::Scanner;
using hivemend::test::Planted;

namespace {

const std::string kDir = "C:\\suite-tests\\hivemend-scan";

class Scan : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new t::ScratchDir(kDir);
    t::WriteBytes(kDir + "\\present.exe", "MZ");
    t::WriteBytes(kDir + "\\present.dll", "MZ");
    t::WriteBytes(kDir + "\\present.ico", "ico");
    t::WriteBytes(kDir + "\\present.hlp", "hlp");
    t::WriteBytes(kDir + "\\App\\app.exe", "MZ");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  // Runs one walk; E: and F: count as non-fixed drives, as in the sandbox.
  template <class Walk>
  std::vector<ScanRow> RunWalk(Walk walk) {
    std::vector<ScanRow> rows;
    hivemend::ScanSink sink{[&](const ScanRow& r) { rows.push_back(r); }, {}};
    Scanner scanner(hivemend::DefaultScanSettings(), sink, stop_, {"E:\\", "F:\\"});
    walk(scanner);
    return rows;
  }

  static std::string P(const std::string& name) { return kDir + "\\" + name; }
  std::atomic<bool> stop_{false};
  static t::ScratchDir* dir_;
};
t::ScratchDir* Scan::dir_ = nullptr;

// The shared path-present test in this program's variant.
struct PathCheckerForTest {
  suite::PathChecker checker{suite::kRegistryScannerPathCheck, {"E:\\", "F:\\"}};
  bool Check(const std::string& text) { return checker.FileReferenceExists(text); }
};

}  // namespace

TEST_F(Scan, KnownDllAndVxdListsReportValuesNamingMissingFiles) {
  Planted p;
  p.Key(HKEY_LOCAL_MACHINE, hivemend::kKnownDllsKey);
  p.Key(HKEY_LOCAL_MACHINE, hivemend::kKnown16DllsKey);
  p.Key(HKEY_LOCAL_MACHINE, hivemend::kKnownVxdsKey);
  p.String(HKEY_LOCAL_MACHINE, hivemend::kKnownDllsKey, "kernel32", "kernel32.dll");
  p.String(HKEY_LOCAL_MACHINE, hivemend::kKnownDllsKey, "gone32", "hm-gone32.dll");
  p.String(HKEY_LOCAL_MACHINE, hivemend::kKnown16DllsKey, "gone16", "hm-gone16.dll");
  p.String(HKEY_LOCAL_MACHINE, hivemend::kKnownVxdsKey, "govxd", P("gone.vxd"));

  auto rows = RunWalk([](Scanner& s) {
    s.KnownDllWalk(hivemend::kKnownDllsKey);
    s.KnownDllWalk(hivemend::kKnown16DllsKey);
    s.KnownVxdWalk(hivemend::kKnownVxdsKey);
  });
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].name, "gone32");
  EXPECT_EQ(rows[0].rootName, "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(rows[0].path, hivemend::kKnownDllsKey);
  EXPECT_EQ(rows[0].kind, "KeyValue");
  EXPECT_EQ(rows[0].text, "");
  EXPECT_EQ(rows[0].category, "无效的共享链接库");
  EXPECT_EQ(rows[1].name, "gone16");
  EXPECT_EQ(rows[1].category, "无效的共享链接库");
  EXPECT_EQ(rows[2].name, "govxd");
  EXPECT_EQ(rows[2].category, "无效的驱动程序");
}

// The walk judges each program subkey by its default value (the rule's cases
// are in the shared rules' tests).
TEST_F(Scan, AppPathsListSubkeysWhoseProgramIsGone) {
  const std::string base = hivemend::kAppPathsKey;
  Planted p;
  struct Case {
    const char* name;
    std::string value;
    bool listed;
  } cases[] = {
      {"hm-present.exe", P("present.exe"), false},
      {"hm-gone.exe", P("gone.exe"), true},
  };
  for (const Case& c : cases) {
    p.Key(HKEY_LOCAL_MACHINE, base + "\\" + c.name);
    p.String(HKEY_LOCAL_MACHINE, base + "\\" + c.name, "", c.value);
  }
  auto rows = RunWalk([](Scanner& s) { s.AppPathWalk(); });
  for (const Case& c : cases) {
    const ScanRow* r = FindRow(rows, c.name, base);
    EXPECT_EQ(r != nullptr, c.listed) << c.name;
    if (r) {
      EXPECT_EQ(r->kind, "RootKey");
      EXPECT_EQ(r->category, "无效的应用程序记录");
    }
  }
}

TEST_F(Scan, HelpListsJoinFolderAndName) {
  Planted p;
  p.ForeignValue(HKEY_LOCAL_MACHINE, hivemend::kHelpKey, "present.hlp", kDir);
  p.ForeignValue(HKEY_LOCAL_MACHINE, hivemend::kHelpKey, "hm-gone.hlp", kDir + "\\");
  p.ForeignValue(HKEY_LOCAL_MACHINE, hivemend::kHtmlHelpKey, "hm-gone.chm", kDir);
  auto rows = RunWalk([](Scanner& s) {
    s.HelpWalk(hivemend::kHelpKey);
    s.HelpWalk(hivemend::kHtmlHelpKey);
  });
  EXPECT_FALSE(FindRow(rows, "present.hlp", hivemend::kHelpKey));
  ASSERT_TRUE(FindRow(rows, "hm-gone.hlp", hivemend::kHelpKey));
  EXPECT_EQ(FindRow(rows, "hm-gone.hlp", hivemend::kHelpKey)->kind, "KeyValue");
  EXPECT_TRUE(FindRow(rows, "hm-gone.chm", hivemend::kHtmlHelpKey));
}

TEST_F(Scan, FileTypesWithMissingIconsAndTheirExtensions) {
  Planted p;
  const HKEY cr = HKEY_CLASSES_ROOT;
  for (const char* k : {"hmtest.badicon", "hmtest.goodicon", ".hmbad",
                        ".hmgood", "ODBC.FILEDSN", "CHANNELSHORTCUT"})
    p.Key(cr, k);
  p.String(cr, "hmtest.badicon", "", "坏图标类");
  p.String(cr, "hmtest.badicon\\DefaultIcon", "", P("gone.ico") + ",0");
  p.String(cr, "hmtest.goodicon\\DefaultIcon", "", P("present.ico") + ",1");
  p.String(cr, ".hmbad", "", "HMTEST.BADICON");
  p.String(cr, ".hmgood", "", "hmtest.goodicon");
  // Protected classes are never listed, whatever the letter case.
  p.String(cr, "ODBC.FILEDSN\\DefaultIcon", "", P("gone.ico") + ",0");
  p.String(cr, "CHANNELSHORTCUT\\DefaultIcon", "", P("gone.ico") + ",0");

  auto rows = RunWalk([](Scanner& s) { s.FileTypeWalk(); });
  const ScanRow* bad = FindRow(rows, "hmtest.badicon", "");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->rootName, "HKEY_CLASSES_ROOT");
  EXPECT_EQ(bad->kind, "RootKey");
  EXPECT_EQ(bad->text, P("gone.ico"));
  EXPECT_EQ(bad->category, "坏图标类 - 无效的文件类型");
  const ScanRow* ext = FindRow(rows, ".hmbad", "");
  ASSERT_TRUE(ext);
  EXPECT_EQ(ext->text, "");
  EXPECT_EQ(ext->category, ".hmbad - 无效的文件类型");
  for (const char* absent : {"hmtest.goodicon", ".hmgood", "ODBC.FILEDSN",
                             "CHANNELSHORTCUT"})
    EXPECT_FALSE(FindRow(rows, absent, "")) << absent;
}

TEST_F(Scan, ContextMenuCommandsOfFileClasses) {
  Planted p;
  const HKEY cr = HKEY_CLASSES_ROOT;
  p.Key(cr, "hmtestfile");
  p.Key(cr, "hmtestclass");
  p.String(cr, "hmtestfile\\shell\\open\\command", "", P("gone.exe") + " %1");
  p.String(cr, "hmtestclass\\shell\\open\\command", "", P("gone.exe") + " %1");
  auto rows = RunWalk([](Scanner& s) { s.ContextMenuWalk(); });
  const ScanRow* open = FindRow(rows, "open", "hmtestfile\\shell");
  ASSERT_TRUE(open);
  EXPECT_EQ(open->kind, "RootKey");
  EXPECT_EQ(open->text, P("gone.exe") + " %1");
  EXPECT_EQ(open->category, "错误的右键菜单");
  EXPECT_FALSE(FindRow(rows, "open", "hmtestclass\\shell"));  // no "file" in the name
}

namespace {
const char* kLibGone = "{3F1E0000-AAAA-4000-8000-00000000A001}";
const char* kLibOk = "{3F1E0000-AAAA-4000-8000-00000000A002}";
const char* kClsLib = "{3F1E0000-BBBB-4000-8000-00000000B001}";
const char* kClsGone = "{3F1E0000-BBBB-4000-8000-00000000B002}";
const char* kClsOk = "{3F1E0000-BBBB-4000-8000-00000000B003}";
const char* kIfLib = "{3F1E0000-CCCC-4000-8000-00000000C001}";
const char* kIfGone = "{3F1E0000-CCCC-4000-8000-00000000C002}";
std::string S(const char* a, const char* b = nullptr, const char* c = nullptr) {
  std::string s = a;
  if (b) s += std::string("\\") + b;
  if (c) s += std::string("\\") + c;
  return s;
}
}  // namespace

class ComScan : public Scan {
 protected:
  void Plant(Planted& p) {
    const HKEY cr = HKEY_CLASSES_ROOT;
    for (const std::string& k :
         {S("TypeLib", kLibGone), S("TypeLib", kLibOk), S("CLSID", kClsLib), S("CLSID", kClsGone),
          S("CLSID", kClsOk), S("Interface", kIfLib), S("Interface", kIfGone),
          std::string("hmtest.prog"), std::string("hmtest.naming")})
      p.Key(cr, k);
    p.String(cr, S("TypeLib", kLibGone, "1.0\\0\\win32"), "", P("gone.dll") + "\\2");
    p.String(cr, S("TypeLib", kLibGone, "2.0\\0\\win32"), "", P("gone.dll"));
    p.String(cr, S("TypeLib", kLibOk, "1.0\\0\\win32"), "", P("present.dll"));
    p.String(cr, S("CLSID", kClsLib, "InprocServer32"), "", suite::ToUpper(P("gone.dll")));
    p.String(cr, S("CLSID", kClsLib, "ProgID"), "", "hmtest.prog");
    p.String(cr, "hmtest.prog\\CLSID", "", kClsLib);  // the ProgID names its dead class
    p.String(cr, S("Interface", kIfLib, "ProxyStubClsid32"), "", kClsLib);
    p.String(cr, S("CLSID", kClsGone, "LocalServer32"), "", P("gone.exe") + " /automation");
    p.String(cr, S("CLSID", kClsGone, "ProgID"), "", "");  // a ProgID key with no name
    p.String(cr, "hmtest.naming\\Clsid", "", kClsGone);
    p.String(cr, S("Interface", kIfGone, "ProxyStubClsid32"), "", suite::ToLower(kClsGone));
    p.String(cr, S("CLSID", kClsOk, "InprocServer32"), "", P("present.dll"));
  }
};

TEST_F(ComScan, TypeLibraryWalkListsLibraryAndDependantsAndChangesNothing) {
  Planted p;
  Plant(p);
  auto rows = RunWalk([](Scanner& s) { s.TypeLibraryWalk(); });
  int libraryRows = 0;
  for (const ScanRow& r : rows) libraryRows += r.name == kLibGone;
  EXPECT_EQ(libraryRows, 1);  // two versions, one library key
  const ScanRow* lib = FindRow(rows, kLibGone, "TypeLib");
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->text, P("gone.dll"));  // the resource index is cut off
  EXPECT_EQ(lib->category, "无效的ActiveX控件");
  EXPECT_FALSE(FindRow(rows, kLibOk, "TypeLib"));
  ASSERT_TRUE(FindRow(rows, kClsLib, "CLSID"));
  EXPECT_EQ(FindRow(rows, kClsLib, "CLSID")->category, "无效的COM/OLE接口");
  EXPECT_TRUE(FindRow(rows, "hmtest.prog", ""));
  EXPECT_TRUE(FindRow(rows, kIfLib, "Interface"));
  // The scan only reads: the library's tree is still there for the backup.
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, S("TypeLib", kLibGone, "1.0\\0\\win32")));
}

TEST_F(ComScan, ComClassWalkListsClassesAndEverythingNamingThem) {
  Planted p;
  Plant(p);
  auto rows = RunWalk([](Scanner& s) { s.ComClassWalk(); });
  const ScanRow* cls = FindRow(rows, kClsGone, "CLSID");
  ASSERT_TRUE(cls);
  EXPECT_EQ(cls->text, P("gone.exe") + " /automation");
  EXPECT_EQ(cls->kind, "RootKey");
  EXPECT_TRUE(FindRow(rows, kClsLib, "CLSID"));  // its in-process server is gone too
  EXPECT_TRUE(FindRow(rows, "", ""));            // the nameless ProgID: listed, never repaired
  EXPECT_TRUE(FindRow(rows, "hmtest.naming", ""));
  EXPECT_TRUE(FindRow(rows, kIfGone, "Interface"));
  EXPECT_FALSE(FindRow(rows, kClsOk, "CLSID"));
}

// A 32-bit control of a 64-bit Windows: its class in the 32-bit view's
// classes, its ProgID in the shared ones, its library written through the
// 32-bit place of the TypeLib both views share (Wine and Windows 7 link it);
// its program's App Paths key, also shared, written through the 32-bit place.
TEST_F(ComScan, ThirtyTwoBitViewIsScannedOnceAndRestoredWhereItWas) {
  const HKEY cr = HKEY_CLASSES_ROOT, lm = HKEY_LOCAL_MACHINE;
  const std::string w = "Wow6432Node\\";
  const std::string appPath =
      "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\hmtest32.exe";
  Planted p;
  for (const std::string& k : {w + S("TypeLib", kLibGone), w + S("CLSID", kClsLib),
                               std::string("hmtest.prog32")})
    p.Key(cr, k);
  p.Key(lm, appPath);
  p.String(cr, w + S("TypeLib", kLibGone, "1.0\\0\\win32"), "", P("gone32.dll"));
  p.String(cr, w + S("CLSID", kClsLib, "InprocServer32"), "", P("gone32.dll"));
  p.String(cr, w + S("CLSID", kClsLib, "ProgID"), "", "hmtest.prog32");
  p.String(cr, "hmtest.prog32\\CLSID", "", kClsLib);
  p.String(lm, appPath, "", P("gone32.exe"));

  hivemend::ScanSettings settings = hivemend::DefaultScanSettings();
  settings.ticked.fill(false);
  settings.ticked[2] = settings.ticked[6] = settings.ticked[7] = true;
  std::vector<ScanRow> rows;
  Scanner scanner(settings, {[&](const ScanRow& r) { rows.push_back(r); }, {}}, stop_,
                  {"E:\\", "F:\\"});
  scanner.Run();
  std::vector<int> others;
  int libraries = 0, apps = 0, classes = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    libraries += rows[i].name == kLibGone;
    apps += rows[i].name == "hmtest32.exe";
    classes += rows[i].name == kClsLib;
    if (rows[i].text.find("gone32") == std::string::npos && rows[i].name != "hmtest.prog32")
      others.push_back(static_cast<int>(i));
  }
  // Each shared key once; the class once by the class walk of its view.
  EXPECT_EQ(libraries, 1);
  EXPECT_EQ(apps, 1);
  EXPECT_EQ(classes, 1);
  ASSERT_TRUE(FindRow(rows, kLibGone, "TypeLib"));
  ASSERT_TRUE(FindRow(rows, kClsLib, "Wow6432Node\\CLSID"));
  ASSERT_TRUE(FindRow(rows, "hmtest.prog32", ""));

  // Backup, repair and restore of these rows alone.
  hivemend::EraseRows(rows, others);
  for (ScanRow& r : rows) r.checked = true;
  t::ScratchDir store("C:\\suite-tests\\hm-views-store");
  suite::RestorePoint point(store.Path());
  ASSERT_TRUE(hivemend::BackupRows(rows, point));
  const std::string folder = point.Folder();
  hivemend::RepairOptions options;
  options.point = &point;
  options.nonFixedRoots = {"E:\\", "F:\\"};
  EXPECT_EQ(hivemend::RepairRows(rows, {}, options).removedRows.size(), rows.size());
  EXPECT_FALSE(t::KeyExists(cr, w + S("CLSID", kClsLib)));
  EXPECT_FALSE(t::KeyExists(cr, w + S("TypeLib", kLibGone)));
  EXPECT_FALSE(t::KeyExists(cr, "hmtest.prog32"));
  t::ScratchDir staging("C:\\suite-tests\\hm-views-staging");
  const std::string name = folder.substr(folder.find_last_of('\\') + 1);
  EXPECT_EQ(hivemend::RestoreBackup(store.Path(), name, staging.Path()).imported,
            static_cast<int>(rows.size()));
  EXPECT_TRUE(t::KeyExists(cr, w + S("TypeLib", kLibGone, "1.0\\0\\win32")));
  EXPECT_TRUE(t::KeyExists(cr, w + S("CLSID", kClsLib, "InprocServer32")));
  EXPECT_FALSE(t::KeyExists(cr, S("CLSID", kClsLib)));  // not into the 64-bit view
  EXPECT_TRUE(t::KeyExists(cr, "hmtest.prog32\\CLSID"));
  EXPECT_TRUE(t::KeyExists(lm, appPath));
}

TEST_F(Scan, SoftwareWalkTestsValuesNamingDrivePaths) {
  t::ScratchKey key("hivemend-sw");
  const HKEY cu = HKEY_CURRENT_USER;
  t::SetString(cu, key.Path(), "gone", P("gone.exe"));
  t::SetString(cu, key.Path(), "present", P("present.exe") + " -run");
  t::SetString(cu, key.Path(), "nodrive", "gone.exe");
  t::SetString(cu, key.Path(), "short", "C:\\a.b");
  t::SetString(cu, key.Path(), "installer", "C:\\Windows\\Installer\\{x}\\gone.msi");
  t::SetString(cu, key.Path(), "cd", "E:\\gone\\gone.exe");
  t::SetString(cu, key.Path(), "expand", P("gone2.exe"), REG_EXPAND_SZ);
  t::SetRaw(cu, key.Path(), "binary", REG_BINARY, P("gone3.exe") + std::string(1, '\0') + "zz");
  t::SetDword(cu, key.Path(), "number", 42);
  t::SetString(cu, key.Sub("deep\\deeper"), "gone", P("deep.exe"));
  // The unnamed default value comes first in the list: nothing of that key is tested.
  t::SetString(cu, key.Sub("withdefault"), "", P("gone4.exe"));
  t::SetString(cu, key.Sub("withdefault"), "named", P("gone5.exe"));

  auto rows = RunWalk([&](Scanner& s) { s.SoftwareWalk(cu, key.Path()); });
  std::vector<std::string> names;
  for (const ScanRow& r : rows) {
    names.push_back(r.path.substr(key.Path().size()) + "|" + r.name);
    EXPECT_EQ(r.rootName, "HKEY_CURRENT_USER");
    EXPECT_EQ(r.kind, "KeyValue");
    EXPECT_EQ(r.category, "用户注册表错误");
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"\\deep\\deeper|gone", "|binary", "|expand",
                                             "|gone"}));
  const ScanRow* gone = FindRow(rows, "gone", key.Path());
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->text, P("gone.exe"));
  EXPECT_EQ(FindRow(rows, "binary", key.Path())->text, P("gone3.exe"));
}

TEST_F(Scan, MachineSoftwareWalkSkipsClassesInternetAndUninstallTrees) {
  const std::string base = "Software\\SuiteTests\\hivemend-hklm";
  Planted p;
  p.Key(HKEY_LOCAL_MACHINE, base);
  p.Key(HKEY_CURRENT_USER, base);
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (const char* sub : {"plain", "My Classes", "Microsoft\\Internet Explorer",
                            "microsoft\\uninstall\\app", "Internet"})
      t::SetString(root, base + "\\" + sub, "gone", P("gone.exe"));
  }
  auto machine = RunWalk([&](Scanner& s) { s.SoftwareWalk(HKEY_LOCAL_MACHINE, base); });
  ASSERT_EQ(machine.size(), 2u);
  EXPECT_EQ(machine[0].category, "系统的注册表错误");
  EXPECT_TRUE(FindRow(machine, "gone", base + "\\plain"));
  EXPECT_TRUE(FindRow(machine, "gone", base + "\\Internet"));  // no "Microsoft" in the path
  auto user = RunWalk([&](Scanner& s) { s.SoftwareWalk(HKEY_CURRENT_USER, base); });
  EXPECT_EQ(user.size(), 5u);
}

TEST_F(Scan, StopEndsTheWalkAndKeepsTheRowsFound) {
  t::ScratchKey key("hivemend-stop");
  for (int i = 0; i < 40; ++i)
    t::SetString(HKEY_CURRENT_USER, key.Sub("k" + std::to_string(100 + i)), "gone",
                 P("gone" + std::to_string(i) + ".exe"));
  std::vector<ScanRow> rows;
  int statuses = 0;
  hivemend::ScanSink sink{[&](const ScanRow& r) { rows.push_back(r); },
                          [&](const std::string&) {
                            if (++statuses == 10) stop_ = true;
                          }};
  Scanner scanner(hivemend::DefaultScanSettings(), sink, stop_, {});
  scanner.SoftwareWalk(HKEY_CURRENT_USER, key.Path());
  EXPECT_TRUE(scanner.Stopped());
  EXPECT_GT(rows.size(), 0u);
  EXPECT_LT(rows.size(), 40u);

  // A stopped scan runs no further category.
  std::vector<ScanRow> none;
  Scanner again(hivemend::DefaultScanSettings(),
                {[&](const ScanRow& r) { none.push_back(r); }, {}}, stop_, {});
  again.Run();
  EXPECT_TRUE(none.empty());
}

TEST_F(Scan, UnscannedCategoriesAddNoRows) {
  Planted p;
  p.Key(HKEY_LOCAL_MACHINE, hivemend::kKnownVxdsKey);
  p.String(HKEY_LOCAL_MACHINE, hivemend::kKnownVxdsKey, "govxd", P("gone.vxd"));
  hivemend::ScanSettings settings = hivemend::DefaultScanSettings();
  settings.ticked.fill(false);
  settings.ticked[10] = settings.ticked[11] = true;
  int rows = 0;
  Scanner scanner(settings, {[&](const ScanRow&) { ++rows; }, {}}, stop_, {});
  scanner.Run();
  EXPECT_EQ(rows, 0);
}

TEST_F(Scan, PathTestAgreesWithTheSharedCheck) {
  const std::vector<std::string> texts = {
      P("present.exe"), P("gone.exe"), P("PRESENT.EXE"), P("present.exe") + " /x",
      "\"" + P("present.exe") + "\" -y", "\"" + P("gone.exe") + "\";" + P("present.exe"),
      P("App\\app.exe") + ",1", P("App\\gone.exe") + ",1", P("App"), P("App\\"), P("App\\."),
      P("present.exe."), P("present.exe  "), P("pres*.exe"), P("gone*.exe"), P("App\\..\\present.exe"),
      P("nofolder\\x.exe"), P("nofolder\\..\\present.exe"), P("gone.exe") + " E:\\x",
      "e:\\gone.exe", "A:\\gone\\x.exe", "C:\\a.b", "C:\\ab.cd", "c:\\windows",
      "C:\\Windows\\Installer\\x.msi", "%SystemRoot%\\x.dll", "rundll32.exe x",
      P(std::string(300, 'n') + ".exe"), P("gone.exe") + "\\", "C:\\\\double\\x.exe"};
  std::atomic<bool> stop{false};
  Scanner scanner(hivemend::DefaultScanSettings(), {}, stop, {"E:\\", "F:\\"});
  PathCheckerForTest shared;
  for (const std::string& text : texts)
    EXPECT_EQ(scanner.Present(text), shared.Check(text)) << text;
}

TEST(Preselection, WindowsFolderCommonFilesAndTemp) {
  const std::string w = "C:\\Windows";
  EXPECT_TRUE(hivemend::PreselectRow("", w));
  EXPECT_TRUE(hivemend::PreselectRow("D:\\Apps\\x.exe", w));
  EXPECT_FALSE(hivemend::PreselectRow("c:\\windows\\system32\\x.dll", w));
  EXPECT_TRUE(hivemend::PreselectRow("C:\\WINDOWS\\Temp\\setup.exe", w));
  EXPECT_FALSE(hivemend::PreselectRow("C:\\WINDOWS\\Temp\\setup.exe", w, false));
  EXPECT_FALSE(hivemend::PreselectRow("D:\\Program Files\\Common Files\\x.dll", w));
  EXPECT_EQ(hivemend::SystemFileCheckCommand(true, "C:\\W\\System"), "C:\\W\\System\\sfc.exe");
  EXPECT_EQ(hivemend::SystemFileCheckCommand(false, "C:\\W\\system32"),
            "C:\\W\\system32\\sfc.exe /SCANNOW");
}
