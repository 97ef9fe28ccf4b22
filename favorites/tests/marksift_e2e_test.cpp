// Marksift as the console runs it: favorites in both favorites folders,
// pointing at a local HTTP server this test starts and stops, then
// "Marksift.exe -Auto", the Recycle Bin and the log.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>

#include "favcheck.h"
#include "inifile.h"
#include "localhttp.h"
#include "registry.h"
#include "testsupport.h"

namespace t = suite::test;
using marksift::test::LocalHttpServer;

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Points a "Shell Folders" value at a scratch folder while the object lives.
class ShellFolderOverride {
 public:
  ShellFolderOverride(HKEY root, const std::string& name, const std::string& folder)
      : root_(root), name_(name) {
    had_ = t::ValueExists(root, kShellFolders, name);
    old_ = suite::ReadString(root, kShellFolders, name, KEY_READ, 1024);
    t::SetString(root, kShellFolders, name, folder);
  }
  ~ShellFolderOverride() {
    if (had_) {
      t::SetString(root_, kShellFolders, name_, old_);
    } else {
      suite::UniqueKey key = suite::OpenKey(root_, kShellFolders, KEY_SET_VALUE);
      if (key) RegDeleteValueA(key.get(), name_.c_str());
    }
  }

 private:
  HKEY root_;
  std::string name_, old_;
  bool had_ = false;
};

std::string Favorite(const std::string& url) {
  return "[DEFAULT]\r\nBASEURL=" + url + "\r\n[InternetShortcut]\r\nURL=" + url +
         "\r\nIconIndex=1\r\n";
}
std::string ShortcutOnly(const std::string& url) { return "[InternetShortcut]\r\nURL=" + url + "\r\n"; }

std::set<std::string> AsSet(const std::vector<std::string>& v) { return {v.begin(), v.end()}; }

// What the Recycle Bin holds from below `folder` (unit tests running at the
// same time recycle their own files).
std::set<std::string> RecycledBelow(const std::string& folder) {
  std::set<std::string> found;
  for (const std::string& path : t::RecycledPaths())
    if (path.rfind(folder + "\\", 0) == 0) found.insert(path);
  return found;
}

}  // namespace

TEST(MarksiftEndToEnd, AutoRemovesOnlyFavoritesWhosePagesAreGone) {
  marksift::test::WarmUpCertificateStore();
  // Four sites: 127.0.0.1 and 127.0.0.2 .. 127.0.0.4.
  LocalHttpServer server(300000, 5000, 4);
  ASSERT_TRUE(server.Running());
  ASSERT_EQ(server.Sites(), 4);
  t::ScratchDir user("C:\\suite-tests\\marksift\\Favorites"),
      common("C:\\suite-tests\\marksift\\Common Favorites"), app("C:\\suite-tests\\marksift\\app");
  ShellFolderOverride userFolder(HKEY_CURRENT_USER, "Favorites", user.Path());
  ShellFolderOverride commonFolder(HKEY_LOCAL_MACHINE, "Common Favorites", common.Path());
  t::InstallFromDist(app.Path(), {"Marksift.exe"});
  t::EmptyRecycleBin();
  const std::string port = std::to_string(server.Port());
  const std::string refused = std::to_string(marksift::test::RefusedPort());

  const std::vector<std::pair<std::string, std::string>> dead = {
      {user / "Gone.url", Favorite(server.Url("/gone"))},
      {user / "Removed.url", Favorite(server.SiteUrl(1, "/removed"))},
      {user / "Moved to nowhere.url", Favorite(server.SiteUrl(2, "/moved-gone"))},
      {user / "No default.url", ShortcutOnly(server.Url("/gone?nodefault"))},
      {user / "x.url.txt", ShortcutOnly(server.SiteUrl(3, "/gone?txt"))},
      {user / "Links\\Deep\\Old news.url", Favorite(server.SiteUrl(1, "/removed?deep"))},
      {user / "Links\\Slow gone.url", Favorite(server.SiteUrl(2, "/slow?ms=600&status=404"))},
      {common / "Common gone.url", Favorite(server.SiteUrl(3, "/gone?common"))},
  };
  const std::vector<std::pair<std::string, std::string>> alive = {
      {user / "Fine.url", Favorite(server.Url("/ok"))},
      {user / "Moved.url", Favorite(server.SiteUrl(2, "/moved"))},
      {user / "Links\\Slow fine.url", Favorite(server.SiteUrl(1, "/slow?ms=400"))},
      {user / "Login.url", Favorite(server.Url("/forbidden"))},
      {user / "Broken server.url", Favorite(server.Url("/error"))},
      {user / "Secure.url", Favorite("https://127.0.0.1:" + port + "/gone?secure")},
      {user / "No such host.url", Favorite("http://no-such-host.invalid/gone")},
      {user / "Refused.url", Favorite("http://127.0.0.1:" + refused + "/gone")},
      {user / "Ftp.url", ShortcutOnly("ftp://127.0.0.1:" + port + "/gone")},
      {user / "Script.url", ShortcutOnly("javascript:void(0)")},
      {user / "Garbage.url", std::string("\xff\xfe\x00garbage", 10)},
      {user / "Empty.url", ""},
      {user / "notes.txt", ShortcutOnly(server.Url("/gone?notes"))},
      {common / "Common fine.url", Favorite(server.Url("/ok?common"))},
  };
  for (const auto& f : dead) ASSERT_TRUE(t::WriteBytes(f.first, f.second));
  for (const auto& f : alive) ASSERT_TRUE(t::WriteBytes(f.first, f.second));
  std::vector<std::string> deadPaths, order;  // order: as the folder walk finds them
  for (const auto& f : dead) deadPaths.push_back(f.first);
  for (const std::string& path : marksift::ListCandidates({user.Path(), common.Path()}))
    if (std::find(deadPaths.begin(), deadPaths.end(), path) != deadPaths.end()) order.push_back(path);
  ASSERT_EQ(order.size(), dead.size());

  // Without an argument: nothing checked, nothing removed.
  const std::string exe = "\"" + (app / "Marksift.exe") + "\"";
  EXPECT_EQ(t::RunProcess(exe, app.Path(), 30000).exitCode, 0u);
  EXPECT_EQ(server.Requests(), 0);

  const DWORD start = GetTickCount();
  t::ProcessResult run = t::RunProcess(exe + " -Auto", app.Path(), 120000);
  const DWORD took = GetTickCount() - start;
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(run.startError, 0u) << "Marksift.exe could not be started";
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_LT(took, 60000u);

  for (const auto& f : dead) EXPECT_FALSE(t::Exists(f.first)) << f.first;
  for (const auto& f : alive) EXPECT_TRUE(t::Exists(f.first)) << f.first;
  EXPECT_EQ(RecycledBelow("C:\\suite-tests\\marksift"), AsSet(deadPaths));
  EXPECT_EQ(server.Hits("/gone?secure"), 0) << "the https favorite went out as plain HTTP";
  EXPECT_EQ(server.Hits("/gone?notes"), 0);

  // The log: the removed favorites in the order they were found.
  std::string log = "[Numbers]\r\nItem0=" + std::to_string(dead.size()) + "\r\n\r\n[Files]\r\n";
  for (size_t i = 0; i < order.size(); ++i)
    log += "Item" + std::to_string(i) + "=" + order[i] + "\r\n";
  log += "\r\n";
  EXPECT_EQ(t::ReadBytes(app / "Marksift.log"), log);

  // A second pass finds nothing dead: the log of the first pass stays as it was.
  run = t::RunProcess(exe + " -Auto", app.Path(), 120000);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(t::ReadBytes(app / "Marksift.log"), log);
  // ... and with no log there, none is written.
  DeleteFileA((app / "Marksift.log").c_str());
  run = t::RunProcess(exe + " -Auto", app.Path(), 120000);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(t::Exists(app / "Marksift.log"));
  for (const auto& f : alive) EXPECT_TRUE(t::Exists(f.first)) << f.first;
}

namespace {

// Favorites folders of their own, pointed to by the shell folders, for one test.
struct FavoriteFolders {
  t::ScratchDir user{"C:\\suite-tests\\marksift-window\\Favorites"};
  t::ScratchDir common{"C:\\suite-tests\\marksift-window\\Common"};
  t::ScratchDir app{"C:\\suite-tests\\marksift-window\\app"};
  ShellFolderOverride userFolder{HKEY_CURRENT_USER, "Favorites", user.Path()};
  ShellFolderOverride commonFolder{HKEY_LOCAL_MACHINE, "Common Favorites", common.Path()};
  FavoriteFolders() { t::InstallFromDist(app.Path(), {"Marksift.exe", "TipList.ini"}); }
};

}  // namespace

// The window driven as a person would: check, untick, clear, check again.
TEST(MarksiftEndToEnd, WindowChecksListsAndClearsTickedRows) {
  LocalHttpServer server;
  FavoriteFolders folders;
  t::EmptyRecycleBin();
  t::WriteBytes(folders.user / "Fine.url", Favorite(server.Url("/ok")));
  t::WriteBytes(folders.user / "Gone.url", Favorite(server.Url("/gone")));
  t::WriteBytes(folders.user / "Sub\\Removed.url", Favorite(server.Url("/removed")));
  t::WriteBytes(folders.common / "Common gone.url", Favorite(server.Url("/gone?c")));

  t::WindowProgram program("\"" + (folders.app / "Marksift.exe") + "\" /show", folders.app.Path());
  HWND window = program.WaitForWindow("无效收藏夹检测");
  ASSERT_NE(window, nullptr) << "the window did not open";
  HWND list = GetDlgItem(window, 1000);
  auto box = [&](const std::string& expected, WPARAM press = IDOK) {
    HWND b = program.WaitForMessageBox(window);
    ASSERT_NE(b, nullptr) << "no message " << expected;
    EXPECT_EQ(t::MessageBoxText(b), expected);
    PostMessageA(b, WM_COMMAND, press, 0);
    for (int i = 0; i < 50 && IsWindow(b); ++i) Sleep(100);
  };
  suite::IniFile tips(folders.app / "TipList.ini");
  ASSERT_TRUE(tips.ReadFile());
  EXPECT_EQ(t::ControlText(window, 1999), tips.GetValue("Resource", "Marksift"));  // the tip strip

  t::ClickButton(window, 1008);
  Sleep(300);
  EXPECT_EQ(t::ControlText(window, 1002), "尚未开始!");
  t::ClickButton(window, 1007);
  box("没有可清理的快捷方式,您未扫描或未选中目标!");

  t::ClickButton(window, 1003);
  box("您确认已经连上互联网了吗?", IDNO);
  Sleep(300);
  EXPECT_EQ(server.Requests(), 0) << "checked without the user's yes";

  t::ClickButton(window, 1003);
  box("您确认已经连上互联网了吗?", IDYES);
  box("检测完成!请查看列表!");
  EXPECT_EQ(t::ControlText(window, 1002), "检测完成!");
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(server.Requests(), 4);

  // Nothing ticked: nothing removed, the rows stay.
  t::ClickButton(window, 1006);
  t::ClickButton(window, 1007);
  box("没有可清理的快捷方式,您未扫描或未选中目标!");
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_TRUE(t::Exists(folders.user / "Gone.url"));

  // A second check starts without a Stop in between; its rows follow the old ones.
  t::ClickButton(window, 1003);
  box("您确认已经连上互联网了吗?", IDYES);
  box("检测完成!请查看列表!");
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 6);

  t::ClickButton(window, 1005);
  t::ClickButton(window, 1007);
  box("无效的连接已经放入了回收站!");
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3) << "the second rows name removed files";
  EXPECT_FALSE(t::Exists(folders.user / "Gone.url"));
  EXPECT_FALSE(t::Exists(folders.user / "Sub\\Removed.url"));
  EXPECT_FALSE(t::Exists(folders.common / "Common gone.url"));
  EXPECT_TRUE(t::Exists(folders.user / "Fine.url"));
  EXPECT_EQ(RecycledBelow("C:\\suite-tests\\marksift-window"),
            AsSet({folders.user / "Gone.url", folders.user / "Sub\\Removed.url",
                   folders.common / "Common gone.url"}));
  EXPECT_FALSE(t::Exists(folders.app / "Marksift.log")) << "only -Auto writes the log";

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}

namespace {

// Sixteen favorites "Slow <i>.url" in the user's folder, whose pages answer 404
// after `ms` milliseconds.
void WriteSlowFavorites(LocalHttpServer& server, const FavoriteFolders& folders, int ms) {
  for (int i = 0; i < 16; ++i)
    t::WriteBytes(folders.user / ("Slow " + std::to_string(i) + ".url"),
                  Favorite(server.Url("/slow?ms=" + std::to_string(ms) + "&status=404&n=" +
                                      std::to_string(i))));
}

// Starts the check in the program's window and answers its question; the
// window once the first request has reached the server, or null.
HWND StartCheck(t::WindowProgram& program, LocalHttpServer& server) {
  HWND window = program.WaitForWindow("无效收藏夹检测");
  if (!window) return nullptr;
  t::ClickButton(window, 1003);
  HWND question = program.WaitForMessageBox(window);
  if (!question) return nullptr;
  PostMessageA(question, WM_COMMAND, IDYES, 0);
  for (int i = 0; i < 50 && server.Requests() == 0; ++i) Sleep(100);
  return server.Requests() > 0 ? window : nullptr;
}

}  // namespace

TEST(MarksiftEndToEnd, StopEndsTheCheckAndAllowsANewOne) {
  LocalHttpServer server;
  FavoriteFolders folders;
  WriteSlowFavorites(server, folders, 4000);
  t::WindowProgram program("\"" + (folders.app / "Marksift.exe") + "\" /show", folders.app.Path());
  HWND window = StartCheck(program, server);
  ASSERT_NE(window, nullptr);
  t::ClickButton(window, 1008);
  Sleep(300);
  EXPECT_EQ(t::ControlText(window, 1002), "用户中断!");
  // The check ends by itself: the start button comes back, no completion message.
  bool enabled = false;
  for (int i = 0; i < 150 && !enabled; ++i) {
    Sleep(100);
    enabled = IsWindowEnabled(GetDlgItem(window, 1003)) != 0;
  }
  EXPECT_TRUE(enabled);
  EXPECT_EQ(program.WaitForMessageBox(window, 1000), nullptr);
  EXPECT_EQ(SendMessageA(GetDlgItem(window, 1000), LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_LE(server.Requests(), 8) << "requests were started after the stop";
  EXPECT_EQ(t::ControlText(window, 1002), "用户中断!");
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(20000));
}

// Closing the window while requests wait for slow answers: the program ends
// within a second or two, not when the requests time out.
TEST(MarksiftEndToEnd, ClosingTheWindowDuringACheckEndsAtOnce) {
  LocalHttpServer server;
  FavoriteFolders folders;
  WriteSlowFavorites(server, folders, 9000);
  t::WindowProgram program("\"" + (folders.app / "Marksift.exe") + "\" /show", folders.app.Path());
  HWND window = StartCheck(program, server);
  ASSERT_NE(window, nullptr);
  const DWORD start = GetTickCount();
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.WaitForExit(8000)) << "closing waited for the requests";
  EXPECT_LT(GetTickCount() - start, 3000u);
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(t::Exists(folders.user / ("Slow " + std::to_string(i) + ".url")));
}
