#include "registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "testsupport.h"
#include "text.h"

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

// The list helpers read with read access: a key this user may read but not
// change is listed all the same.
TEST(RegistryLists, AKeyThatMayOnlyBeReadIsListed) {
  t::ScratchKey key("read-only");
  t::SetString(key.Root(), key.Path(), "value", "1");
  t::SetString(key.Root(), key.Sub("child"), "", "");
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                       &everyone));
  alignas(DWORD) BYTE acl[256];
  SECURITY_DESCRIPTOR readOnly, open;
  InitializeAcl(reinterpret_cast<PACL>(acl), sizeof acl, ACL_REVISION);
  AddAccessAllowedAce(reinterpret_cast<PACL>(acl), ACL_REVISION, KEY_READ, everyone);
  InitializeSecurityDescriptor(&readOnly, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&readOnly, TRUE, reinterpret_cast<PACL>(acl), FALSE);
  InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
  auto setAccess = [&](SECURITY_DESCRIPTOR& sd) {
    suite::UniqueKey k = suite::OpenKey(key.Root(), key.Path(), WRITE_DAC);
    return k && RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
  };
  ASSERT_TRUE(setAccess(readOnly));
  EXPECT_FALSE(suite::OpenKey(key.Root(), key.Path(), KEY_ALL_ACCESS));
  EXPECT_TRUE(suite::OpenKey(key.Root(), key.Path()));
  EXPECT_EQ(suite::SubkeyNames(key.Root(), key.Path()), std::vector<std::string>{"child"});
  EXPECT_EQ(suite::ValueNames(key.Root(), key.Path()), std::vector<std::string>{"value"});
  EXPECT_TRUE(setAccess(open));  // so that the scratch key can go
  FreeSid(everyone);
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

namespace {

class Counting : public suite::KeyTreeVisitor {
 public:
  std::vector<std::wstring> paths;
  std::function<void(const std::wstring&)> onEnter;
  bool Enter(HKEY, const std::wstring& path, int) override {
    paths.push_back(path);
    if (onEnter) onEnter(path);
    return true;
  }
};

}  // namespace

// A registry link inside a tree is never followed: the walk does not enter
// it, and the deletion leaves the whole tree as it was (the link's target
// too) and reports it not gone.
TEST(RegistryWalk, LinksAreNeverFollowedNorTheirTargetsDeleted) {
  t::ScratchKey target("walk-link-target", HKEY_LOCAL_MACHINE, "Software\\SuiteTests");
  t::ScratchKey tree("walk-link-tree", HKEY_LOCAL_MACHINE, "Software\\SuiteTests");
  t::SetString(target.Root(), target.Sub("inner"), "keep", "1");
  t::SetString(tree.Root(), tree.Sub("plain"), "v", "1");
  if (!t::MakeRegistryLink(tree.Root(), tree.Path(), L"link",
                L"\\Registry\\Machine\\Software\\SuiteTests\\walk-link-target"))
    GTEST_SKIP() << "this system makes no registry links";
  // Through the link the ANSI calls see the target.
  ASSERT_TRUE(t::KeyExists(tree.Root(), tree.Sub("link\\inner")));

  Counting walk;
  suite::UniqueKey key = suite::OpenKey(tree.Root(), tree.Path(), KEY_READ);
  ASSERT_TRUE(key);
  suite::WalkKeyTree(key.get(), L"t", KEY_READ, walk);
  for (const std::wstring& p : walk.paths) EXPECT_EQ(p.find(L"inner"), std::wstring::npos);
  key.reset();

  EXPECT_FALSE(suite::DeleteKeyTree(tree.Root(), tree.Sub("link")));  // the link itself: refused
  EXPECT_FALSE(suite::DeleteKeyTree(tree.Root(), tree.Path()));
  EXPECT_TRUE(t::ValueExists(target.Root(), target.Sub("inner"), "keep"));
  EXPECT_TRUE(t::ValueExists(tree.Root(), tree.Sub("plain"), "v"));  // whole or not at all
  t::RemoveRegistryLink(tree.Root(), tree.Path(), L"link");
}

// A key deleted while the walk is inside it ends that part of the walk; the
// walk ends and says it is incomplete (it used to enumerate the deleted key
// for ever).
TEST(RegistryWalk, AKeyDeletedDuringTheWalkEndsIt) {
  t::ScratchKey key("walk-deleted");
  for (int i = 0; i < 5; ++i)
    t::SetString(key.Root(), key.Sub("gone\\c" + std::to_string(i)), "v", "1");
  suite::UniqueKey top = suite::OpenKey(key.Root(), key.Path(), KEY_READ);
  ASSERT_TRUE(top);
  Counting walk;
  const std::string gone = key.Sub("gone");
  walk.onEnter = [&](const std::wstring& path) {
    if (path.size() > 2 && path.substr(path.size() - 2) == L"c0") suite::DeleteKeyTree(key.Root(), gone);
  };
  EXPECT_FALSE(suite::WalkKeyTree(top.get(), L"k", KEY_READ, walk));
  EXPECT_LT(walk.paths.size(), 8u);
}

TEST(RegistryWalk, DepthIsLimited) {
  t::ScratchKey key("walk-deep");
  suite::UniqueKey top = suite::OpenKey(key.Root(), key.Path(), KEY_ALL_ACCESS);
  ASSERT_TRUE(top);
  HKEY at = top.get();
  std::vector<HKEY> opened;
  for (int i = 0; i < suite::kMaxKeyDepth + 3; ++i) {
    HKEY next = nullptr;
    if (RegCreateKeyExW(at, L"d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr) != 0) break;
    opened.push_back(next);
    at = next;
  }
  for (HKEY h : opened) RegCloseKey(h);
  if (opened.size() < static_cast<size_t>(suite::kMaxKeyDepth) + 1)
    GTEST_SKIP() << "the registry nests no deeper than " << opened.size();
  Counting walk;
  EXPECT_FALSE(suite::WalkKeyTree(top.get(), L"k", KEY_READ, walk));
  EXPECT_EQ(walk.paths.size(), static_cast<size_t>(suite::kMaxKeyDepth) + 1);
}

// Names the ANSI code page cannot hold: the ANSI lists leave them out (they
// would read as "?" and name another key), the display name shows them whole,
// and the deletion takes the key by its real name only.
TEST(RegistryNames, NamesOutsideTheCodePage) {
  t::ScratchKey key("names-wide");
  suite::UniqueKey k = suite::OpenKey(key.Root(), key.Path(), KEY_ALL_ACCESS);
  ASSERT_TRUE(k);
  HKEY sub = nullptr;
  ASSERT_EQ(RegCreateKeyExW(k.get(), L"\x0e01\x0e02", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                            nullptr), 0);
  RegCloseKey(sub);
  t::SetString(key.Root(), key.Sub("??"), "v", "1");  // a real key named "??"
  ASSERT_EQ(RegSetValueExW(k.get(), L"\x0e01", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4), 0);
  t::SetString(key.Root(), key.Path(), "?", "1");
  EXPECT_EQ(suite::SubkeyNames(key.Root(), key.Path()), (std::vector<std::string>{"??"}));
  EXPECT_EQ(suite::ValueNames(key.Root(), key.Path()), (std::vector<std::string>{"?"}));
  EXPECT_EQ(suite::DisplayName(L"a\x0e01z"), "a<U+0E01>z");
  EXPECT_EQ(suite::DisplayName(L"中文"), "中文");
  bool lossless = true;
  suite::AnsiFromWide(L"\x0e01", &lossless);
  EXPECT_FALSE(lossless);

  EXPECT_TRUE(suite::DeleteKeyTreeW(key.Root(), suite::WideFromAnsi(key.Path()) + L"\\\x0e01\x0e02"));
  EXPECT_TRUE(t::KeyExists(key.Root(), key.Sub("??")));
  std::vector<std::wstring> left;
  EXPECT_TRUE(suite::SubkeyNamesW(k.get(), left));
  EXPECT_EQ(left, (std::vector<std::wstring>{L"??"}));
}

TEST(RegistryViews, ThirtyTwoBitPlacesOfTheRedirectedKeys) {
  ASSERT_TRUE(suite::HasTwoViews());  // a 64-bit program: two views by construction
  const HKEY hklm = HKEY_LOCAL_MACHINE, hkcr = HKEY_CLASSES_ROOT, hkcu = HKEY_CURRENT_USER;
  EXPECT_EQ(suite::Wow64Path(hklm, "Software"), "Software\\Wow6432Node");
  EXPECT_EQ(suite::Wow64Path(hklm, "SOFTWARE\\Acme\\Run"), "SOFTWARE\\Wow6432Node\\Acme\\Run");
  EXPECT_EQ(suite::Wow64Path(hklm, "Software\\Classes\\CLSID"),
            "Software\\Classes\\Wow6432Node\\CLSID");
  EXPECT_EQ(suite::Wow64Path(hkcr, ""), "Wow6432Node");
  EXPECT_EQ(suite::Wow64Path(hkcr, "TypeLib\\{1}"), "Wow6432Node\\TypeLib\\{1}");
  EXPECT_EQ(suite::Wow64Path(hkcu, "Software\\Classes\\CLSID"),
            "Software\\Classes\\Wow6432Node\\CLSID");
  // Already the 32-bit view, or keys both views share by path.
  for (const auto& [root, path] : std::vector<std::pair<HKEY, std::string>>{
           {hklm, "Software\\wow6432node\\Acme"}, {hklm, "Software\\Classes\\Wow6432Node"},
           {hkcr, "Wow6432Node\\CLSID"}, {hkcu, "Software\\Acme"}, {hklm, "System\\Setup"},
           {hklm, "SoftwareX"}, {HKEY_USERS, ".Default\\Software"}})
    EXPECT_EQ(suite::Wow64Path(root, path), "") << path;
  EXPECT_TRUE(suite::InWow64View("Software\\Wow6432Node\\Acme"));
  EXPECT_FALSE(suite::InWow64View("Software\\Wow6432NodeX\\Acme"));
}

TEST(RegistryViews, BothPlacesAreReadOnceAndDeletedApart) {
  t::ScratchKey native("views", HKEY_LOCAL_MACHINE, "Software\\SuiteTests");
  t::ScratchKey wow("views", HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\SuiteTests");
  t::SetString(native.Root(), native.Path(), "v", "64");
  t::SetString(wow.Root(), wow.Path(), "v", "32");
  EXPECT_EQ(suite::ViewPaths(HKEY_LOCAL_MACHINE, native.Path()),
            (std::vector<std::string>{native.Path(), wow.Path()}));
  // A key the system shares between the views (Wine links the 32-bit place to
  // the 64-bit key) is read once; so is a key the 32-bit view lacks.
  const std::string shared = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  ASSERT_TRUE(t::KeyExists(HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Microsoft\\Windows\\"
                                               "CurrentVersion\\App Paths"));
  EXPECT_EQ(suite::ViewPaths(HKEY_LOCAL_MACHINE, shared), std::vector<std::string>{shared});
  EXPECT_EQ(suite::ViewPaths(HKEY_LOCAL_MACHINE, native.Sub("none")),
            std::vector<std::string>{native.Sub("none")});
  {
    suite::UniqueKey a = suite::OpenKey(HKEY_LOCAL_MACHINE, native.Path(), KEY_READ);
    suite::UniqueKey b = suite::OpenKey(HKEY_LOCAL_MACHINE, wow.Path(), KEY_READ);
    suite::UniqueKey c = suite::OpenKey(HKEY_LOCAL_MACHINE, native.Path(), KEY_QUERY_VALUE);
    EXPECT_FALSE(suite::SameRegistryKey(a.get(), b.get()));
    EXPECT_TRUE(suite::SameRegistryKey(a.get(), c.get()));
  }
  EXPECT_TRUE(suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, wow.Path()));
  EXPECT_FALSE(t::KeyExists(HKEY_LOCAL_MACHINE, wow.Path()));
  EXPECT_TRUE(t::ValueExists(HKEY_LOCAL_MACHINE, native.Path(), "v"));
}
