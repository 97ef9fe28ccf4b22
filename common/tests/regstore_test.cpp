#include "regstore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "cleanlog.h"
#include "handles.h"
#include "registry.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

std::string Counting(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(i * 7 + 1));
  return s;
}

std::wstring Wide(const std::string& s) {
  std::wstring w(s.size() + 1, L'\0');
  w.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_ACP, 0, s.c_str(), static_cast<int>(s.size()), &w[0],
                          static_cast<int>(w.size()))));
  return w;
}

// Text that holds a GBK character whose second byte is a backslash.
const std::string kTrail = "乗俓刓塡";

}  // namespace

TEST(RegFile, LayoutOfValuesAndSections) {
  t::ScratchKey key("hivemend-layout");
  const HKEY cu = HKEY_CURRENT_USER;
  t::SetString(cu, key.Path(), "", "C:\\a\\b");
  t::SetString(cu, key.Path(), "quote", "say \"hi\"");
  t::SetDword(cu, key.Path(), "dw", 255);
  t::SetRaw(cu, key.Path(), "bin", REG_BINARY, Counting(22));
  t::SetRaw(cu, key.Path(), "t10", 10, Bytes({1, 2}));
  t::SetRaw(cu, key.Path(), "qw", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  t::SetRaw(cu, key.Sub("empty"), "x", REG_SZ, "");
  RegDeleteKeyA(HKEY_CURRENT_USER, (key.Sub("empty")).c_str());
  {
    suite::UniqueKey k;
    RegCreateKeyExA(cu, key.Sub("empty").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                    nullptr);
  }
  const std::string full = "HKEY_CURRENT_USER\\" + key.Path();
  const std::string text = suite::ExportText("HKEY_CURRENT_USER", key.Path(), false);
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n[" + full + "]\r\n", 0), 0u);
  EXPECT_NE(text.find("@ = \"C:\\\\a\\\\b\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"quote\" = \"say \\\"hi\\\"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"dw\" = dword:000000ff\r\n"), std::string::npos);
  std::string first;
  for (int i = 0; i < 21; ++i) first += suite::Format(i ? ",%02x" : "%02x", (i * 7 + 1) & 0xff);
  EXPECT_NE(text.find("\"bin\" = hex:" + first + ",\\\r\n" +
                      suite::Format("%02x", (21 * 7 + 1) & 0xff) + "\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\"t10\" = hex(a):01,02\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"qw\" = hex(b):01,00,00,00,00,00,00,00\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n[" + full + "\\empty]\r\n"), std::string::npos);  // no values
  EXPECT_EQ(suite::ExportText("HKEY_CURRENT_USER", key.Path(), true).rfind("REGEDIT4\r\n", 0),
            0u);
  // An unknown root writes no key data.
  EXPECT_EQ(suite::ExportText("HKEY_NOWHERE", key.Path(), false),
            "Windows Registry Editor Version 5.00\r\n");
  // GBK text: a trail byte with the value of a backslash is not doubled.
  t::SetString(cu, key.Sub("gbk"), "名", kTrail + "\\x");
  EXPECT_NE(suite::ExportText("HKEY_CURRENT_USER", key.Sub("gbk"), false)
                .find("\"名\" = \"" + kTrail + "\\\\x\"\r\n"),
            std::string::npos);
}

class RoundTrip : public ::testing::TestWithParam<bool> {};

// Every value type, awkward names and data: written to backup files, removed,
// restored through the system registry editor, compared value by value.
TEST_P(RoundTrip, RestoreBringsBackEveryValueExactly) {
  const bool regedit4 = GetParam();
  t::ScratchKey key(regedit4 ? "hivemend-rt4" : "hivemend-rt5");
  t::ScratchDir store(regedit4 ? "C:\\suite-tests\\hm-store4" : "C:\\suite-tests\\hm-store5");
  const HKEY cu = HKEY_CURRENT_USER;
  const std::string k = key.Sub("app");
  t::SetString(cu, k, "", "default \"value\"");
  t::SetString(cu, k, "plain", "C:\\Program Files\\App\\app.exe");
  t::SetString(cu, k, "na\"me\\with", "trail\\");
  t::SetString(cu, k, "中文名" + kTrail, "中文数据 " + kTrail + " \"q\" \\\\server\\share");
  t::SetString(cu, k, "emptystr", "");
  t::SetString(cu, k, "lines", "first\r\nsecond\n");
  t::SetRaw(cu, k, "shortdword", REG_DWORD, Bytes({1, 2}));
  t::SetString(cu, k, "expand", "%SystemRoot%\\系统\\" + kTrail, REG_EXPAND_SZ);
  t::SetRaw(cu, k, "multi", REG_MULTI_SZ, std::string("one\0两个\0", 9) + kTrail + std::string(2, '\0'));
  t::SetRaw(cu, k, "none", REG_NONE, Bytes({0, 1, 2, 0xff}));
  t::SetRaw(cu, k, "bin", REG_BINARY, Counting(100));
  t::SetRaw(cu, k, "emptybin", REG_BINARY, "");
  t::SetDword(cu, k, "dw", 0xdeadbeef);
  t::SetRaw(cu, k, "bigendian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 1, 2}));
  t::SetRaw(cu, k, "link", REG_LINK, Bytes({'\\', 0, 'R', 0}));
  t::SetRaw(cu, k, "res8", REG_RESOURCE_LIST, Counting(30));
  t::SetRaw(cu, k, "res9", REG_FULL_RESOURCE_DESCRIPTOR, Counting(5));
  t::SetRaw(cu, k, "res10", REG_RESOURCE_REQUIREMENTS_LIST, Counting(44));
  t::SetRaw(cu, k, "qword", REG_QWORD, Counting(8));
  t::SetRaw(cu, k, "type20", 0x20, Counting(3));
  t::SetString(cu, k + "\\子键 ]" + kTrail, "inner", "x");
  t::SetString(cu, k + "\\sub\\deeper", "", "deep");
  t::SetString(cu, key.Sub("values"), "gone", "C:\\gone\\gone.exe");
  t::SetString(cu, key.Sub("values"), "keep", "text \"quoted\"");
  // Names outside the ANSI code page, as Unicode programs leave them: only a
  // version 5 file can carry them.
  const std::wstring thaiKey = std::wstring(L"\x0e01\x0e02");
  const std::wstring wideKey = Wide(k) + L"\\" + thaiKey;
  if (!regedit4) {
    suite::UniqueKey wk;
    RegCreateKeyExW(cu, wideKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, wk.put(), nullptr);
    const std::wstring data = L"\x0e03 data";
    RegSetValueExW(wk.get(), L"\x0e04", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
  const t::Snapshot before = t::TakeSnapshot(cu, key.Path());

  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string folder = suite::CreateBackupFolder(store.Path(), now);
  ASSERT_FALSE(folder.empty());
  ASSERT_TRUE(suite::BackupEntryFile(suite::KeyEntry("HKEY_CURRENT_USER", k), folder + "\\RB0.reg",
                                     regedit4));
  ASSERT_TRUE(suite::BackupEntryFile(
      suite::ValueEntry("HKEY_CURRENT_USER", key.Sub("values"), "gone"), folder + "\\RB1.reg",
      regedit4));
  ASSERT_TRUE(suite::DeleteKeyTree(cu, k));
  RegDeleteKeyValueA(cu, key.Sub("values").c_str(), "gone");
  ASSERT_FALSE(t::KeyExists(cu, k));
  ASSERT_FALSE(t::ValueExists(cu, key.Sub("values"), "gone"));

  const std::string name = folder.substr(folder.find_last_of('\\') + 1);
  t::ScratchDir staging("C:\\suite-tests\\hm-staging");
  const suite::RestoreResult restored = suite::RestoreBackup(store.Path(), name, staging.Path());
  EXPECT_EQ(restored.files, 2);
  EXPECT_EQ(restored.imported, 2);
  const t::Snapshot after = t::TakeSnapshot(cu, key.Path());
  if (!regedit4) {
    wchar_t data[64] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegGetValueW(cu, wideKey.c_str(), L"\x0e04", RRF_RT_REG_SZ, nullptr, data, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(data), L"\x0e03 data");
  }
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [path, values] : before) {
    ASSERT_TRUE(after.count(path)) << path;
    const auto& got = after.at(path);
    EXPECT_EQ(got.size(), values.size()) << path;
    for (const auto& [valueName, value] : values) {
      ASSERT_TRUE(got.count(valueName)) << path << " | " << valueName;
      EXPECT_EQ(got.at(valueName).type, value.type) << valueName;
      EXPECT_EQ(got.at(valueName).data, value.data) << valueName;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Headers, RoundTrip, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Regedit4" : "Version5"; });

TEST(BackupStore, FolderNamesSuffixesAndDeletion) {
  SYSTEMTIME time{};
  time.wYear = 2007;
  time.wMonth = 3;
  time.wDay = 9;
  time.wHour = 8;
  time.wMinute = 5;
  EXPECT_EQ(suite::BackupFolderName(time), "03-09-2007 08-05 备份");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_NT, 5, 1, ""), "-XP");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_NT, 5, 0, ""), "-2000");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_NT, 5, 2, ""), "");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_NT, 6, 0, ""), "");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_NT, 6, 1, ""), "");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " A"), "-98SE");
  EXPECT_EQ(suite::BackupSuffixFor(VER_PLATFORM_WIN32_NT, 4, 0, ""), "-NT");

  t::ScratchDir store("C:\\suite-tests\\hm-store");
  const std::string first = suite::CreateBackupFolder(store.Path(), time);
  const std::string second = suite::CreateBackupFolder(store.Path(), time);
  EXPECT_EQ(first, store.Path() + "\\03-09-2007 08-05 备份");
  EXPECT_EQ(second, store.Path() + "\\03-09-2007 08-05 备份 (2)");
  t::WriteBytes(store / "notes.txt", "x");
  t::WriteBytes(second + "\\RB0.reg", "x");
  t::WriteBytes(second + "\\inner\\file", "x");
  SetFileAttributesA((second + "\\RB0.reg").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(suite::ListBackups(store.Path()),
            (std::vector<std::string>{"03-09-2007 08-05 备份", "03-09-2007 08-05 备份 (2)"}));
  EXPECT_FALSE(suite::DeleteBackup(store.Path(), ".."));
  EXPECT_FALSE(suite::DeleteBackup(store.Path(), ""));
  EXPECT_TRUE(suite::DeleteBackup(store.Path(), "03-09-2007 08-05 备份 (2)"));
  EXPECT_EQ(suite::ListBackups(store.Path()),
            (std::vector<std::string>{"03-09-2007 08-05 备份"}));
  EXPECT_TRUE(t::Exists(store / "notes.txt"));
  EXPECT_TRUE(suite::ListBackups("C:\\suite-tests\\no-such-store").empty());
}

TEST(Restore, ImportsTheChosenBackupsOwnFilesOverStaleStagedOnes) {
  t::ScratchKey key("hivemend-stage");
  t::ScratchDir store("C:\\suite-tests\\hm-stage-store");
  t::ScratchDir staging("C:\\suite-tests\\hm-stage-temp");
  const std::string full = "HKEY_CURRENT_USER\\" + key.Path();
  // A file left by an earlier restore under the same staged name, read-only.
  t::WriteBytes(staging / "RB0.reg", std::string("REGEDIT4\r\n\r\n[") + full +
                                         "]\r\n\"v\"=\"stale\"\r\n");
  SetFileAttributesA((staging / "RB0.reg").c_str(), FILE_ATTRIBUTE_READONLY);
  t::WriteBytes(store / "b\\RB0.reg", std::string("REGEDIT4\r\n\r\n[") + full +
                                          "]\r\n\"v\"=\"fresh\"\r\n");
  t::WriteBytes(store / "b\\notes.txt", "not a backup file");
  const auto result = suite::RestoreBackup(store.Path(), "b", staging.Path());
  EXPECT_EQ(result.files, 1);
  EXPECT_EQ(result.imported, 1);
  // The import has finished when the restore returns.
  EXPECT_EQ(suite::ReadString(HKEY_CURRENT_USER, key.Path(), "v"), "fresh");
  EXPECT_EQ(suite::RestoreBackup(store.Path(), "..\\x", staging.Path()).files, 0);
}
