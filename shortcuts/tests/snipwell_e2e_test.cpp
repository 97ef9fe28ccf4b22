// Starts the real Snipwell.exe in the sandbox and checks what it removed, what
// went to the Recycle Bin and what its log says.
#include <gtest/gtest.h>
#include <objbase.h>

#include <commctrl.h>

#include <algorithm>
#include <set>

#include "inifile.h"
#include "shortcut_target.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

const char kBin[] = "C:\\suite-e2e-bin";

class Snipwell : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    t::EmptyRecycleBin();
    t::RemoveTree(kBin);
    t::InstallFromDist(kBin, {"Snipwell.exe", "Snipwell.ini", "SubPro.htm", "TipList.ini"});
  }
  void TearDown() override {
    t::EmptyRecycleBin();
    t::RemoveTree(kBin);
    CoUninitialize();
  }
  static t::ProcessResult Run(const std::string& args) {
    return t::RunProcess(std::string(kBin) + "\\Snipwell.exe" + (args.empty() ? "" : " " + args),
                         kBin, 300000);
  }
  static std::string LogPath() { return std::string(kBin) + "\\Snipwell.log"; }
  static std::vector<std::string> LogFiles() {
    suite::IniFile log(LogPath());
    log.ReadFile();
    std::vector<std::string> files;
    for (int i = 0, n = log.NumValues("Files"); i < n; ++i)
      files.push_back(log.GetValue("Files", "Item" + std::to_string(i)));
    return files;
  }
  // Paths compared as the file system does: without regard to case.
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    for (auto& s : v) s = suite::ToUpper(s);
    std::sort(v.begin(), v.end());
    return v;
  }
};

}  // namespace

TEST_F(Snipwell, WithoutArgumentsEndsAtOnce) {
  t::ProcessResult r = Run("");
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_FALSE(t::Exists(LogPath()));
}

TEST_F(Snipwell, AutoSendsExactlyTheBrokenShortcutsToTheRecycleBin) {
  t::ScratchDir targets("C:\\suite-e2e-targets");
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-e2e");
  t::ScratchDir progs("C:\\Program Files\\suite-e2e");
  t::WriteBytes(targets / "app.exe", "MZ");
  t::WriteBytes(targets / "gone.exe", "MZ");
  t::WriteBytes(targets / "Installer\\gone.msi", "x");
  ASSERT_TRUE(t::MakeShortcut(desk / "healthy.lnk", targets / "app.exe"));
  ASSERT_TRUE(t::MakeShortcut(desk / "broken.lnk", targets / "gone.exe"));
  ASSERT_TRUE(t::MakeShortcut(progs / "broken too.lnk", targets / "gone.exe"));
  ASSERT_TRUE(t::MakeShortcut(desk / "installer.lnk", targets / "Installer\\gone.msi"));
  ASSERT_TRUE(t::MakeShortcut(desk / "args.lnk", targets / "app.exe", "/open C:\\nothing.txt"));
  DeleteFileA((targets / "gone.exe").c_str());
  DeleteFileA((targets / "Installer\\gone.msi").c_str());
  t::WriteBytes(desk / "cd.lnk", std::string("L\0", 2) + "E:\\setup\\gone.exe");
  t::WriteBytes(desk / "prog args.lnk", std::string("L\0", 2) + targets.Path() + "\\app.exe -x");
  t::WriteBytes(desk / "readme.lnk.txt", std::string("L\0", 2) + "C:\\nowhere\\gone.txt");
  t::WriteBytes(desk / "folder only.lnk", std::string("L\0C:\\nowhere\0", 13));
  // A text document whose name holds ".lnk" and whose text names a missing
  // program: a candidate, but no shell link, so never broken.
  t::ScratchDir docs(t::ProfileFolder() + "\\Documents\\suite-e2e");
  t::WriteBytes(docs / "notes.lnk.txt", "Old installer: C:\\setup\\old\\setup.exe\r\n");
  ASSERT_TRUE(t::MakeShortcut(desk / "gone readme.lnk.txt", "C:\\nowhere\\gone.txt"));

  t::ProcessResult r = Run("-Auto");
  ASSERT_FALSE(r.timedOut) << "the walk must end (the profile holds a link loop)";
  EXPECT_EQ(r.exitCode, 0u);

  const std::vector<std::string> broken =
      Sorted({desk / "broken.lnk", progs / "broken too.lnk", desk / "gone readme.lnk.txt"});
  EXPECT_EQ(Sorted(t::RecycledPaths()), broken);
  for (const auto& p : broken) EXPECT_FALSE(t::Exists(p)) << p;
  for (const char* kept : {"healthy.lnk", "installer.lnk", "args.lnk", "cd.lnk", "prog args.lnk",
                           "folder only.lnk", "readme.lnk.txt"})
    EXPECT_TRUE(t::Exists(desk / kept)) << kept;
  EXPECT_TRUE(t::Exists(docs / "notes.lnk.txt"));

  EXPECT_EQ(Sorted(LogFiles()), broken);
  const std::vector<std::string> order = LogFiles();
  std::string expected = "[Numbers]\r\nItem0=3\r\n\r\n[Files]\r\n";
  for (size_t i = 0; i < order.size(); ++i)
    expected += "Item" + std::to_string(i) + "=" + order[i] + "\r\n";
  expected += "\r\n";
  EXPECT_EQ(t::ReadBytes(LogPath()), expected);
}

TEST_F(Snipwell, AutoWithNothingBrokenLogsACountOfZero) {
  t::ProcessResult r = Run("-Auto");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(t::ReadBytes(LogPath()), "[Numbers]\r\nItem0=0\r\n\r\n");
}

// Nobody answers a message box in an unattended run: a log that cannot be
// created ends the program at once with status 1 (a folder stands where the
// log would be written).
TEST_F(Snipwell, AutoWhoseLogCannotBeCreatedEndsWithStatusOneAndNoBox) {
  t::MakeDirs(LogPath());
  t::WriteBytes(LogPath() + "\\keep.txt", "x");
  t::ProcessResult r = t::RunProcess(std::string(kBin) + "\\Snipwell.exe -Auto", kBin, 120000);
  EXPECT_FALSE(r.timedOut) << "a message box waited for a click";
  EXPECT_EQ(r.exitCode, 1u);
  t::RemoveTree(LogPath());
}

// Real shortcuts written by several Windows versions: the ones whose local
// target exists (or is recreated here) stay; the others are removed where the
// raw scan sees a missing path on a fixed disk.
TEST_F(Snipwell, RealShortcutFiles) {
  const std::string data = t::TestDataFolder();
  if (data.empty()) GTEST_SKIP() << "sample files not present";
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-e2e-real");
  // Recreate some of the local targets.
  const std::vector<std::string> recreated = {
      "C:\\test\\a.txt", "C:\\xwf18.5\\winhex64.exe",
      "C:\\Users\\heznik\\Downloads\\2020M09_01_contract.pdf"};
  for (const auto& p : recreated) t::WriteBytes(p, "x");
  const wchar_t* emoji = L"C:\\Users\\Public\\Downloads\\test\x2764\xfe0f" L"and\xd83c\xdf70.txt";
  CreateDirectoryW(L"C:\\Users\\Public\\Downloads", nullptr);
  CloseHandle(CreateFileW(emoji, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

  std::vector<std::string> expectRemoved, expectKept;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((data + "\\lnk\\*.lnk").c_str(), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    const std::string copy = desk / fd.cFileName;
    CopyFileA((data + "\\lnk\\" + fd.cFileName).c_str(), copy.c_str(), FALSE);
    const std::string target = suite::RawShortcutTarget(suite::ReadShortcutBytes(copy));
    const bool onC = target.rfind("C:\\", 0) == 0;
    const bool emojiName = std::string(fd.cFileName) == "local_emoji.lnk";
    // Removed only when the system's reader also names a missing target.
    if (onC && !emojiName && !t::Exists(target) && suite::ShellLinkTargetMissing(copy))
      expectRemoved.push_back(copy);
    else
      expectKept.push_back(copy);
  } while (FindNextFileA(find, &fd));
  FindClose(find);
  ASSERT_FALSE(expectRemoved.empty());

  t::ProcessResult r = Run("-Auto");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_EQ(Sorted(t::RecycledPaths()), Sorted(expectRemoved));
  for (const auto& p : expectKept) EXPECT_TRUE(t::Exists(p)) << p;
  EXPECT_EQ(Sorted(LogFiles()), Sorted(expectRemoved));

  DeleteFileW(emoji);
  for (const auto& p : recreated) DeleteFileA(p.c_str());
  t::RemoveTree("C:\\test");
  t::RemoveTree("C:\\xwf18.5");
  t::RemoveTree("C:\\Users\\heznik");
}

TEST_F(Snipwell, WindowsXpSearchesDocumentsAndSettings) {
  t::ScratchDir oldProfile("C:\\Documents and Settings\\suite-e2e");
  t::ScratchDir newProfile(t::ProfileFolder() + "\\Desktop\\suite-e2e-xp");
  ASSERT_TRUE(t::MakeShortcut(oldProfile / "broken.lnk", "C:\\suite-e2e-none\\gone.exe"));
  ASSERT_TRUE(t::MakeShortcut(newProfile / "broken.lnk", "C:\\suite-e2e-none\\gone.exe"));
  {
    t::WindowsVersionFor xp("Snipwell.exe", "winxp");
    EXPECT_EQ(Run("-Auto").exitCode, 0u);
  }
  EXPECT_FALSE(t::Exists(oldProfile / "broken.lnk"));
  EXPECT_TRUE(t::Exists(newProfile / "broken.lnk"));
  t::RemoveTree("C:\\Documents and Settings");
}

const char kCaption[] = "废弃快捷方式清理";

TEST_F(Snipwell, AnyOtherArgumentOpensTheWindowWithItsTexts) {
  t::WindowProgram program(std::string(kBin) + "\\Snipwell.exe -auto", kBin);
  HWND window = program.WaitForWindow(kCaption);
  ASSERT_NE(window, nullptr) << "the interactive window did not open";
  EXPECT_EQ(t::ControlText(window, 1000), "扫描系统");
  EXPECT_EQ(t::ControlText(window, 1001), "删除目标");
  for (int i = 0; i < 100 && !GetDlgItem(window, 1999); ++i) Sleep(50);  // made last in its start-up
  suite::IniFile tips(std::string(kBin) + "\\TipList.ini");
  ASSERT_TRUE(tips.ReadFile());
  EXPECT_FALSE(tips.GetValue("Resource", "Snipwell").empty());
  EXPECT_EQ(t::ControlText(window, 1999), tips.GetValue("Resource", "Snipwell"));  // the tip strip
  HWND header = ListView_GetHeader(GetDlgItem(window, 1005));
  EXPECT_EQ(Header_GetItemCount(header), 2);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}

// The window driven as a person would: scan, read the result, tick all, delete.
TEST_F(Snipwell, WindowScansTicksAndDeletes) {
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-e2e-ui");
  ASSERT_TRUE(t::MakeShortcut(desk / "one.lnk", "C:\\suite-e2e-none\\one.exe"));
  ASSERT_TRUE(t::MakeShortcut(desk / "two.lnk", "C:\\suite-e2e-none\\two.exe"));
  suite::IniFile ini(std::string(kBin) + "\\Snipwell.ini");
  ASSERT_TRUE(ini.ReadFile());

  t::WindowProgram program(std::string(kBin) + "\\Snipwell.exe /show", kBin);
  HWND window = program.WaitForWindow(kCaption);
  ASSERT_NE(window, nullptr);
  HWND list = GetDlgItem(window, 1005);

  t::ClickButton(window, 1000);
  HWND box = program.WaitForMessageBox(window);
  ASSERT_NE(box, nullptr) << "no message at the end of the scan";
  EXPECT_EQ(t::MessageBoxText(box), ini.GetValue("Resource", "strMess1"));
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_EQ(t::ControlText(window, 1004), ini.GetValue("Resource", "strMess1"));
  EXPECT_EQ(t::ControlText(window, 1000), "扫描系统");

  // Rows start unticked: deleting now removes nothing and logs a count of 0.
  t::ClickButton(window, 1001);
  box = program.WaitForMessageBox(window);
  ASSERT_NE(box, nullptr);
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  Sleep(300);
  EXPECT_EQ(t::ReadBytes(LogPath()), "[Numbers]\r\nItem0=0\r\n\r\n");
  EXPECT_TRUE(t::Exists(desk / "one.lnk"));

  t::ClickButton(window, 1002);  // tick all
  t::ClickButton(window, 1001);  // delete
  box = program.WaitForMessageBox(window);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), ini.GetValue("Resource", "strMess2"));
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  Sleep(300);
  EXPECT_EQ(ListView_GetItemCount(list), 0);
  EXPECT_FALSE(t::Exists(desk / "one.lnk"));
  EXPECT_FALSE(t::Exists(desk / "two.lnk"));
  EXPECT_EQ(Sorted(LogFiles()), Sorted({desk / "one.lnk", desk / "two.lnk"}));

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}

// Stop ends the analysis at the next shortcut: rows found so far stay, the
// window answers at once, and nothing is deleted.
TEST_F(Snipwell, StopEndsTheScanAndKeepsItsRows) {
  t::ScratchDir desk(t::ProfileFolder() + "\\Desktop\\suite-e2e-stop");
  for (int i = 0; i < 60; ++i)
    ASSERT_TRUE(t::MakeShortcut(desk / ("s" + std::to_string(i) + ".lnk"), "C:\\none\\x.exe"));
  t::WindowProgram program(std::string(kBin) + "\\Snipwell.exe /show", kBin);
  HWND window = program.WaitForWindow(kCaption);
  ASSERT_NE(window, nullptr);
  HWND list = GetDlgItem(window, 1005);
  HWND button = GetDlgItem(window, 1000);

  t::ClickButton(window, 1000);
  // The button is enabled again once the file search is over.
  for (int i = 0; i < 200 && !IsWindowEnabled(button); ++i) Sleep(50);
  Sleep(500);
  ASSERT_TRUE(IsWindowEnabled(button));
  t::ClickButton(window, 1000);
  HWND box = program.WaitForMessageBox(window, 10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(t::MessageBoxText(box), "扫描被用户中止!");
  SendMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(t::ControlText(window, 1004), "扫描中止");
  EXPECT_EQ(t::ControlText(window, 1000), "扫描系统");
  Sleep(300);
  const int rows = ListView_GetItemCount(list);
  EXPECT_LT(rows, 60);
  Sleep(500);
  EXPECT_EQ(ListView_GetItemCount(list), rows) << "the stopped scan went on";

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
  for (int i = 0; i < 60; ++i) EXPECT_TRUE(t::Exists(desk / ("s" + std::to_string(i) + ".lnk")));
}

