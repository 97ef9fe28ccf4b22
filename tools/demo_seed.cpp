// Seeds the demo sandbox with what a used PC holds, something for every step
// of the one-click run: working and broken shortcuts, live and dead favorites,
// junk files, saved browser passwords, an application history with its
// cleaning definition, leftover
// registry entries and an update's uninstall backup folder.
//   demo_seed.exe [SUITE_FOLDER [PORT]]
// SUITE_FOLDER is where the suite was copied (its "CleanPlugin" folder gets the
// definition); PORT is a local web server's port for the favorites.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sysinfo.h"
#include "testsupport.h"
#include "text.h"

namespace t = suite::test;

namespace {

// A cleaning definition in the main cleaner's plug-in format: a 40-byte head
// (signature, key length, masked key) and the body with every byte XORed with
// each key byte in turn.
std::string LockedDefinition(const std::string& body) {
  const std::string key = "tRoWeL";
  std::string head(40, '\0');
  const char signature[] = "Velmora Lock";
  head.replace(0, sizeof signature, signature, sizeof signature);
  head[16] = static_cast<char>(key.size());
  for (size_t i = 0; i < key.size(); ++i) head[20 + i] = static_cast<char>(key[i] ^ 0x3C);
  std::string out = head;
  for (char ch : body) {
    for (char k : key) ch = static_cast<char>(ch ^ k);
    out += ch;
  }
  return out;
}

void SeedHistory(const std::string& suiteFolder) {
  // The demo editor keeps its recent files in the registry and a history folder.
  const std::string recent = "Software\\Demo Editor\\Recent";
  t::SetString(HKEY_CURRENT_USER, recent, "File1", "C:\\Demo Programs\\Editor\\合同.txt");
  t::SetString(HKEY_CURRENT_USER, recent, "File2", "C:\\Demo Programs\\Editor\\notes.txt");
  char appData[MAX_PATH] = {};
  GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
  t::WriteBytes(std::string(appData) + "\\Demo Editor\\History\\session1.hst", "opened 合同.txt");
  t::WriteBytes(std::string(appData) + "\\Demo Editor\\History\\session2.hst", "opened notes.txt");
  if (suiteFolder.empty()) return;
  const std::string body =
      "[Information]\r\nDescription=演示编辑器的历史记录\r\nSelected=1\r\n"
      "[Registry]\r\n"
      "Reg0=RootKey:HKEY_CURRENT_USER;SubKey:\\Software\\Demo Editor\\Recent;Type:Value;Pattern:File1;\r\n"
      "Reg1=RootKey:HKEY_CURRENT_USER;SubKey:\\Software\\Demo Editor\\Recent;Type:Value;Pattern:File2;\r\n"
      "[File/Folder]\r\n"
      "File0=Source:%AppData%\\Demo Editor\\History;Type:Folder;Pattern:*.hst;\r\n";
  t::WriteBytes(suiteFolder + "\\CleanPlugin\\DemoEditor.dat", LockedDefinition(body));
}

void SeedJunk() {
  // Leftovers of programs and of the system: backups, temporary files, dumps.
  std::string temp = suite::TempFolder();
  suite::DropTrailingBackslash(temp);
  t::WriteBytes(temp + "\\~DF1A2B.tmp", std::string(30000, 't'));
  t::WriteBytes(temp + "\\setup_log.tmp", "installer log");
  t::WriteBytes("C:\\Demo Programs\\Editor\\report.bak", "old copy");
  t::WriteBytes("C:\\Demo Programs\\Editor\\settings.old", "old settings");
  t::WriteBytes("C:\\Demo Programs\\Player\\crash.dmp", std::string(20000, 'd'));
  t::WriteBytes("C:\\Demo Programs\\Player\\Thumbs.db", "thumbnails");
  // The browser's saved passwords: a store the junk step empties whole.
  t::SetString(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\IntelliForms\\SPW",
               "demo-forum", "saved password");
}

void SeedFavorites(int port) {
  if (port <= 0) return;
  const std::string favorites = t::ProfileFolder() + "\\Favorites";
  const std::string site = "http://127.0.0.1:" + std::to_string(port);
  auto favorite = [](const std::string& url) {
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
  };
  t::WriteBytes(favorites + "\\演示首页.url", favorite(site + "/index.html"));
  t::WriteBytes(favorites + "\\已下线的论坛.url", favorite(site + "/forum/gone.html"));
  t::WriteBytes(favorites + "\\Links\\Old Shop.url", favorite(site + "/shop/closed.html"));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string suiteFolder = argc > 1 ? argv[1] : "";
  const int port = argc > 2 ? std::atoi(argv[2]) : 0;
  SeedHistory(suiteFolder);
  SeedJunk();
  SeedFavorites(port);

  const std::string apps = "C:\\Demo Programs";
  const std::string desktop = t::ProfileFolder() + "\\Desktop";
  const std::string menu = "C:\\Program Files\\Demo Suite";
  t::WriteBytes(apps + "\\Editor\\editor.exe", "MZ");
  t::WriteBytes(apps + "\\Player\\player.exe", "MZ");
  t::WriteBytes(apps + "\\Old Game\\game.exe", "MZ");
  t::WriteBytes(apps + "\\Trial\\trial.exe", "MZ");
  struct {
    std::string lnk, target, args;
  } links[] = {
      {desktop + "\\编辑器.lnk", apps + "\\Editor\\editor.exe", ""},
      {desktop + "\\播放器.lnk", apps + "\\Player\\player.exe", "/playlist"},
      {desktop + "\\旧游戏.lnk", apps + "\\Old Game\\game.exe", ""},
      {menu + "\\Trial.lnk", apps + "\\Trial\\trial.exe", ""},
      {menu + "\\Readme.lnk", apps + "\\Trial\\readme.txt", ""},
      {desktop + "\\光盘安装.lnk", "E:\\setup.exe", ""},
  };
  for (const auto& l : links) {
    if (!t::MakeShortcut(l.lnk, l.target, l.args)) {
      std::printf("could not make %s\n", l.lnk.c_str());
      return 1;
    }
  }
  // The old game and the trial were uninstalled; their shortcuts and registry
  // entries stayed behind.
  t::RemoveTree(apps + "\\Old Game");
  t::RemoveTree(apps + "\\Trial");

  const std::string appPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  t::SetString(HKEY_LOCAL_MACHINE, appPaths + "\\game.exe", "", apps + "\\Old Game\\game.exe");
  t::SetString(HKEY_LOCAL_MACHINE, appPaths + "\\editor.exe", "", apps + "\\Editor\\editor.exe");
  t::SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\Help", "trial.hlp",
               apps + "\\Trial");
  t::SetString(HKEY_CURRENT_USER, "Software\\Demo Trial\\Settings", "InstallPath",
               apps + "\\Trial\\trial.exe");
  t::SetString(HKEY_CURRENT_USER, "Software\\Demo Editor\\Settings", "InstallPath",
               apps + "\\Editor\\editor.exe");

  // An installed update with its uninstall backup folder beside the Windows folder.
  const std::string windows = "C:\\windows";
  t::WriteBytes(windows + "\\KB912812.log", "Update installed\r\n");
  t::WriteBytes(windows + "\\$NtUninstallKB912812$\\spuninst\\spuninst.exe", std::string(40000, 'x'));
  t::WriteBytes(windows + "\\$NtUninstallKB912812$\\mshtml.dll", std::string(250000, 'x'));
  return 0;
}
