#include "regremoval.h"
#include "regrestore.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "registry.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

const HKEY kCu = HKEY_CURRENT_USER;

std::string LastPart(const std::string& folder) {
  const size_t cut = suite::LastBackslash(folder);
  return cut == std::string::npos ? folder : folder.substr(cut + 1);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.reg").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(RemoveWithBackup, RemovesAClassAndItsExtensionAfterTheBackupAndTheBackupBringsThemBack) {
  t::ScratchDir store("C:\\suite-tests\\removal-store");
  t::SeededKey icon(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone\\DefaultIcon");
  ASSERT_TRUE(icon.Made());
  t::SeededKey cls(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone\\DefaultIcon", "", "C:\\gone\\g.ico,2");
  t::SetString(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone", "", "即将删除");
  t::SeededKey ext(HKEY_CLASSES_ROOT, ".suiteadvgone");
  ASSERT_TRUE(ext.Made());
  t::SetString(HKEY_CLASSES_ROOT, ".suiteadvgone", "", "SuiteAdvT.Gone");

  const std::vector<suite::RegEntry> entries = {
      suite::KeyEntry("HKEY_CLASSES_ROOT", ".suiteadvgone"),
      suite::KeyEntry("HKEY_CLASSES_ROOT", "SuiteAdvT.Gone")};
  const suite::RemovalReport result = suite::RemoveWithBackup(entries, store.Path());
  ASSERT_TRUE(result.BackedUp());
  EXPECT_TRUE(result.AllGone());
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone"));
  EXPECT_FALSE(t::KeyExists(HKEY_CLASSES_ROOT, ".suiteadvgone"));

  const suite::RestoreResult restored =
      suite::RestoreBackup(store.Path(), LastPart(result.folder));
  EXPECT_EQ(restored.files, 2);
  EXPECT_EQ(restored.imported, 2);
  EXPECT_EQ(suite::ReadString(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone\\DefaultIcon", ""), "C:\\gone\\g.ico,2");
  EXPECT_EQ(suite::ReadString(HKEY_CLASSES_ROOT, "SuiteAdvT.Gone", ""), "即将删除");
  EXPECT_EQ(suite::ReadString(HKEY_CLASSES_ROOT, ".suiteadvgone", ""), "SuiteAdvT.Gone");
}

TEST(RemoveWithBackup, NothingIsRemovedWhenTheBackupCannotBeWritten) {
  t::ScratchDir dir("C:\\suite-tests\\removal-nobackup");
  const std::string notAFolder = dir / "store-is-a-file";
  ASSERT_TRUE(t::WriteBytes(notAFolder, "x"));
  t::ScratchKey key("AdvRemoveNoBackup");
  t::SetString(key.Root(), key.Path(), "kept", "value");
  const suite::RemovalReport result = suite::RemoveWithBackup(
      {suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "kept"),
       suite::KeyEntry("HKEY_CURRENT_USER", key.Path())},
      notAFolder);
  EXPECT_FALSE(result.BackedUp());
  EXPECT_FALSE(result.AllGone());
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Path(), "kept"));
}

TEST(RemoveWithBackup, AnEntryTheBackupCannotHoldStaysAndTheRemovalSaysSo) {
  t::ScratchDir store("C:\\suite-tests\\removal-store");
  t::ScratchKey key("AdvRemoveNotHeld");
  // A value name with a line break cannot be written to a .reg file.
  t::SetString(key.Root(), key.Path(), "line\nbreak", "x");
  const suite::RemovalReport result =
      suite::RemoveWithBackup({suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "line\nbreak")},
                       store.Path());
  EXPECT_TRUE(result.BackedUp());
  EXPECT_FALSE(result.AllGone());
  EXPECT_TRUE(t::ValueExists(key.Root(), key.Path(), "line\nbreak"));
}


// A removed value's file holds that value alone: bringing it back leaves the
// key's other values as they are by then.
TEST(RemoveWithBackup, AValuesBackupRestoresThatValueAndNothingElse) {
  t::ScratchDir store("C:\\suite-tests\\removal-value");
  t::ScratchKey key("removal-value");
  t::SetString(kCu, key.Path(), "stale", "C:\\gone\\x.dll");
  t::SetDword(kCu, key.Path(), "count", 1);
  t::SetString(kCu, key.Sub("sub"), "inner", "old");
  const suite::RemovalReport removed = suite::RemoveWithBackup(
      {suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "stale")}, store.Path());
  ASSERT_TRUE(removed.AllGone());
  // Another program changes the key meanwhile.
  t::SetDword(kCu, key.Path(), "count", 2);
  t::SetString(kCu, key.Sub("sub"), "inner", "new");
  t::ScratchDir staging("C:\\suite-tests\\removal-value-staging");
  EXPECT_EQ(suite::RestoreBackup(store.Path(), LastPart(removed.folder), staging.Path()).imported, 1);
  EXPECT_EQ(suite::ReadString(kCu, key.Path(), "stale"), "C:\\gone\\x.dll");
  DWORD count = 0, size = sizeof count;
  RegGetValueA(kCu, key.Path().c_str(), "count", RRF_RT_REG_DWORD, nullptr, &count, &size);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(suite::ReadString(kCu, key.Sub("sub"), "inner"), "new");
}

// Every removal of one run goes into one folder, numbered without gaps; what
// a point holds already is not written twice, what is not there not at all.
TEST(RemoveWithBackup, OneRestorePointPerRun) {
  t::ScratchDir store("C:\\suite-tests\\removal-point");
  t::ScratchKey key("removal-point");
  t::SetString(kCu, key.Path(), "a", "1");
  t::SetString(kCu, key.Path(), "b", "2");
  t::SetString(kCu, key.Sub("tree\\deep"), "c", "3");
  suite::RestorePoint point(store.Path());
  std::vector<bool> held;
  ASSERT_TRUE(point.Write({suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "a")}, held));
  EXPECT_TRUE(suite::RemoveWithBackup({suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "a"),
                                       suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "none")},
                                      point).gone[0]);
  EXPECT_TRUE(suite::RemoveWithBackup({suite::ValueEntry("HKEY_CURRENT_USER", key.Path(), "b"),
                                       suite::KeyEntry("HKEY_CURRENT_USER", key.Sub("tree"))},
                                      point).AllGone());
  ASSERT_EQ(suite::ListBackups(store.Path()).size(), 1u);
  EXPECT_EQ(FilesIn(point.Folder()), (std::vector<std::string>{"RB0.reg", "RB1.reg", "RB2.reg"}));
  t::ScratchDir staging("C:\\suite-tests\\removal-point-staging");
  EXPECT_EQ(suite::RestoreBackup(store.Path(), LastPart(point.Folder()), staging.Path()).imported, 3);
  EXPECT_EQ(suite::ReadString(kCu, key.Path(), "a"), "1");
  EXPECT_EQ(suite::ReadString(kCu, key.Path(), "b"), "2");
  EXPECT_EQ(suite::ReadString(kCu, key.Sub("tree\\deep"), "c"), "3");
}

// What a deletion took is put back from the copy taken before it; what it
// never removed keeps what it holds now.
TEST(KeyTreeCopy, PutsBackWhatWentWithItsValues) {
  t::ScratchKey key("removal-putback");
  t::SetString(kCu, key.Sub("row\\a"), "v", "1");
  t::SetString(kCu, key.Sub("row\\kept"), "w", "2");
  t::SetRaw(kCu, key.Sub("row\\z\\deep"), "bin", REG_BINARY, std::string("\0\1\2", 3));
  const std::wstring row = suite::WideFromAnsi(key.Sub("row"));
  const suite::KeyTreeCopy copy = suite::CopyKeyTree(kCu, row);
  ASSERT_TRUE(copy.complete);
  ASSERT_EQ(copy.keys.size(), 5u);
  ASSERT_TRUE(suite::DeleteKeyTree(kCu, key.Sub("row\\z")));
  RegDeleteKeyA(kCu, key.Sub("row\\a").c_str());
  t::SetString(kCu, key.Sub("row\\kept"), "w", "changed since");
  EXPECT_TRUE(suite::PutBackKeyTree(kCu, row, copy));
  EXPECT_EQ(suite::ReadString(kCu, key.Sub("row\\a"), "v"), "1");
  std::string bin(3, 'x');
  DWORD size = 3;
  EXPECT_EQ(RegGetValueA(kCu, key.Sub("row\\z\\deep").c_str(), "bin", RRF_RT_REG_BINARY, nullptr,
                         &bin[0], &size),
            ERROR_SUCCESS);
  EXPECT_EQ(bin, std::string("\0\1\2", 3));
  EXPECT_EQ(suite::ReadString(kCu, key.Sub("row\\kept"), "w"), "changed since");
}
