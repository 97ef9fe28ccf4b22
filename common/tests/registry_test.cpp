#include "registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "probes.h"
#include "testsupport.h"

namespace t = suite::test;

TEST(RegistryLists, NamesInOrderAndTheDefaultValueEndsTheValueList) {
  t::ScratchKey key("lists");
  t::SetString(key.Root(), key.Path(), "first", "1");
  t::SetString(key.Root(), key.Path(), "second", std::string(1000, 'x'));  // long data
  t::SetString(key.Root(), key.Path(), "third", "3");
  EXPECT_EQ(suite::ValueNames(key.Root(), key.Path()),
            (std::vector<std::string>{"first", "second", "third"}));

  t::ScratchKey withDefault("lists-default");
  t::SetString(withDefault.Root(), withDefault.Path(), "", "default");
  t::SetString(withDefault.Root(), withDefault.Path(), "after", "x");
  auto names = suite::ValueNames(withDefault.Root(), withDefault.Path());
  // Enumeration order is the registry's; the list stops at the unnamed value.
  EXPECT_LE(names.size(), 1u);

  t::SetString(key.Root(), key.Sub("b"), "", "");
  t::SetString(key.Root(), key.Sub("a"), "", "");
  auto subkeys = suite::SubkeyNames(key.Root(), key.Path());
  std::sort(subkeys.begin(), subkeys.end());
  EXPECT_EQ(subkeys, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(suite::SubkeyNames(key.Root(), key.Sub("missing")).empty());
}

TEST(RegistryLists, ReadStringIsBounded) {
  t::ScratchKey key("readstring");
  t::SetString(key.Root(), key.Path(), "short", "C:\\x.dll");
  t::SetString(key.Root(), key.Path(), "long", std::string(300, 'y'));
  t::SetDword(key.Root(), key.Path(), "number", 7);
  EXPECT_EQ(suite::ReadString(key.Root(), key.Path(), "short"), "C:\\x.dll");
  EXPECT_EQ(suite::ReadString(key.Root(), key.Path(), "long"), "");  // does not fit 256 bytes
  EXPECT_EQ(suite::ReadString(key.Root(), key.Path(), "long", KEY_READ, 1024),
            std::string(300, 'y'));
  EXPECT_EQ(suite::ReadString(key.Root(), key.Path(), "number"), "");
  EXPECT_EQ(suite::ReadString(key.Root(), key.Path(), "missing"), "");
}

TEST(RegistryDeletion, DeletesTheWholeTreeAndNothingBeside) {
  t::ScratchKey key("tree");
  for (const char* sub : {"t\\a\\a1\\deep", "t\\a\\a2", "t\\b", "sibling"})
    t::SetString(key.Root(), key.Sub(sub), "v", "1");
  suite::DeleteKeyTree(key.Root(), key.Sub("t"));
  EXPECT_FALSE(t::KeyExists(key.Root(), key.Sub("t")));
  EXPECT_TRUE(t::KeyExists(key.Root(), key.Sub("sibling")));
}

TEST(RegistryDeletion, AnEmptyPathDeletesNothing) {
  t::ScratchKey key("tree-empty");
  suite::DeleteKeyTree(HKEY_CURRENT_USER, "");
  suite::DeleteKeyTree(HKEY_CURRENT_USER, "\\");
  EXPECT_TRUE(t::KeyExists(HKEY_CURRENT_USER, "Software"));
  EXPECT_TRUE(t::KeyExists(key.Root(), key.Path()));
}

TEST(RegistryRoots, NamesAndKeys) {
  EXPECT_EQ(suite::RootKeyFromName("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(suite::RootKeyFromName("HKEY_USERS"), HKEY_USERS);
  EXPECT_EQ(suite::RootKeyFromName("hkey_users"), nullptr);
  EXPECT_EQ(suite::RootKeyName(HKEY_CLASSES_ROOT), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(suite::RootKeyName(HKEY_CURRENT_CONFIG), "");
}

// GBK characters whose trail byte is '\' and names outside the code page must
// not break the deletion into the wrong keys.
TEST(RegistryDeletion, KeyNamesWithBackslashTrailBytesAndUnicode) {
  t::ScratchKey key("tree-names");
  const std::string odd = "\x81\x5c\x82\x5c";  // two GBK characters, trail byte 0x5C
  t::SetString(key.Root(), key.Sub(odd + "\\inner"), "v", "1");
  HKEY parent;
  ASSERT_EQ(RegOpenKeyExA(key.Root(), key.Sub(odd).c_str(), 0, KEY_ALL_ACCESS, &parent), 0);
  HKEY wide;
  ASSERT_EQ(RegCreateKeyExW(parent, L"\x263a smile", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wide,
                            nullptr), 0);
  RegCloseKey(wide);
  RegCloseKey(parent);
  t::SetString(key.Root(), key.Sub("\x81"), "keep", "1");  // a look-alike sibling
  suite::DeleteKeyTree(key.Root(), key.Sub(odd));
  EXPECT_FALSE(t::KeyExists(key.Root(), key.Sub(odd)));
  EXPECT_EQ(suite::SubkeyNames(key.Root(), key.Path()).size(), 1u);
}

TEST(Text, BackslashesAreFoundOnlyAsCharacters) {
  const std::string trail = "\x81\x5c";  // one GBK character ending in the byte of '\'
  EXPECT_EQ(suite::LastBackslash("C:\\a\\" + trail), 4u);
  EXPECT_FALSE(suite::EndsWithBackslash("C:\\" + trail));
  EXPECT_EQ(suite::JoinPath("C:\\" + trail, "x"), "C:\\" + trail + "\\x");
  EXPECT_EQ(suite::LastBackslash("none"), std::string::npos);
}
