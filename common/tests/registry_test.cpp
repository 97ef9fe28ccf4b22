#include "registry.h"

#include <gtest/gtest.h>

#include <algorithm>

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
