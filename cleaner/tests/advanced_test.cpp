// The engines of the advanced tools window's list pages, without a window:
// file types, leftover vendor keys, startup entries, code pages, time zones
// and keyboard layouts, each seeded in the sandbox registry with uniquely
// named entries that the tests remove again; and the removal that writes
// every entry to the .reg backup store first, restored from it afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>

#include "advanced/advlist.h"
#include "advanced/filetypes.h"
#include "advanced/software.h"
#include "advanced/startup.h"
#include "advanced/systemlists.h"
#include "registry.h"
#include "regremoval.h"
#include "regrestore.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

const char kScratch[] = "C:\\suite-adv-test";
const char kStandin[] = "W:\\tests\\advanced_standin.exe";

// Keys a test makes in system places, removed when it ends; a key that was
// there before the test is never touched.
class SeededKeys {
 public:
  // False when the key existed already.
  bool Make(HKEY root, const std::string& path) {
    keys_.push_back(std::make_unique<t::SeededKey>(root, path));
    return keys_.back()->Made();
  }

 private:
  std::vector<std::unique_ptr<t::SeededKey>> keys_;
};

const AdvRow* Find(const AdvList& list, const std::string& name, size_t from = 0) {
  for (size_t i = from; i < list.rows.size(); ++i)
    if (list.rows[i].name == name) return &list.rows[i];
  return nullptr;
}

size_t IndexOf(const AdvList& list, const std::string& name, const std::string& column2) {
  for (size_t i = 0; i < list.rows.size(); ++i)
    if (list.rows[i].name == name && list.rows[i].columns.size() > 2 &&
        list.rows[i].columns[2] == column2)
      return i;
  return std::string::npos;
}

std::string LastPart(const std::string& folder) {
  const size_t cut = suite::LastBackslash(folder);
  return cut == std::string::npos ? folder : folder.substr(cut + 1);
}

}  // namespace

// ------------------------------------------------------------- file types

TEST(AdvFileTypes, ListsTypesWithIconsMarksMissingIconFilesAndHidesProtectedClasses) {
  t::ScratchDir dir(kScratch);
  const std::string present = dir / "here.ico";
  ASSERT_TRUE(t::WriteBytes(present, "not really an icon"));
  SeededKeys keys;
  ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.Missing\\DefaultIcon"));
  keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.Missing");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvT.Missing", "", "缺失图标的类型");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvT.Missing\\DefaultIcon", "", "C:\\suite-adv-gone\\gone.ico,0");
  ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.Present\\DefaultIcon"));
  keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.Present");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvT.Present\\DefaultIcon", "", present + ",1");
  ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.NoComma\\DefaultIcon"));
  keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.NoComma");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvT.NoComma\\DefaultIcon", "", "C:\\suite-adv-gone\\x.ico");
  ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, "SuiteAdvT.NoIcon"));
  // Protected classes in odd letter case (only where the system has none).
  for (const char* name : {"ODBC.FILEDSN", "iCoFiLe", "GOPHER"})
    if (keys.Make(HKEY_CLASSES_ROOT, std::string(name) + "\\DefaultIcon"))
      t::SetString(HKEY_CLASSES_ROOT, std::string(name) + "\\DefaultIcon", "", "C:\\gone\\p.ico,0");

  const AdvList list = ListFileTypes();
  ASSERT_TRUE(list.opened);
  const AdvRow* missing = Find(list, "SuiteAdvT.Missing");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->columns, (std::vector<std::string>{"SuiteAdvT.Missing", "缺失图标的类型",
                                                         kTypeFaulty, "C:\\suite-adv-gone\\gone.ico"}));
  EXPECT_TRUE(missing->checked);
  ASSERT_EQ(missing->entries.size(), 1u);
  EXPECT_EQ(suite::EntryText(missing->entries[0]), "HKEY_CLASSES_ROOT\\SuiteAdvT.Missing");

  const AdvRow* ok = Find(list, "SuiteAdvT.Present");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->columns[2], kTypeNormal);
  EXPECT_FALSE(ok->checked);
  EXPECT_EQ(ok->iconFile, present);
  EXPECT_EQ(ok->iconIndex, 1);

  const AdvRow* noComma = Find(list, "SuiteAdvT.NoComma");
  ASSERT_NE(noComma, nullptr);
  EXPECT_EQ(noComma->columns[2], kTypeNormal);
  EXPECT_EQ(noComma->columns[3], "");
  EXPECT_EQ(noComma->iconFile, "");  // the page's own icon

  EXPECT_EQ(Find(list, "SuiteAdvT.NoIcon"), nullptr);
  for (const AdvRow& row : list.rows) {
    EXPECT_FALSE(IsProtectedClass(row.name)) << row.name;
    EXPECT_EQ(Find(list, row.name), &row) << "listed twice: " << row.name;
  }
}

TEST(AdvFileTypes, ProtectedClassesMatchInAnyLetterCase) {
  for (const char* name : {"exefile", "EXEFILE", "Folder", "fOLDER", "HTTP", "https", "file",
                           "FILE", "odbc.filedsn", "Directory", "ICOFILE"})
    EXPECT_TRUE(IsProtectedClass(name)) << name;
  for (const char* name : {"exefile2", "txtfile", "http.x", ""})
    EXPECT_FALSE(IsProtectedClass(name)) << name;
}

TEST(AdvFileTypes, ExtensionsMatchTheWholeClassNameIgnoringCase) {
  SeededKeys keys;
  const char* const seeds[][2] = {{".suiteadva", "SuiteAdvT.Ext"},
                                  {".suiteadvb", "SUITEADVT.ext"},
                                  {".suiteadvc", "SuiteAdvT.Ext2"},
                                  {".suiteadvd", "SuiteAdvT"}};
  for (const auto& seed : seeds) {
    ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, seed[0]));
    t::SetString(HKEY_CLASSES_ROOT, seed[0], "", seed[1]);
  }
  std::vector<std::string> found = ExtensionsOf("SuiteAdvT.Ext");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{".suiteadva", ".suiteadvb"}));
  EXPECT_TRUE(ExtensionsOf("").empty());
}

// ---------------------------------------------------------------- vendors

TEST(AdvSoftware, ListsVendorsOfBothRootsAndNeverProtectedOnes) {
  SeededKeys keys;
  ASSERT_TRUE(keys.Make(HKEY_LOCAL_MACHINE, "Software\\SuiteAdvVendor"));
  keys.Make(HKEY_LOCAL_MACHINE, "Software\\SuiteAdvVendor\\Product One");
  keys.Make(HKEY_LOCAL_MACHINE, "Software\\SuiteAdvVendor\\Product One\\Settings");
  ASSERT_TRUE(keys.Make(HKEY_CURRENT_USER, "Software\\SuiteAdvVendor"));
  // A 32-bit program's vendor key, in the 32-bit registry view.
  keys.Make(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\SuiteAdvVendor32\\Product32");
  // Protected vendors in odd letter case, where the system has none.
  keys.Make(HKEY_CURRENT_USER, "Software\\GEMPLUS");
  keys.Make(HKEY_LOCAL_MACHINE, "Software\\winXP");
  keys.Make(HKEY_CURRENT_USER, "Software\\program groups");

  const SoftwareTexts texts{"(没有软件)", "所有用户", "当前用户"};
  const AdvList list = ListSoftware(texts);
  const size_t machine = IndexOf(list, "SuiteAdvVendor", "所有用户");
  const size_t user = IndexOf(list, "SuiteAdvVendor", "当前用户");
  ASSERT_NE(machine, std::string::npos);
  ASSERT_NE(user, std::string::npos);
  EXPECT_LT(machine, user);
  const size_t machine32 = IndexOf(list, "Wow6432Node\\SuiteAdvVendor32", "所有用户");
  ASSERT_NE(machine32, std::string::npos);
  EXPECT_EQ(list.rows[machine32].columns[1], "Product32");
  EXPECT_EQ(suite::EntryText(list.rows[machine32].entries.at(0)),
            "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\SuiteAdvVendor32");
  EXPECT_EQ(list.rows[machine].columns[1], "Product One");
  EXPECT_EQ(list.rows[user].columns[1], "(没有软件)");
  EXPECT_EQ(suite::EntryText(list.rows[machine].entries.at(0)),
            "HKEY_LOCAL_MACHINE\\Software\\SuiteAdvVendor");
  EXPECT_EQ(suite::EntryText(list.rows[user].entries.at(0)),
            "HKEY_CURRENT_USER\\Software\\SuiteAdvVendor");
  for (const AdvRow& row : list.rows) EXPECT_FALSE(IsProtectedVendor(row.name)) << row.name;
  for (const char* name : {"microsoft", "CLASSES", "Classes", "policies", "WOW6432NODE", "Gemplus"})
    EXPECT_TRUE(IsProtectedVendor(name)) << name;

  // Removing the user's row leaves the machine's key with its products.
  t::ScratchDir store("C:\\suite-adv-store");
  const suite::RemovalReport result = suite::RemoveWithBackup(list.rows[user].entries, store.Path());
  EXPECT_TRUE(result.AllGone());
  EXPECT_FALSE(t::KeyExists(HKEY_CURRENT_USER, "Software\\SuiteAdvVendor"));
  EXPECT_TRUE(t::KeyExists(HKEY_LOCAL_MACHINE, "Software\\SuiteAdvVendor\\Product One\\Settings"));
  // And the machine's row takes the whole vendor key.
  EXPECT_TRUE(suite::RemoveWithBackup(list.rows[machine].entries, store.Path()).AllGone());
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, "Software\\SuiteAdvVendor"));
}

// ---------------------------------------------------------------- startup

TEST(AdvStartup, KnownProgramMarksInTableOrder) {
  EXPECT_EQ(KnownProgramText("C:\\Program Files\\IME\\setup.exe", false), "微软拼音输入法");
  EXPECT_EQ(KnownProgramText("C:\\Program Files\\IME\\setup.exe", true), "微软输入法");
  // "im" anywhere wins over every later mark.
  EXPECT_EQ(KnownProgramText("C:\\Tencent\\qq\\Timwp.exe", false), "微软拼音输入法");
  EXPECT_EQ(KnownProgramText("C:\\Tencent\\QQ.exe", true), "腾讯QQ");
  EXPECT_EQ(KnownProgramText("RUNDLL32.EXE powrprof.dll,x", false), "电源管理");
  EXPECT_EQ(KnownProgramText("C:\\nv\\NVCPL.dll", false), "Nvdia显卡驱动");
  EXPECT_EQ(KnownProgramText("C:\\tools\\other.exe", false), "");
}

TEST(AdvStartup, ProgramPathOfACommand) {
  EXPECT_EQ(ProgramPathOf("C:\\App\\App.exe -min"), "C:\\App\\App.exe");
  EXPECT_EQ(ProgramPathOf("\"C:\\App Dir\\App.exe\" /s"), "C:\\App Dir\\App.exe");
  EXPECT_EQ(ProgramPathOf("c:\\app\\app.exe/silent -q"), "c:\\app\\app.exe");
  EXPECT_EQ(ProgramPathOf("C:\\App\\App.exe arg"), "C:\\App\\App.exe arg");
  EXPECT_EQ(ProgramPathOf("\"C:\\App Dir\\App.exe\""), "C:\\App Dir\\App.exe");
  EXPECT_EQ(ProgramPathOf("Rundll32.exe C:\\x\\y.dll,Entry /q"), "C:\\x\\y.dll,Entry");
  EXPECT_EQ(ProgramPathOf(""), "");
}

TEST(AdvStartup, ProductNameComesFromTheVersionBlock) {
  EXPECT_EQ(ProductNameOf(kStandin), "Suite Standin Product");
  EXPECT_EQ(ProductNameOf("C:\\suite-adv-gone\\none.exe"), "Unknown");
  t::ScratchDir dir(kScratch);
  ASSERT_TRUE(t::WriteBytes(dir / "plain.exe", "MZ but nothing else"));
  EXPECT_EQ(ProductNameOf(dir / "plain.exe"), "Unknown");
  EXPECT_EQ(ProductNameOf(""), "Unknown");
}

TEST(AdvStartup, IconSourceIsTheCommandUpToItsProgram) {
  EXPECT_EQ(IconSourceOf("\"C:\\A B\\x.EXE\" -y"), "C:\\A B\\x.EXE");
  EXPECT_EQ(IconSourceOf("c:\\a\\x.exe /q"), "c:\\a\\x.exe");
  EXPECT_EQ(IconSourceOf("rundll32 y.dll"), "run");
}

TEST(AdvStartup, ListsRunThenRunServicesWithDescriptions) {
  SeededKeys keys;
  keys.Make(HKEY_LOCAL_MACHINE, kRunKey);
  keys.Make(HKEY_LOCAL_MACHINE, kRunServicesKey);
  const std::string version = std::string(kStandin) + " -autorun";
  const std::string spaced = std::string(kStandin) + " plain";
  t::SavedValue v1(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvVersion");
  t::SavedValue v2(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvIme");
  t::SavedValue v3(HKEY_LOCAL_MACHINE, kRunServicesKey, "SuiteAdvIme");
  t::SavedValue v4(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvSpaced");
  t::SavedValue v5(HKEY_CURRENT_USER, kRunKey, "SuiteAdvUserOnly");
  t::SetString(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvVersion", version);
  t::SetString(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvIme", "C:\\suite\\ime\\tool.exe");
  t::SetString(HKEY_LOCAL_MACHINE, kRunServicesKey, "SuiteAdvIme", "C:\\suite\\ime\\tool.exe");
  t::SetString(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvSpaced", spaced);
  t::SetString(HKEY_CURRENT_USER, kRunKey, "SuiteAdvUserOnly", version);
  // A 32-bit program's entry, in the 32-bit registry view's Run key.
  const std::string run32 = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
  keys.Make(HKEY_LOCAL_MACHINE, run32);
  t::SavedValue v6(HKEY_LOCAL_MACHINE, run32, "SuiteAdv32");
  t::SetString(HKEY_LOCAL_MACHINE, run32, "SuiteAdv32", "C:\\suite\\x86\\tray.exe");

  const AdvList list = ListStartup();
  const AdvRow* row32 = Find(list, "Wow6432Node\\SuiteAdv32");
  ASSERT_NE(row32, nullptr);
  EXPECT_EQ(row32->columns[0], "SuiteAdv32");
  EXPECT_EQ(row32->columns[3], "Wow6432Node\\Run");
  EXPECT_EQ(suite::EntryText(row32->entries.at(0)), "HKEY_LOCAL_MACHINE\\" + run32 + "\\SuiteAdv32");
  const AdvRow* ver = Find(list, "SuiteAdvVersion");
  ASSERT_NE(ver, nullptr);
  EXPECT_EQ(ver->columns, (std::vector<std::string>{"SuiteAdvVersion", version,
                                                     "Suite Standin Product", "Run"}));
  EXPECT_EQ(ver->iconFile, kStandin);
  const AdvRow* spacedRow = Find(list, "SuiteAdvSpaced");
  ASSERT_NE(spacedRow, nullptr);
  EXPECT_EQ(spacedRow->columns[2], "Unknown");
  const AdvRow* run = Find(list, "SuiteAdvIme");
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->columns[2], "微软拼音输入法");
  EXPECT_EQ(run->columns[3], "Run");
  const AdvRow* services = Find(list, "SuiteAdvIme", static_cast<size_t>(run - list.rows.data()) + 1);
  ASSERT_NE(services, nullptr);
  EXPECT_EQ(services->columns[2], "微软输入法");
  EXPECT_EQ(services->columns[3], "RunServices");
  EXPECT_EQ(suite::EntryText(services->entries.at(0)),
            std::string("HKEY_LOCAL_MACHINE\\") + kRunServicesKey + "\\SuiteAdvIme");
  EXPECT_EQ(Find(list, "SuiteAdvUserOnly"), nullptr);

  // Removing an entry takes only its value; the program stays.
  t::ScratchDir store("C:\\suite-adv-store");
  EXPECT_TRUE(suite::RemoveWithBackup(services->entries, store.Path()).AllGone());
  EXPECT_FALSE(t::ValueExists(HKEY_LOCAL_MACHINE, kRunServicesKey, "SuiteAdvIme"));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "SuiteAdvIme"));
  EXPECT_TRUE(t::Exists(kStandin));
}

// ------------------------------------------ code pages, zones, languages

TEST(AdvSystemLists, CodePagesWithAndWithoutDescription) {
  SeededKeys keys;
  const std::string described = std::string(kCodePageKey) + "\\59991";
  const std::string bare = std::string(kCodePageKey) + "\\59992";
  ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, described));
  ASSERT_TRUE(keys.Make(HKEY_CLASSES_ROOT, bare));
  keys.Make(HKEY_CLASSES_ROOT, bare + "\\Inner");
  t::SetString(HKEY_CLASSES_ROOT, described, "Description", "测试代码页");
  const AdvList list = ListCodePages();
  ASSERT_TRUE(list.opened);
  const AdvRow* one = Find(list, "59991");
  const AdvRow* two = Find(list, "59992");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(one->columns, (std::vector<std::string>{"59991", "测试代码页"}));
  EXPECT_EQ(two->columns, (std::vector<std::string>{"59992", ""}));

  t::ScratchDir store("C:\\suite-adv-store");
  EXPECT_TRUE(suite::RemoveWithBackup(two->entries, store.Path()).AllGone());
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, bare));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, described));
}

TEST(AdvSystemLists, TimeZonesWithTheirDisplayNames) {
  SeededKeys keys;
  keys.Make(HKEY_LOCAL_MACHINE, kTimeZoneKey);
  const std::string zone = std::string(kTimeZoneKey) + "\\Suite Test Zone";
  ASSERT_TRUE(keys.Make(HKEY_LOCAL_MACHINE, zone));
  t::SetString(HKEY_LOCAL_MACHINE, zone, "Display", "(GMT+08:00) 测试时区");
  const AdvList list = ListTimeZones();
  const AdvRow* row = Find(list, "Suite Test Zone");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->columns[1], "(GMT+08:00) 测试时区");
  EXPECT_EQ(suite::EntryText(row->entries.at(0)), "HKEY_LOCAL_MACHINE\\" + zone);
}

TEST(AdvSystemLists, KeyboardLayoutsAreValuesAndRemovingOneKeepsTheKey) {
  SeededKeys keys;
  keys.Make(HKEY_CLASSES_ROOT, kLanguageKey);
  t::SavedValue value(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-test");
  t::SetString(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-test", "测试语言;Suite");
  const AdvList list = ListKeyboardLayouts();
  ASSERT_TRUE(list.opened);
  const AdvRow* row = Find(list, "x-suite-test");
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->columns[1], "测试语言;Suite");
  t::ScratchDir store("C:\\suite-adv-store");
  const suite::RemovalReport result = suite::RemoveWithBackup(row->entries, store.Path());
  EXPECT_TRUE(result.AllGone());
  EXPECT_FALSE(t::ValueExists(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-test"));
  EXPECT_TRUE(t::KeyExists(HKEY_CLASSES_ROOT, kLanguageKey));
  const suite::RestoreResult restored =
      suite::RestoreBackup(store.Path(), LastPart(result.folder));
  EXPECT_EQ(restored.imported, 1);
  EXPECT_EQ(suite::ReadString(HKEY_CLASSES_ROOT, kLanguageKey, "x-suite-test"), "测试语言;Suite");
}

TEST(AdvSystemLists, AStoppedListEndsEarly) {
  std::atomic<bool> stop{true};
  EXPECT_TRUE(ListFileTypes(&stop).rows.empty());
  EXPECT_TRUE(ListCodePages(&stop).rows.empty());
}

TEST(AdvRestoreTool, XpUsesTheRestoreFolderAndVistaTheSystemFolder) {
  EXPECT_EQ(RestoreToolPath("C:\\WINDOWS\\system32", "-XP"), "C:\\WINDOWS\\system32\\Restore\\rstrui.exe");
  EXPECT_EQ(RestoreToolPath("C:\\Windows\\system32", "-Vista"), "C:\\Windows\\system32\\rstrui.exe");
  EXPECT_EQ(RestoreToolPath("C:\\WINDOWS\\system32\\", "-2000"), "C:\\WINDOWS\\system32\\Restore\\rstrui.exe");
}
