// The registry-entry remover: entry texts taken apart, every entry backed up
// before anything is removed, nothing removed without a backup, names that
// could reach a key itself refused, and a restore of the backup bringing the
// removed entries back.
#include "regremove.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "founditem.h"
#include "registry.h"
#include "regremoval.h"
#include "regrestore.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace dustrel;

namespace {

const HKEY kCu = HKEY_CURRENT_USER;

std::string Entry(const std::string& path, const std::string& name) {
  return "HKEY_CURRENT_USER\\" + path + "|" + name;
}

int FileCount(const std::string& folder) {
  int n = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.reg").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do ++n;
  while (FindNextFileA(find, &data));
  FindClose(find);
  return n;
}

}  // namespace

TEST(EntryText, SplitsAtTheFirstBackslashAndTheLastBar) {
  suite::RegEntry e;
  ASSERT_TRUE(ParseEntryText("HKEY_CURRENT_USER\\Software\\A|B\\C|v|x", kMarkerKeyValue, e));
  EXPECT_TRUE(e.isValue);
  EXPECT_EQ(e.rootName, "HKEY_CURRENT_USER");
  EXPECT_EQ(e.keyPath, "Software\\A|B\\C|v");
  EXPECT_EQ(e.valueName, "x");

  ASSERT_TRUE(ParseEntryText("HKEY_LOCAL_MACHINE\\Software\\Vendor|Old App", kMarkerRootKey, e));
  EXPECT_FALSE(e.isValue);
  EXPECT_EQ(e.keyPath, "Software\\Vendor\\Old App");

  // Only the exact marker "RootKey" removes a key; anything else is a value.
  ASSERT_TRUE(ParseEntryText("HKEY_CLASSES_ROOT\\x|rootkey", "rootkey", e));
  EXPECT_TRUE(e.isValue);
  ASSERT_TRUE(ParseEntryText("HKEY_USERS\\.DEFAULT\\x|y", kMarkerKeyValue, e));
}

TEST(EntryText, RefusesWhatCouldNameAKeyItselfOrAnUnknownRoot) {
  suite::RegEntry e;
  const char* refused[] = {
      "HKEY_CURRENT_USER\\Software\\Foo|",      // no subkey name: the key itself
      "HKEY_CURRENT_USER\\|Foo",                // no key path: the root
      "HKEY_CURRENT_USER\\Software\\Foo\\|x",   // trailing backslash
      "HKEY_CURRENT_USER\\\\Software|x",        // leading backslash
      "HKEY_CURRENT_USER\\Software\\\\Foo|x",   // doubled backslash
      "HKEY_CURRENT_CONFIG\\Software|x",        // not one of the roots
      "hkey_current_user\\Software|x",          // root names are exact
      "HKEY_CURRENT_USER\\Software",            // no bar
      "HKEY_CURRENT_USER|Software\\x",          // bar before the first backslash
      "",
  };
  for (const char* text : refused) {
    EXPECT_FALSE(ParseEntryText(text, kMarkerRootKey, e)) << text;
    EXPECT_FALSE(ParseEntryText(text, kMarkerKeyValue, e)) << text;
  }
  // A subkey name that ends in or holds an empty part would reach the key above.
  EXPECT_FALSE(ParseEntryText("HKEY_CURRENT_USER\\Software\\Foo|\\", kMarkerRootKey, e));
  EXPECT_FALSE(ParseEntryText("HKEY_CURRENT_USER\\Software\\Foo|Bar\\", kMarkerRootKey, e));
  EXPECT_FALSE(ParseEntryText("HKEY_CURRENT_USER\\Software\\Foo|a\\\\b", kMarkerRootKey, e));
  // A value name may hold backslashes.
  EXPECT_TRUE(ParseEntryText("HKEY_CURRENT_USER\\Software\\Foo|C:\\a.txt", kMarkerKeyValue, e));
  EXPECT_EQ(e.valueName, "C:\\a.txt");
}

TEST(EntryText, GbkTrailBytesAreNotBackslashes) {
  // "\xD5\x5C" is one GBK character whose second byte is the byte of '\'.
  suite::RegEntry e;
  ASSERT_TRUE(ParseEntryText("HKEY_CURRENT_USER\\Software\\\xD5\x5C|x", kMarkerRootKey, e));
  EXPECT_EQ(e.keyPath, "Software\\\xD5\x5C\\x");
}

TEST(Remover, BacksUpThenRemovesValuesAndKeysAndARestoreBringsThemBack) {
  t::ScratchKey key("dustrel-regremove");
  t::ScratchDir store("C:\\suite-tests\\dr-store");
  t::ScratchDir staging("C:\\suite-tests\\dr-staging");
  const std::string mru = key.Sub("Recent File List");
  t::SetString(kCu, mru, "File1", "C:\\docs\\a.txt");
  t::SetString(kCu, mru, "File2", "C:\\docs\\b.txt");
  t::SetString(kCu, mru, "Keep", "stays");
  t::SetString(kCu, key.Sub("Clips\\MostRecentClips\\deep"), "c", "clip");
  t::SetDword(kCu, key.Sub("Clips\\MostRecentClips"), "n", 7);
  t::SetString(kCu, key.Sub("Clips\\Other"), "o", "other");

  const std::vector<std::string> texts = {
      Entry(mru, "file1"),  // value names are matched without regard to case
      Entry(mru, "File2"),
      Entry(key.Sub("Clips"), "MostRecentClips"),
      Entry(mru, "NotThere"),
      "HKEY_CURRENT_USER\\" + mru + "|",  // refused: stays "not gone"
  };
  const std::vector<std::string> markers = {kMarkerKeyValue, kMarkerKeyValue, kMarkerRootKey,
                                            kMarkerKeyValue, kMarkerRootKey};
  suite::RestorePoint point(store.Path());
  const suite::RemovalReport r = RemoveRegistryEntries(texts, markers, point);
  ASSERT_TRUE(r.BackedUp());
  EXPECT_EQ(r.folder.rfind(store.Path() + "\\", 0), 0u) << r.folder;
  EXPECT_EQ(FileCount(r.folder), 3);  // one file per parseable entry that is there
  ASSERT_EQ(r.gone.size(), texts.size());
  EXPECT_TRUE(r.gone[0]);
  EXPECT_TRUE(r.gone[1]);
  EXPECT_TRUE(r.gone[2]);
  EXPECT_FALSE(r.gone[3]);  // nothing of that name was there: this run removed nothing
  EXPECT_FALSE(r.gone[4]);

  EXPECT_FALSE(t::ValueExists(kCu, mru, "File1"));
  EXPECT_FALSE(t::ValueExists(kCu, mru, "File2"));
  EXPECT_TRUE(t::ValueExists(kCu, mru, "Keep"));
  EXPECT_FALSE(t::KeyExists(kCu, key.Sub("Clips\\MostRecentClips")));
  EXPECT_TRUE(t::KeyExists(kCu, key.Sub("Clips\\Other")));

  const std::string name = r.folder.substr(r.folder.find_last_of('\\') + 1);
  const suite::RestoreResult restored = suite::RestoreBackup(store.Path(), name, staging.Path());
  EXPECT_EQ(restored.files, 3);
  EXPECT_EQ(restored.imported, 3);
  EXPECT_EQ(suite::ReadString(kCu, mru, "File1"), "C:\\docs\\a.txt");
  EXPECT_EQ(suite::ReadString(kCu, mru, "File2"), "C:\\docs\\b.txt");
  EXPECT_EQ(suite::ReadString(kCu, key.Sub("Clips\\MostRecentClips\\deep"), "c"), "clip");
  EXPECT_TRUE(t::ValueExists(kCu, key.Sub("Clips\\MostRecentClips"), "n"));
}

TEST(Remover, NeverRemovesTheKeyItselfOrEntriesWithoutAMarker) {
  t::ScratchKey key("dustrel-regremove-self");
  t::ScratchDir store("C:\\suite-tests\\dr-self");
  t::SetString(kCu, key.Sub("Foo"), "", "default data");
  t::SetString(kCu, key.Sub("Foo\\child"), "v", "x");
  const std::string foo = key.Sub("Foo");
  const std::vector<std::string> texts = {
      Entry(foo, ""),           // sub-key rule without a name
      Entry(foo, ""),           // value rule without a name: the default value
      Entry(foo, "\\"),         // a name of one backslash
      Entry(foo + "\\", "x"),   // a key path with a trailing backslash
      Entry(foo, "child"),      // no marker in the parallel list
  };
  suite::RestorePoint point(store.Path());
  const suite::RemovalReport r = RemoveRegistryEntries(
      texts, {kMarkerRootKey, kMarkerKeyValue, kMarkerRootKey, kMarkerRootKey}, point);
  EXPECT_TRUE(r.folder.empty());  // nothing parseable: no backup folder either
  EXPECT_EQ(r.gone, std::vector<bool>(texts.size(), false));
  EXPECT_TRUE(t::KeyExists(kCu, foo));
  EXPECT_TRUE(t::KeyExists(kCu, key.Sub("Foo\\child")));
  EXPECT_EQ(suite::ReadString(kCu, foo, ""), "default data");
  EXPECT_TRUE(suite::ListBackups(store.Path()).empty());
}
