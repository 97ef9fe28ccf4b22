// Patchmoor as the console runs it: a seeded Windows folder and uninstall
// entries, "Patchmoor.exe -Auto", then the Recycle Bin and the log.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "patchscan.h"
#include "registry.h"
#include "sysinfo.h"
#include "testsupport.h"

namespace t = suite::test;
using namespace patchmoor;

namespace {

const char* const kIds[] = {"KB9900001", "KB9900002", "KB9900003", "KB9900005"};
constexpr char kUpperId[] = "KB9900004";  // its log file is "KB9900004.LOG"

// Update logs, backup folders and uninstall entries in the sandbox's Windows
// folder and registry, removed again at the end.
class SeededWindows {
 public:
  SeededWindows() : win_(suite::WindowsFolder()) {
    Remove();
    for (const char* id : kIds) t::WriteBytes(win_ + "\\" + id + ".log", "installed");
    t::WriteBytes(win_ + "\\" + kUpperId + ".LOG", "installed");
    // KB9900001: nested folders, 10 + 20 + 5 KB.
    t::WriteBytes(Folder("KB9900001") + "\\a.dll", std::string(10 * 1024, 'a'));
    t::WriteBytes(Folder("KB9900001") + "\\sp2\\deeper\\b.dll", std::string(20 * 1024, 'b'));
    t::WriteBytes(Folder("KB9900001") + "\\sp2\\c.cat", std::string(5 * 1024, 'c'));
    // KB9900002: missing. KB9900003: empty. KB9900005: 3 KB.
    t::MakeDirs(Folder("KB9900003"));
    t::WriteBytes(Folder("KB9900005") + "\\spuninst.exe", std::string(3 * 1024 + 10, 'e'));
    // The folder of the upper-case log: never found under its id, never removed.
    t::WriteBytes(Folder(kUpperId) + "\\keep.dll", std::string(8 * 1024, 'k'));
    t::SetString(HKEY_LOCAL_MACHINE, Key("KB9900001"), "DisplayName",
                 "Windows XP 安全更新程序 (KB9900001)");
    t::SetString(HKEY_LOCAL_MACHINE, Key("KB9900001"), "HelpLink", "http://example.test/9900001");
    t::SetString(HKEY_LOCAL_MACHINE, Key("KB9900003"), "UninstallString", "spuninst.exe");
  }
  ~SeededWindows() { Remove(); }

  std::string Folder(const std::string& id) const { return BackupFolderFor(win_, id); }
  static std::string Key(const std::string& id) { return std::string(kUninstallKey) + "\\" + id; }
  const std::string& Windows() const { return win_; }

 private:
  void Remove() {
    for (const std::string id : {"KB9900001", "KB9900002", "KB9900003", "KB9900004", "KB9900005"}) {
      DeleteFileA((win_ + "\\" + id + ".log").c_str());
      t::RemoveTree(Folder(id));
      suite::DeleteKeyTree(HKEY_LOCAL_MACHINE, Key(id));
    }
    t::RemoveTree(Folder("KB9900004.LOG"));
  }
  std::string win_;
};

bool Recycled(const std::string& path) {
  const auto paths = t::RecycledPaths();
  return std::find(paths.begin(), paths.end(), path) != paths.end();
}

}  // namespace

TEST(PatchmoorEndToEnd, AutoRecyclesTheBackupFoldersAndLogsWhatItRemoved) {
  SeededWindows seed;
  t::EmptyRecycleBin();
  t::ScratchDir app("C:\\suite-tests\\patchmoor-app");
  t::InstallFromDist(app.Path(), {"Patchmoor.exe"});
  const std::string log = app / "Patchmoor.log";

  // What the window lists for this Windows folder.
  const PatchScanResult scan = ScanPatchBackups(seed.Windows());
  std::vector<const PatchBackup*> ours;
  for (const PatchBackup& row : scan.rows)
    if (row.id.rfind("KB99000", 0) == 0) ours.push_back(&row);
  ASSERT_EQ(ours.size(), 5u);
  auto row = [&](const std::string& id) -> const PatchBackup& {
    for (const PatchBackup* r : ours)
      if (r->id == id) return *r;
    ADD_FAILURE() << "no row " << id;
    return *ours[0];
  };
  EXPECT_EQ(row("KB9900001").sizeText, "35     KB");
  EXPECT_EQ(row("KB9900001").displayName, "Windows XP 安全更新程序 (KB9900001)");
  EXPECT_EQ(row("KB9900001").helpLink, "http://example.test/9900001");
  EXPECT_EQ(row("KB9900002").sizeText, "√");
  EXPECT_EQ(row("KB9900002").displayName, "Windows 安全更新 - KB9900002");
  EXPECT_EQ(row("KB9900003").sizeText, "√");
  EXPECT_EQ(row("KB9900003").displayName, "Windows 其他更新 - KB9900003");
  EXPECT_EQ(row("KB9900004.LOG").sizeText, "√");
  EXPECT_EQ(row("KB9900005").sizeText, "3      KB");
  EXPECT_EQ(scan.totalKb, 38u);  // nothing else in the sandbox's Windows folder
  EXPECT_EQ(StatisticsLine(scan.rows.size(), scan.totalKb),
            "统计信息:安装的补丁备份 - 5 个, 共占用空间 - 0 MB");

  // Without an argument the program ends at once and touches nothing.
  t::ProcessResult none = t::RunProcess("\"" + (app / "Patchmoor.exe") + "\"", app.Path(), 30000);
  EXPECT_EQ(none.exitCode, 0u);
  EXPECT_TRUE(t::Exists(seed.Folder("KB9900001")));
  EXPECT_FALSE(t::Exists(log));

  t::ProcessResult run =
      t::RunProcess("\"" + (app / "Patchmoor.exe") + "\" -Auto", app.Path(), 60000);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0u);

  // The three folders that existed went to the Recycle Bin.
  std::vector<std::string> expected;
  for (const PatchBackup* r : ours)
    if (r->id == "KB9900001" || r->id == "KB9900003" || r->id == "KB9900005")
      expected.push_back(r->folder);
  ASSERT_EQ(expected.size(), 3u);
  for (const std::string& folder : expected) {
    EXPECT_FALSE(t::Exists(folder)) << folder;
    EXPECT_TRUE(Recycled(folder)) << folder;
  }
  // The upper-case log's folder, the update logs and the uninstall entries stay.
  EXPECT_TRUE(t::Exists(seed.Folder(kUpperId) + "\\keep.dll"));
  EXPECT_TRUE(t::Exists(seed.Windows() + "\\KB9900001.log"));
  EXPECT_TRUE(t::Exists(seed.Windows() + "\\KB9900004.LOG"));
  EXPECT_TRUE(t::KeyExists(HKEY_LOCAL_MACHINE, SeededWindows::Key("KB9900001")));

  // The log names exactly the removed folders, in list order.
  std::string text = "[Numbers]\r\nItem0=3\r\n\r\n[Files]\r\n";
  for (size_t i = 0; i < expected.size(); ++i)
    text += "Item" + std::to_string(i) + "=" + expected[i] + "\r\n";
  text += "\r\n";
  EXPECT_EQ(t::ReadBytes(log), text);

  // A second pass finds nothing left to remove: the missing and already
  // cleaned folders are not reported as removed.
  run = t::RunProcess("\"" + (app / "Patchmoor.exe") + "\" -Auto", app.Path(), 60000);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(t::ReadBytes(log), "[Numbers]\r\nItem0=0\r\n\r\n");
  size_t recycled = 0;  // unit tests running at the same time recycle their own files
  for (const std::string& path : t::RecycledPaths())
    if (path.rfind(seed.Windows() + "\\$NtUninstallKB99000", 0) == 0) ++recycled;
  EXPECT_EQ(recycled, 3u);
}

// The window driven as a person would: scan, read the statistics, clean the
// ticked rows; the interactive clean writes no log.
TEST(PatchmoorEndToEnd, WindowScansCleansAndScansAgain) {
  SeededWindows seed;
  t::EmptyRecycleBin();
  t::ScratchDir app("C:\\suite-tests\\patchmoor-window");
  t::InstallFromDist(app.Path(), {"Patchmoor.exe"});
  t::WindowProgram program("\"" + (app / "Patchmoor.exe") + "\" /show", app.Path());
  HWND window = program.WaitForWindow("补丁备份清理");
  ASSERT_NE(window, nullptr) << "the window did not open";
  HWND list = GetDlgItem(window, 1001);
  auto answer = [&](const std::string& expected) {
    HWND box = program.WaitForMessageBox(window);
    ASSERT_NE(box, nullptr) << "no message " << expected;
    EXPECT_EQ(t::MessageBoxText(box), expected);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 50 && IsWindow(box); ++i) Sleep(100);
  };

  t::ClickButton(window, 1000);  // nothing listed yet
  answer("未选中任何清理备份条目!");
  t::ClickButton(window, 1);
  answer("扫描完成,请您确认一下哪些补丁的备份需要清除,打勾后选清理即可");
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(t::ControlText(window, 1008), "统计信息:安装的补丁备份 - 5 个, 共占用空间 - 0 MB");
  t::ClickButton(window, 1000);  // rows, none ticked
  answer("未选中任何清理备份条目!");
  EXPECT_TRUE(t::Exists(seed.Folder("KB9900001")));

  t::ClickButton(window, 1003);
  HWND help = program.WaitForMessageBox(window);
  ASSERT_NE(help, nullptr);
  EXPECT_NE(t::ControlText(help, 1010).find("注意:我们清理的是补丁的备份,而非系统文件."),
            std::string::npos);
  PostMessageA(help, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 50 && IsWindow(help); ++i) Sleep(100);

  t::ClickButton(window, 1004);  // tick all
  t::ClickButton(window, 1000);
  bool done = false;
  for (int i = 0; i < 300 && !done; ++i) {
    Sleep(100);
    done = !t::Exists(seed.Folder("KB9900001")) && IsWindowEnabled(GetDlgItem(window, 1));
  }
  ASSERT_TRUE(done) << "the clean did not finish";
  EXPECT_FALSE(t::Exists(seed.Folder("KB9900005")));
  EXPECT_TRUE(Recycled(seed.Folder("KB9900001")));
  EXPECT_TRUE(t::Exists(seed.Folder(kUpperId) + "\\keep.dll"));
  // The fresh scan lists the cleaned updates again.
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_FALSE(t::Exists(app / "Patchmoor.log"));

  PostMessageA(window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(program.WaitForExit(20000, &code));
  EXPECT_EQ(code, static_cast<DWORD>(IDCANCEL));
}
