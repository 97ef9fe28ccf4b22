// Seeds the demo sandbox with what a used PC holds: working shortcuts, shortcuts
// whose programs were uninstalled, and ones the cleaner must leave alone.
#include <windows.h>

#include <cstdio>

#include "testsupport.h"

namespace t = suite::test;

int main() {
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
