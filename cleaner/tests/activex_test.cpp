// The ActiveX control manager without a window: the type-library walk over
// seeded libraries (healthy, orphaned, a "\2" resource index, a control-cache
// file, relative, quoted and dot-less paths), the advice, the registry-only
// removal with its backup (and a restore bringing everything back), and the
// unregistering removal, its record, registering again and removing a record
// with the project's test control.
#include "advanced/activex.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <regex>

#include "registry.h"
#include "regstore.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

const HKEY kCr = HKEY_CLASSES_ROOT;
const HKEY kLm = HKEY_LOCAL_MACHINE;

// Library identifiers of the seeded type libraries (HKCR\TypeLib\<id>).
std::string Lib(int n) { return suite::Format("{7A0C0DE0-5EED-4A11-8C00-0000000000%02d}", n); }
std::string Cls(int n) { return suite::Format("{7A0C0DE1-5EED-4A11-8C00-0000000000%02d}", n); }
std::string Iid(int n) { return suite::Format("{7A0C0DE2-5EED-4A11-8C00-0000000000%02d}", n); }

// The seeded HKEY_CLASSES_ROOT keys, removed again at the end of each test.
// Libraries, classes and interfaces go below `view` ("Wow6432Node\\": the
// 32-bit registry view), ProgIDs into the classes both views share.
class SeededClasses {
 public:
  explicit SeededClasses(std::string view = "") : view_(std::move(view)) {}
  ~SeededClasses() {
    for (const std::string& k : keys_) suite::DeleteKeyTree(kCr, k);
  }
  void Library(int n, const std::string& name, const std::string& version, const std::string& file) {
    const std::string lib = view_ + "TypeLib\\" + Lib(n);
    Own(lib);
    t::SetString(kCr, lib + "\\" + version, "", name);
    t::SetString(kCr, lib + "\\" + version + "\\0\\win32", "", file);
    t::SetString(kCr, lib + "\\" + version + "\\FLAGS", "", "0");
  }
  void Class(int n, const std::string& server, const std::string& progId) {
    const std::string cls = view_ + "CLSID\\" + Cls(n);
    Own(cls);
    t::SetString(kCr, cls + "\\InprocServer32", "", server);
    if (!progId.empty()) t::SetString(kCr, cls + "\\ProgID", "", progId);
  }
  void ProgId(const std::string& name, const std::string& clsid) {
    Own(name);
    t::SetString(kCr, name, "", "seeded ProgID");
    if (!clsid.empty()) t::SetString(kCr, name + "\\CLSID", "", clsid);
  }
  void Interface(int n, const std::string& proxy) {
    const std::string iid = view_ + "Interface\\" + Iid(n);
    Own(iid);
    t::SetString(kCr, iid, "", "ISeeded");
    t::SetString(kCr, iid + "\\ProxyStubClsid32", "", proxy);
  }
  void Own(const std::string& key) { keys_.push_back(key); }

 private:
  std::string view_;
  std::vector<std::string> keys_;
};

const ActiveXEntry* Find(const std::vector<ActiveXEntry>& list, const std::string& libId) {
  for (const ActiveXEntry& e : list)
    if (e.keyPath.find(libId) != std::string::npos) return &e;
  return nullptr;
}

std::vector<ActiveXEntry> Walk() {
  std::vector<ActiveXEntry> list;
  EXPECT_TRUE(ListTypeLibraries(list));
  return list;
}

std::string FolderName(const std::string& folder) {
  const size_t cut = folder.find_last_of('\\');
  return cut == std::string::npos ? folder : folder.substr(cut + 1);
}

bool Recycled(const std::string& path) {
  for (const std::string& p : t::RecycledPaths())
    if (suite::EqualsNoCase(p, path)) return true;
  return false;
}

// The project's test control (beside this test program), copied into a
// scratch folder.
std::string InstallControl(const t::ScratchDir& dir, const std::string& name) {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string source = self;
  source = source.substr(0, source.find_last_of('\\') + 1) + name;
  const std::string target = dir / name;
  EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << source;
  return target;
}

const char kControlLib[] = "{5E1F3A12-7B2C-4D3E-9A41-0000C0FFEE01}";

void ForgetControl() {
  for (const char* tail : {"0000C0FFEE01", "0000C0FFEE11"}) {
    suite::DeleteKeyTree(kCr, std::string("CLSID\\{5E1F3A10-7B2C-4D3E-9A41-") + tail + "}");
    suite::DeleteKeyTree(kCr, std::string("Interface\\{5E1F3A11-7B2C-4D3E-9A41-") + tail + "}");
    suite::DeleteKeyTree(kCr, std::string("TypeLib\\{5E1F3A12-7B2C-4D3E-9A41-") + tail + "}");
  }
  suite::DeleteKeyTree(kCr, "SuiteTest.Control.1");
  suite::DeleteKeyTree(kCr, "SuiteTest.FailingControl.1");
}

}  // namespace

TEST(ActiveXPaths, TrailingIndexAndControlCacheRules) {
  EXPECT_EQ(StripResourceIndex("C:\\a\\b.tlb\\2"), "C:\\a\\b.tlb");
  EXPECT_EQ(StripResourceIndex("C:\\a\\b.dll"), "C:\\a\\b.dll");
  EXPECT_EQ(StripResourceIndex("C:\\a\\b.dll\\12"), "C:\\a\\b.dll\\12");  // two characters stay
  EXPECT_EQ(StripResourceIndex("C:\\a\\"), "C:\\a");
  EXPECT_EQ(StripResourceIndex("stdole2.tlb"), "stdole2.tlb");
  EXPECT_EQ(StripResourceIndex(""), "");

  EXPECT_TRUE(IsControlCachePath("C:\\vb\\grid.oca"));
  EXPECT_TRUE(IsControlCachePath("C:\\VB\\GRID.OCA"));
  EXPECT_FALSE(IsControlCachePath("C:\\vb\\grid.ocx"));
  // A folder whose name holds ".oca" is no control cache.
  EXPECT_FALSE(IsControlCachePath("C:\\data.ocache\\grid.dll"));
}

TEST(ActiveXPaths, OrphanTest) {
  t::ScratchDir dir("C:\\suite-tests\\ax-orphan");
  ASSERT_TRUE(t::WriteBytes(dir / "present.ocx", "MZ"));
  ASSERT_TRUE(t::WriteBytes(dir / "cache.oca", "x"));
  EXPECT_FALSE(IsOrphanPath(dir / "present.ocx"));
  EXPECT_TRUE(IsOrphanPath(dir / "gone.ocx"));
  EXPECT_TRUE(IsOrphanPath(dir / "cache.oca"));          // even though it exists
  EXPECT_FALSE(IsOrphanPath("\"" + (dir / "gone.ocx") + "\""));  // quoted: not judged
  EXPECT_FALSE(IsOrphanPath("gone-relative.ocx"));          // relative with a dot
  EXPECT_TRUE(IsOrphanPath("gone-relative-nodot"));         // no dot at all
  EXPECT_TRUE(IsOrphanPath(dir / "nodotfile"));
  // A wildcard must not let the search find another file.
  EXPECT_TRUE(IsOrphanPath(dir / "pres*.ocx"));
}

TEST(ActiveXWalk, ListsEveryWin32FileWithItsNameAndTheOrphanTick) {
  t::ScratchDir dir("C:\\suite-tests\\ax-walk");
  ASSERT_TRUE(t::WriteBytes(dir / "healthy.ocx", "MZ"));
  ASSERT_TRUE(t::WriteBytes(dir / "indexed.dll", "MZ"));
  ASSERT_TRUE(t::WriteBytes(dir / "grid.oca", "x"));
  SeededClasses seed;
  seed.Library(1, "Healthy Library", "1.0", dir / "healthy.ocx");
  seed.Library(2, "Orphan Library", "2.1", dir / "gone.ocx");
  seed.Library(3, "Indexed Library", "1.0", dir / "indexed.dll\\2");
  seed.Library(4, "Cache Library", "1.0", dir / "grid.oca");
  seed.Library(5, "Relative Library", "1.0", "gone-relative.ocx");
  seed.Library(6, "Quoted Library", "1.0", "\"" + (dir / "gone.ocx") + "\"");
  seed.Library(7, "Dotless Library", "1.0", dir / "nodotfile");
  // A long path is read whole (no 256-byte cut).
  const std::string longPath = dir.Path() + "\\" + std::string(300, 'l') + ".ocx";
  seed.Library(8, "Long Library", "1.0", longPath);

  const std::vector<ActiveXEntry> list = Walk();
  struct Expect {
    int lib;
    std::string name;
    bool orphan;
    const char* advice;
    bool registryOnly;
  };
  const Expect expected[] = {
      {1, "Healthy Library 1.0", false, "strNotDeleteActiveX", false},
      {2, "Orphan Library 2.1", true, "strYesDeleteActiveX", true},
      {3, "Indexed Library 1.0", false, "strNotDeleteActiveX", false},
      {4, "Cache Library 1.0", true, "strDebugActiveX", true},
      {5, "Relative Library 1.0", false, "strNotDeleteActiveX", false},
      {6, "Quoted Library 1.0", false, "strNotDeleteActiveX", false},
      {7, "Dotless Library 1.0", true, "strYesDeleteActiveX", true},
      {8, "Long Library 1.0", true, "strYesDeleteActiveX", true},
  };
  const std::regex date("[0-9]{4}-[0-9]{2}-[0-9]{2}\\|[0-9]{2}:[0-9]{2}");
  for (const Expect& x : expected) {
    SCOPED_TRACE(x.name);
    const ActiveXEntry* e = Find(list, Lib(x.lib));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->keyPath, "TypeLib\\" + Lib(x.lib) + "\\" + x.name.substr(x.name.rfind(' ') + 1) +
                              "\\0\\win32");
    EXPECT_EQ(e->displayName, x.name);
    EXPECT_EQ(IsOrphanEntry(*e), x.orphan);
    const ActiveXAdvice a = AdviseOn(*e);
    EXPECT_EQ(a.adviceKey, x.advice);
    EXPECT_EQ(a.registryOnly, x.registryOnly);
    if (a.fileFound)
      EXPECT_TRUE(std::regex_match(a.date, date)) << a.date;
    else
      EXPECT_EQ(a.date, "无法得知!");
  }
  EXPECT_EQ(Find(list, Lib(3))->filePath, dir / "indexed.dll\\2");  // shown as stored
  EXPECT_TRUE(AdviseOn(*Find(list, Lib(3))).fileFound);
  EXPECT_TRUE(AdviseOn(*Find(list, Lib(4))).fileFound);
  EXPECT_EQ(Find(list, Lib(8))->filePath, longPath);
}

TEST(ActiveXMatch, ClassesProgIdsAndInterfacesOfTheFileOnlySafeProgIds) {
  SeededClasses seed;
  const std::string file = "C:\\suite-tests\\ax-match\\gone.ocx";
  seed.Class(11, "c:\\SUITE-TESTS\\ax-match\\GONE.ocx", "SuiteAx.Gone.1");  // case differs
  seed.ProgId("SuiteAx.Gone.1", Cls(11));
  seed.Class(12, file, "CLSID");            // a structural key
  seed.Class(13, file, "SuiteAx\\Nested");  // a path
  seed.Class(14, file, "SuiteAx.Shared");  // a newer class took the ProgID over
  seed.ProgId("SuiteAx.Shared", Cls(15));
  seed.Class(15, "C:\\suite-tests\\ax-match\\newer.ocx", "SuiteAx.Shared");
  seed.Class(16, "C:\\suite-tests\\ax-match\\other.ocx", "");
  seed.Interface(11, Cls(11));
  seed.Interface(12, Cls(16));

  const ActiveXMatches m = CollectMatches(file);
  std::vector<std::string> classes = m.classes;
  std::sort(classes.begin(), classes.end());
  EXPECT_EQ(classes, (std::vector<std::string>{Cls(11), Cls(12), Cls(13), Cls(14)}));
  EXPECT_EQ(m.progIds, std::vector<std::string>{"SuiteAx.Gone.1"});
  EXPECT_EQ(m.interfaces, std::vector<std::string>{Iid(11)});
}

TEST(ActiveXRemoval, RegistryOnlyRemovesTheRowsLibraryVersionAfterItsBackupAndARestoreBringsItBack) {
  t::ScratchDir store("C:\\suite-tests\\ax-store");
  t::ScratchDir staging("C:\\suite-tests\\ax-staging");
  SeededClasses seed;
  const std::string file = "C:\\suite-tests\\ax-gone\\control.ocx";
  seed.Library(21, "Gone Control", "1.0", file);
  t::SetString(kCr, "TypeLib\\" + Lib(21) + "\\2.0", "", "Gone Control");  // a second version
  t::SetString(kCr, "TypeLib\\" + Lib(21) + "\\2.0\\0\\win32", "", file);
  seed.Class(21, file, "SuiteAx.GoneControl.1");
  seed.ProgId("SuiteAx.GoneControl.1", Cls(21));
  seed.Class(22, file, "CLSID");  // never deleted as a ProgID
  seed.Interface(21, Cls(21));
  seed.Interface(22, "{00000000-0000-0000-0000-000000000000}");

  const std::vector<ActiveXEntry> list = Walk();
  const ActiveXEntry* e = Find(list, Lib(21));
  ASSERT_NE(e, nullptr);
  ASSERT_TRUE(AdviseOn(*e).registryOnly);
  const RegistryRemoval r = RemoveRegistryOnly(*e, store.Path());
  ASSERT_TRUE(r.BackedUp());
  EXPECT_TRUE(r.Complete());
  ASSERT_EQ(r.entries.size(), 5u);  // two classes, one ProgID, one interface, the version
  EXPECT_EQ(r.entries.back().keyPath, "TypeLib\\" + Lib(21) + "\\1.0");
  EXPECT_FALSE(t::KeyExists(kCr, "TypeLib\\" + Lib(21) + "\\1.0"));
  EXPECT_TRUE(t::KeyExists(kCr, "TypeLib\\" + Lib(21) + "\\2.0\\0\\win32"));  // its own row
  EXPECT_FALSE(t::KeyExists(kCr, "CLSID\\" + Cls(21)));
  EXPECT_FALSE(t::KeyExists(kCr, "CLSID\\" + Cls(22)));
  EXPECT_FALSE(t::KeyExists(kCr, "SuiteAx.GoneControl.1"));
  EXPECT_FALSE(t::KeyExists(kCr, "Interface\\" + Iid(21)));
  EXPECT_TRUE(t::KeyExists(kCr, "Interface\\" + Iid(22)));
  EXPECT_TRUE(t::KeyExists(kCr, "CLSID"));

  // Every deleted key comes back from its backup.
  const suite::RestoreResult restored =
      suite::RestoreBackup(store.Path(), FolderName(r.folder), staging.Path());
  EXPECT_EQ(restored.files, 5);
  EXPECT_EQ(restored.imported, 5);
  EXPECT_EQ(suite::ReadString(kCr, "TypeLib\\" + Lib(21) + "\\1.0\\0\\win32", ""), file);
  EXPECT_EQ(suite::ReadString(kCr, "TypeLib\\" + Lib(21) + "\\1.0", ""), "Gone Control");
  EXPECT_EQ(suite::ReadString(kCr, "CLSID\\" + Cls(21) + "\\InprocServer32", ""), file);
  EXPECT_EQ(suite::ReadString(kCr, "SuiteAx.GoneControl.1\\CLSID", ""), Cls(21));
  EXPECT_EQ(suite::ReadString(kCr, "Interface\\" + Iid(21) + "\\ProxyStubClsid32", ""), Cls(21));
}

// A 32-bit control of a 64-bit Windows: its classes and interfaces lie in the
// 32-bit view, its library in the TypeLib both views share (Wine and Windows
// 7 link the 32-bit place to it). Listed once; its removal takes the 32-bit
// view's keys, not only the library (restoring into that view: Hivemend's test).
TEST(ActiveXRemoval, ThirtyTwoBitControlIsRemovedFromItsOwnView) {
  t::ScratchDir store("C:\\suite-tests\\ax-store-32");
  const std::string w = "Wow6432Node\\";
  SeededClasses seed32(w), seed64;
  const std::string file = "C:\\suite-tests\\ax-gone32\\control.ocx";
  seed32.Library(51, "Gone 32-bit Control", "1.0", file);
  seed32.Class(51, file, "SuiteAx.Gone32.1");
  seed64.ProgId("SuiteAx.Gone32.1", Cls(51));
  seed32.Interface(51, Cls(51));

  const std::vector<ActiveXEntry> list = Walk();
  int listed = 0;
  for (const ActiveXEntry& e : list) listed += e.keyPath.find(Lib(51)) != std::string::npos;
  EXPECT_EQ(listed, 1);
  const ActiveXEntry* e = Find(list, Lib(51));
  ASSERT_NE(e, nullptr);
  const RegistryRemoval r = RemoveRegistryOnly(*e, store.Path());
  EXPECT_TRUE(r.Complete());
  ASSERT_EQ(r.entries.size(), 4u);
  EXPECT_FALSE(t::KeyExists(kCr, w + "CLSID\\" + Cls(51)));
  EXPECT_FALSE(t::KeyExists(kCr, w + "Interface\\" + Iid(51)));
  EXPECT_FALSE(t::KeyExists(kCr, w + "TypeLib\\" + Lib(51)));
  EXPECT_FALSE(t::KeyExists(kCr, "SuiteAx.Gone32.1"));
}

TEST(ActiveXRemoval, ControlCacheFileGoesRegistryOnlyAndTheFileStays) {
  t::ScratchDir store("C:\\suite-tests\\ax-store-oca");
  t::ScratchDir dir("C:\\suite-tests\\ax-oca");
  ASSERT_TRUE(t::WriteBytes(dir / "grid.oca", "cache"));
  SeededClasses seed;
  seed.Library(31, "Grid Cache", "1.0", dir / "grid.oca");
  const ActiveXEntry* e = nullptr;
  const std::vector<ActiveXEntry> list = Walk();
  e = Find(list, Lib(31));
  ASSERT_NE(e, nullptr);
  const RegistryRemoval r = RemoveRegistryOnly(*e, store.Path());
  EXPECT_TRUE(r.Complete());
  EXPECT_FALSE(t::KeyExists(kCr, "TypeLib\\" + Lib(31)));
  EXPECT_TRUE(t::Exists(dir / "grid.oca"));
}

TEST(ActiveXRemoval, NothingIsDeletedWithoutABackupOrForALiveFile) {
  t::ScratchDir dir("C:\\suite-tests\\ax-nobackup");
  // A file where the store's folder would be: no backup can be written.
  ASSERT_TRUE(t::WriteBytes(dir / "store", "not a folder"));
  SeededClasses seed;
  seed.Library(41, "Unbacked Control", "1.0", dir / "gone.ocx");
  seed.Class(41, dir / "gone.ocx", "");
  seed.Library(42, "Live Control", "1.0", dir / "live.ocx");
  const std::vector<ActiveXEntry> list = Walk();
  ASSERT_NE(Find(list, Lib(41)), nullptr);
  ASSERT_NE(Find(list, Lib(42)), nullptr);

  RegistryRemoval r = RemoveRegistryOnly(*Find(list, Lib(41)), dir / "store");
  EXPECT_FALSE(r.BackedUp());
  EXPECT_FALSE(r.Complete());
  EXPECT_TRUE(t::KeyExists(kCr, "TypeLib\\" + Lib(41)));
  EXPECT_TRUE(t::KeyExists(kCr, "CLSID\\" + Cls(41)));

  // The file came back after the list was made: checked again, refused.
  ASSERT_TRUE(t::WriteBytes(dir / "live.ocx", "MZ"));
  r = RemoveRegistryOnly(*Find(list, Lib(42)), dir.Path());
  EXPECT_TRUE(r.refused);
  EXPECT_TRUE(t::KeyExists(kCr, "TypeLib\\" + Lib(42)));
}

TEST(ActiveXRemoval, LibraryIdentifierIsTheKeyRightBelowTypeLib) {
  EXPECT_EQ(LibraryIdentifier("TypeLib\\{AB}\\1.0\\0\\win32"), "{AB}");
  EXPECT_EQ(LibraryIdentifier("typelib\\plainname\\1.0\\0\\win32"), "plainname");
  EXPECT_EQ(LibraryIdentifier("TypeLib\\"), "");
  EXPECT_EQ(LibraryIdentifier("TypeLib\\\\x"), "");
  EXPECT_EQ(LibraryIdentifier("CLSID\\{AB}\\win32"), "");
  ActiveXEntry e;
  e.keyPath = "TypeLib\\";
  e.filePath = "C:\\gone\\x.ocx";
  EXPECT_TRUE(RegistryOnlyEntries(e).empty());
}

class ActiveXControl : public ::testing::Test {
 protected:
  void SetUp() override { ForgetControl(); }
  void TearDown() override { ForgetControl(); }
  t::ScratchKey records_{"ax-records", kLm};
  t::ScratchDir dir_{"C:\\suite-tests\\ax-control"};
};

TEST_F(ActiveXControl, ResourceIndexIsCutForUnregisteringAndTheRecord) {
  const std::string dll = InstallControl(dir_, "ActiveXTestControl.dll");
  ASSERT_EQ(CallRegistration(dll, true), RegistrationResult::Done);
  // The library names its file with a resource index, as type libraries
  // bound into a DLL do.
  t::SetString(kCr, std::string("TypeLib\\") + kControlLib + "\\1.0\\0\\win32", "", dll + "\\2");
  std::vector<ActiveXEntry> list = Walk();
  const ActiveXEntry* e = Find(list, kControlLib);
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(AdviseOn(*e).registryOnly);
  EXPECT_EQ(UnregisterAndRecord(*e, records_.Path()).outcome, UnregisterOutcome::Unregistered);
  const std::vector<ActiveXRecord> records = ListRecords(records_.Path());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].filePath, dll);
}

TEST_F(ActiveXControl, RelativeQuotedAndMissingFilesFailToLoad) {
  ActiveXEntry e;
  e.keyPath = "TypeLib\\{7A0C0DE0-5EED-4A11-8C00-000000000099}\\1.0\\0\\win32";
  e.displayName = "Nowhere 1.0";
  for (const std::string& path :
       {std::string("gone-relative-control.ocx"), "\"" + (dir_ / "ActiveXTestControl.dll") + "\"",
        dir_ / "gone.ocx"}) {
    SCOPED_TRACE(path);
    e.filePath = path;
    EXPECT_EQ(UnregisterAndRecord(e, records_.Path()).outcome, UnregisterOutcome::LoadFailed);
  }
  EXPECT_TRUE(ListRecords(records_.Path()).empty());
}

TEST_F(ActiveXControl, TwoControlsOfOneNameKeepTwoRecords) {
  t::SetString(kLm, records_.Path(), "Suite Test Control Library 1.0", "C:\\elsewhere\\old.ocx");
  const std::string dll = InstallControl(dir_, "ActiveXTestControl.dll");
  ASSERT_EQ(CallRegistration(dll, true), RegistrationResult::Done);
  std::vector<ActiveXEntry> list = Walk();
  ASSERT_NE(Find(list, kControlLib), nullptr);
  const UnregisterResult u = UnregisterAndRecord(*Find(list, kControlLib), records_.Path());
  EXPECT_EQ(u.outcome, UnregisterOutcome::Unregistered);
  EXPECT_EQ(u.recordName, "Suite Test Control Library 1.0 (2)");
  const std::vector<ActiveXRecord> records = ListRecords(records_.Path());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(suite::ReadString(kLm, records_.Path(), "Suite Test Control Library 1.0"),
            "C:\\elsewhere\\old.ocx");
}

TEST_F(ActiveXControl, RemoveRecordRecyclesTheFileAndDropsTheRecordOnlyWhenItIsGone) {
  const std::string dll = InstallControl(dir_, "ActiveXTestControl.dll");
  t::SetString(kLm, records_.Path(), "Recycled 1.0", dll);
  t::SetString(kLm, records_.Path(), "Missing 1.0", dir_ / "gone.ocx");
  t::SetString(kLm, records_.Path(), "Relative 1.0", "relative.ocx");
  EXPECT_EQ(ListRecords(records_.Path()).size(), 3u);

  EXPECT_EQ(RemoveRecord({"Recycled 1.0", dll}, nullptr, records_.Path()),
            RemoveRecordOutcome::FileRecycled);
  EXPECT_FALSE(t::Exists(dll));
  EXPECT_TRUE(Recycled(dll));
  EXPECT_FALSE(t::ValueExists(kLm, records_.Path(), "Recycled 1.0"));

  EXPECT_EQ(RemoveRecord({"Missing 1.0", dir_ / "gone.ocx"}, nullptr, records_.Path()),
            RemoveRecordOutcome::FileWasMissing);
  EXPECT_FALSE(t::ValueExists(kLm, records_.Path(), "Missing 1.0"));

  // A path that cannot be judged touches nothing.
  EXPECT_EQ(RemoveRecord({"Relative 1.0", "relative.ocx"}, nullptr, records_.Path()),
            RemoveRecordOutcome::FileProtected);
  EXPECT_TRUE(t::ValueExists(kLm, records_.Path(), "Relative 1.0"));
}

TEST_F(ActiveXControl, RemoveRecordKeepsFileAndRecordWithoutARecycleBin) {
  const std::string dll = InstallControl(dir_, "ActiveXTestControl.dll");
  t::SetString(kLm, records_.Path(), "Kept 1.0", dll);
  {
    t::RecycleBinUnavailable noBin;
    ASSERT_TRUE(noBin.Active());
    EXPECT_EQ(RemoveRecord({"Kept 1.0", dll}, nullptr, records_.Path()),
              RemoveRecordOutcome::FileNotRemoved);
  }
  EXPECT_TRUE(t::Exists(dll));
  EXPECT_TRUE(t::ValueExists(kLm, records_.Path(), "Kept 1.0"));
}

