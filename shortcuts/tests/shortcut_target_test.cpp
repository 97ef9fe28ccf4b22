#include "shortcut_target.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "testsupport.h"

namespace t = suite::test;
using suite::RawShortcutTarget;

namespace {
std::string Bytes(const char* s, size_t n) { return std::string(s, n); }
}  // namespace

TEST(RawShortcutScan, FindsTheFirstDrivePathWithADot) {
  EXPECT_EQ(RawShortcutTarget(Bytes("junk\0C:\\Program Files\\App\\app.exe\0more", 39)),
            "C:\\Program Files\\App\\app.exe");
  // A folder path without "." is passed over for the next drive path.
  EXPECT_EQ(RawShortcutTarget(Bytes("xC:\\Data\0yD:\\Data\\f.txt\0", 24)), "D:\\Data\\f.txt");
  // Quotes end a path like NUL bytes do.
  EXPECT_EQ(RawShortcutTarget("\"C:\\a\\b.exe\" -x"), "C:\\a\\b.exe");
  // The candidate runs to the end of the bytes when nothing ends it.
  EXPECT_EQ(RawShortcutTarget("zzC:\\x\\app.exe -run"), "C:\\x\\app.exe -run");
  // ":\" at the very start: the candidate starts there.
  EXPECT_EQ(RawShortcutTarget(":\\a.b"), ":\\a.b");
}

TEST(RawShortcutScan, NoTargetCases) {
  EXPECT_EQ(RawShortcutTarget(""), "");
  EXPECT_EQ(RawShortcutTarget("no drive path here.txt"), "");
  EXPECT_EQ(RawShortcutTarget(Bytes("C:\\Data\0E:\\Folder\0", 19)), "");
  EXPECT_EQ(suite::ReadShortcutBytes("C:\\suite-tests\\does-not-exist.lnk"), "");
}

// Real shortcut files written by Windows XP to 10 and other tools: the raw scan
// must find exactly what their bytes hold.
TEST(RawShortcutScan, RealShortcutFiles) {
  const std::string folder = t::TestDataFolder();
  if (folder.empty()) GTEST_SKIP() << "sample files not present";
  const struct {
    const char* file;
    const char* target;
  } cases[] = {
      {"EZ-Lnk_Win7_Notepad.lnk", ""},
      {"EZ-Lnk_WinVista_Notepad.lnk", "D:\\Windows\\System32\\notepad.exe"},
      {"EZ-Lnk_WinXP_Notepad.lnk", "C:\\WINDOWS\\system32\\notepad.exe"},
      {"LnkParse3_console_properties_block.lnk",
       "C:\\Windows\\SysWOW64\\WindowsPowerShell\\v1.0\\powershell.exe"},
      {"LnkParse3_decoding_error3.lnk", ""},
      {"LnkParse3_microsoft_example.lnk", "C:\\test\\a.txt"},
      {"LnkParse3_network_info.lnk", ""},
      {"LnkParse3_sample.lnk", "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft"},
      {"Network Connections.lnk", "C:\\WINDOWS\\explorer.exe"},
      {"Recently Changed.lnk", "C:\\Users\\e\\Searches\\Recently Changed.search-ms"},
      {"Sample Music.lnk", ""},
      {"Task Manager.lnk", ""},
      {"UsrClass CDburn UNC fat filesystem .dat.lnk",
       "D:\\Dropbox\\usrclass and hive examples\\Hives for lunch\\UsrClass CDburn UNC fat "
       "filesystem .dat"},
      {"WINDOWS.lnk", ""},
      {"WinHex 18.5 64-bit.lnk", "C:\\xwf18.5\\winhex64.exe"},
      {"diacritic_symbols.lnk",
       "D:\\\xc3\xb6\xc3\xb6\xc3\xb6\\\xc3\xa4\xc3\xb6\xc3\xbc\xc3\xa0\xc3\xa9\xc3\xa8\xc3\xad"
       "\xc3\xaf\xc3\xb3\xc3\xb2\xc3\xba\xc3\xbc.txt"},
      {"local.file.exec.lnk",
       "D:\\Devl.Net\\@Perso\\Shellify\\ShellifyTool\\bin\\Debug\\ShellifyTool.exe"},
      {"local.file.seven.lnk", ""},
      {"local_emoji.lnk", "C:\\Users\\Public\\Downloads\\test??and??.txt"},
      {"local_file.lnk", "C:\\Windows\\explorer.exe"},
      {"local_folder.lnk", ""},
      {"mounted_folder1_file1.lnk", ""},
      {"net_folder1_file1.lnk", ""},
      {"recent1.lnk", "C:\\Users\\heznik\\Downloads\\2020M09_01_contract.pdf"},
      {"remote.file.xp.lnk", ""},
      {"send_to_fax.lnk", ""},
      {"testWin7CdRom.lnk", "E:\\Specials\\IMG_5187_LR5.jpg"},
      {"testWin7LongFolderName.lnk", "D:\\temp\\foo\\thisisalongfolder\\bar\\History.txt"},
      {"testWin7MappedDrive.lnk", ""},
      {"testWin7NetworkPath.lnk", ""},
      {"testWin7SpecialCharactersEacute.lnk", "G:\\Temp\\\xe9" "cole.txt"},
      {"testWin7UsbDrive2.lnk", "G:\\foo\\bar\\History.txt"},
      {"testWinXpArguments.lnk", "C:\\Program Files\\PDFCreator\\History.txt"},
      {"testWinXpLongFilename.lnk", ""},
      {"testWinXpNotepadArguments.lnk", "C:\\WINDOWS\\system32\\notepad.exe"},
      {"testWinXpNotepadDefault.lnk", "C:\\WINDOWS\\system32\\notepad.exe"},
      {"testWinXpNotepadIconTree.lnk", "C:\\WINDOWS\\system32\\notepad.exe"},
      {"testWinXpUsbDrive.lnk", "G:\\usbdrive.txt"},
      {"uwp_calc.lnk", ""},
  };
  for (const auto& c : cases) {
    const std::string bytes = suite::ReadShortcutBytes(folder + "\\lnk\\" + c.file);
    ASSERT_FALSE(bytes.empty()) << c.file;
    EXPECT_EQ(RawShortcutTarget(bytes), c.target) << c.file;
  }
}

// The raw scan reads an emoji name as "test??and??.txt"; the shell-link reader
// sees the real name and keeps a working shortcut from being called broken.
TEST(ShellLinkReader, SeesUnicodeTargetsAndNeverChangesTheFile) {
  const std::string folder = t::TestDataFolder();
  if (folder.empty()) GTEST_SKIP() << "sample files not present";
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  t::ScratchDir dir("C:\\suite-tests\\shell-link");
  const std::string lnk = dir / "local_emoji.lnk";
  ASSERT_TRUE(CopyFileA((folder + "\\lnk\\local_emoji.lnk").c_str(), lnk.c_str(), FALSE));
  const std::string before = t::ReadBytes(lnk);

  const wchar_t* target = L"C:\\Users\\Public\\Downloads\\test\x2764\xfe0f" L"and\xd83c\xdf70.txt";
  CreateDirectoryW(L"C:\\Users\\Public\\Downloads", nullptr);
  DeleteFileW(target);
  EXPECT_FALSE(suite::ShellLinkTargetExists(lnk));
  HANDLE h = CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_TRUE(suite::ShellLinkTargetExists(lnk));
  DeleteFileW(target);
  EXPECT_EQ(t::ReadBytes(lnk), before);

  // Not a shortcut at all: no opinion that a target exists.
  t::WriteBytes(dir / "fake.lnk", "C:\\windows\\notepad.exe");
  EXPECT_FALSE(suite::ShellLinkTargetExists(dir / "fake.lnk"));
  CoUninitialize();
}

TEST(ShellLinkReader, StoredUnicodeTargetsOfRealFiles) {
  const std::string folder = t::TestDataFolder();
  if (folder.empty()) GTEST_SKIP() << "sample files not present";
  auto targets = [&](const char* file) {
    return suite::UnicodeShortcutTargets(suite::ReadShortcutBytes(folder + "\\lnk\\" + file));
  };
  EXPECT_EQ(targets("local_emoji.lnk"),
            std::vector<std::wstring>{
                L"C:\\Users\\Public\\Downloads\\test\x2764\xfe0f" L"and\xd83c\xdf70.txt"});
  // Files without Unicode paths give none; truncated or foreign bytes are safe.
  EXPECT_TRUE(targets("local_file.lnk").empty());
  std::string bytes = suite::ReadShortcutBytes(folder + "\\lnk\\local_emoji.lnk");
  for (size_t cut = 0; cut < bytes.size(); cut += 7)
    suite::UnicodeShortcutTargets(bytes.substr(0, cut));
  EXPECT_TRUE(suite::UnicodeShortcutTargets(std::string(0x4C, '\xff')).empty());
}

// The second opinion says "missing" only when it really could read the link.
TEST(ShellLinkReader, MissingOnlyWhenTheReaderAnswered) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  t::ScratchDir dir("C:\\suite-tests\\shell-link-missing");
  ASSERT_TRUE(t::MakeShortcut(dir / "gone.lnk", dir / "gone.exe"));
  t::WriteBytes(dir / "here.exe", "MZ");
  ASSERT_TRUE(t::MakeShortcut(dir / "here.lnk", dir / "here.exe"));
  ASSERT_TRUE(t::MakeShortcut(dir / "cd.lnk", "E:\\setup\\gone.exe"));
  EXPECT_TRUE(suite::ShellLinkTargetMissing(dir / "gone.lnk"));
  EXPECT_FALSE(suite::ShellLinkTargetMissing(dir / "here.lnk"));
  EXPECT_FALSE(suite::ShellLinkTargetMissing(dir / "cd.lnk"));  // not a fixed disk
  EXPECT_FALSE(suite::ShellLinkTargetMissing(dir / "none.lnk"));
  t::WriteBytes(dir / "text.lnk", "C:\\setup\\old\\setup.exe");
  EXPECT_FALSE(suite::ShellLinkTargetMissing(dir / "text.lnk"));
  // A thread without COM has no shell-link reader: no verdict.
  bool withoutCom = true;
  std::thread([&] { withoutCom = suite::ShellLinkTargetMissing(dir / "gone.lnk"); }).join();
  EXPECT_FALSE(withoutCom);
  CoUninitialize();
}
