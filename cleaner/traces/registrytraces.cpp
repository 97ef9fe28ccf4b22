#include "registrytraces.h"

#include <windows.h>

#include <functional>

#include "entryrules.h"
#include "founditem.h"
#include "inifile.h"
#include "pathcheck.h"
#include "registry.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel::traces {

namespace {

const char* const kHKLM = "HKEY_LOCAL_MACHINE";
const char* const kHKCU = "HKEY_CURRENT_USER";

HKEY RootOf(const char* name) { return suite::RootKeyFromName(name); }

// The description of column 4: a text of the settings file, looked up once
// per scanner.
std::string Describe(TraceContext& context, const char* textKey) {
  return suite::GetInterfaceText(context.iniName, textKey);
}

void AddRow(TraceContext& context, const std::string& name, const std::string& keyPath,
            const char* rootName, const std::string& description, const char* marker,
            bool checked = true) {
  FoundItem row;
  row.name = name;
  row.folder = keyPath;
  row.size = rootName;
  row.category = description;
  row.marker = marker;
  row.checked = checked;
  context.sink.Add(std::move(row));
}

// Lists the values of one key for which `listed` holds (the key stays open
// for reading while it is tested), in both registry views of a 64-bit
// Windows: a row of the 32-bit view names its key below "Wow6432Node".
// Returns false when a stop was asked for.
using ValueTest = std::function<bool(HKEY key, const std::string& name)>;
bool ListValues(TraceContext& context, const char* rootName, const std::string& keyPath,
                const std::string& description, const ValueTest& listed) {
  for (const std::string& path : suite::ViewPaths(RootOf(rootName), keyPath)) {
    if (context.stop) return false;
    context.sink.Status(std::string(rootName) + "\\" + path);
    suite::UniqueKey key = suite::OpenKey(RootOf(rootName), path, KEY_READ);
    if (!key) continue;
    for (const std::string& name : suite::ValueNames(key.get())) {
      if (context.stop) return false;
      if (!listed || listed(key.get(), name))
        AddRow(context, name, path, rootName, description, kMarkerKeyValue);
    }
  }
  return true;
}

// The test gets the key path of the view it lists and the subkey's name.
using SubkeyTest = std::function<bool(const std::string& path, const std::string& name)>;
bool ListSubkeys(TraceContext& context, const char* rootName, const std::string& keyPath,
                 const std::string& description, const SubkeyTest& listed,
                 bool checked = true) {
  for (const std::string& path : suite::ViewPaths(RootOf(rootName), keyPath)) {
    if (context.stop) return false;
    context.sink.Status(std::string(rootName) + "\\" + path);
    for (const std::string& name : suite::SubkeyNames(RootOf(rootName), path, KEY_READ)) {
      if (context.stop) return false;
      if (listed(path, name))
        AddRow(context, name, path, rootName, description, kMarkerRootKey, checked);
    }
  }
  return true;
}

// Scanners that list every value of their keys.
void ListAllValues(TraceContext& context, const char* textKey, const char* rootName,
                   std::initializer_list<const char*> paths) {
  const std::string description = Describe(context, textKey);
  for (const char* path : paths)
    if (!ListValues(context, rootName, path, description, nullptr)) return;
}

// Scanners that list the value names which are paths of missing files.
void ListMissingValueNames(TraceContext& context, const char* textKey, const char* rootName,
                           const char* path) {
  const std::string description = Describe(context, textKey);
  suite::PathChecker checker(suite::kCleanerPathCheck);
  ListValues(context, rootName, path, description, [&](HKEY, const std::string& name) {
    return !checker.FileReferenceExists(name);
  });
}

std::string ReadValue(HKEY key, const std::string& name, size_t limit) {
  std::string data;
  suite::ReadString(key, name, data, limit);
  return data;
}

const char* const kMenuOrderKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\&Programs"};
const char* const kSearchBar =
    "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\"
    "{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\";

// Help and HTML Help: the value name is a file, its data the folder it lies in.
void ListMissingHelpFiles(TraceContext& context, const std::string& description,
                          suite::PathChecker& checker, const char* path) {
  ListValues(context, kHKLM, path, description, [&](HKEY key, const std::string& name) {
    return suite::HelpFileStale(name, ReadValue(key, name, 128), checker);
  });
}

// Known DLL lists: the data is a file of the system folder, or (VxDs) a path
// of its own.
bool ListMissingKnownFiles(TraceContext& context, const char* textKey, const char* path,
                           bool inSystemFolder, suite::PathChecker& checker) {
  const std::string description = Describe(context, textKey);
  const std::string system = suite::SystemFolder();
  return ListValues(context, kHKLM, path, description, [&](HKEY key, const std::string& name) {
    const std::string data = ReadValue(key, name, 256);
    return inSystemFolder ? suite::KnownDllStale(data, system, checker)
                          : suite::KnownVxdStale(data, checker);
  });
}

}  // namespace

bool HasWebMark(const std::string& data) {
  const std::string upper = suite::ToUpper(data);
  for (const char* mark : {"WWW.", "URL:", ".HTM", "HTTP:"})
    if (upper.find(mark) != std::string::npos) return true;
  return false;
}

bool IsKeptMenuExtension(const std::string& name) {
  const std::string upper = suite::ToUpper(name);
  for (const char* kept : {"脱兔", "快车", "迅雷", "影音传送带", "网络蚂蚁", "网际快车"})
    if (upper.find(kept) != std::string::npos) return true;
  return false;
}

bool FolderEntryPresent(std::string path) {
  suite::DropTrailingBackslash(path);
  if (!path.empty() && path.back() == '.') path.pop_back();
  if (path.empty()) return false;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

void ScanTypedUrls(TraceContext& context) {
  ListAllValues(context, "strRegRb11", kHKCU, {"Software\\Microsoft\\Internet Explorer\\TypedURLs"});
}

void ScanAppPaths(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb6");
  suite::PathChecker checker(suite::kCleanerPathCheck);
  ListSubkeys(context, kHKLM, suite::kAppPathsKey, description,
              [&](const std::string& view, const std::string& name) {
                return suite::AppPathStale(
                    suite::ReadString(HKEY_LOCAL_MACHINE, view + "\\" + name, "", KEY_READ, 128),
                    checker);
              });
}

void ScanSharedDlls(TraceContext& context) {
  ListMissingValueNames(context, "strRegRb8", kHKLM,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs");
}

void ScanHelpFiles(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb19");
  suite::PathChecker checker(suite::kCleanerPathCheck);
  ListMissingHelpFiles(context, description, checker, suite::kHelpKey);
  ListMissingHelpFiles(context, description, checker, suite::kHtmlHelpKey);
}

void ScanKnownDlls(TraceContext& context) {
  suite::PathChecker checker(suite::kCleanerPathCheck);
  if (!ListMissingKnownFiles(context, "strRegRb20", suite::kKnownDllsKey, true, checker)) return;
  if (!ListMissingKnownFiles(context, "strRegRb21", suite::kKnown16DllsKey, true, checker)) return;
  ListMissingKnownFiles(context, "strRegRb22", suite::kKnownVxdsKey, false, checker);
}

void ScanDisabledStartup(TraceContext& context) {
  ListAllValues(context, "strRegRb1", kHKLM,
                {"Software\\Microsoft\\Windows\\CurrentVersion\\Run-",
                 "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices-"});
}

void ScanSharedTools(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb7");
  const std::string path = "Software\\Microsoft\\Shared Tools";
  suite::PathChecker checker(suite::kCleanerPathCheck);
  ListSubkeys(context, kHKLM, path, description, [&](const std::string& view,
                                                     const std::string& name) {
    const std::string tool =
        suite::ReadString(HKEY_LOCAL_MACHINE, view + "\\" + name, "Path", KEY_READ, 128);
    return !tool.empty() && !checker.FileReferenceExists(tool);
  });
}

void ScanLogonValues(TraceContext& context) {
  ListAllValues(context, "strRegRb13", kHKLM,
                {"Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon"});
}

void ScanStartupWebPages(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb14");
  ListValues(context, kHKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", description,
             [](HKEY key, const std::string& name) { return HasWebMark(ReadValue(key, name, 255)); });
}

void ScanStartMenuOrder(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb18");
  const std::string programsName = Describe(context, "strPGid");
  for (const char* path : kMenuOrderKeys) {
    const bool go = ListSubkeys(context, kHKCU, path, description, [&](const std::string&,
                                                                       const std::string& name) {
      const std::string startMenu = suite::ReadString(
          HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
          "Start Menu", KEY_READ, 256);
      // Without the Start menu folder nothing can be judged: keep the entry.
      if (startMenu.empty()) return false;
      if (FolderEntryPresent(startMenu + "\\Programs\\" + name)) return false;
      if (!programsName.empty() &&
          FolderEntryPresent(startMenu + "\\" + programsName + "\\" + name))
        return false;
      return true;
    });
    if (!go) return;
  }
}

void ScanContextMenuExtensions(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb12");
  ListSubkeys(
      context, kHKCU, "Software\\Microsoft\\Internet Explorer\\MenuExt", description,
      [](const std::string&, const std::string& name) { return !IsKeptMenuExtension(name); },
      false);
}

void ScanStartupGroup(TraceContext& context) {
  ScanDisabledStartup(context);
  ScanSharedTools(context);
  ScanLogonValues(context);
  ScanStartupWebPages(context);
  ScanStartMenuOrder(context);
  ScanContextMenuExtensions(context);
}

void ScanFindHistory(TraceContext& context) {
  ListAllValues(context, "strRegRb5", kHKCU,
                {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Doc Find Spec MRU"});
}

void ScanRunHistory(TraceContext& context) {
  ListAllValues(context, "strRegRb2", kHKCU,
                {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"});
}

void ScanOpenSaveHistory(TraceContext& context) {
  const std::string description = Describe(context, "strRegRb9");
  const std::string path =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\comDlg32\\OpenSaveMRU";
  for (const std::string& sub : suite::SubkeyNames(HKEY_CURRENT_USER, path, KEY_READ))
    if (!ListValues(context, kHKCU, path + "\\" + sub, description, nullptr)) return;
}

void ScanLastVisited(TraceContext& context) {
  ListMissingValueNames(context, "strRegRb10", kHKCU,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\comDlg32\\LastVisitedMRU");
}

void ScanInstallLocations(TraceContext& context) {
  ListAllValues(context, "strRegRb15", kHKCU, {"InstallLocationsMRU"});
}

void ScanWinZip(TraceContext& context) {
  ListAllValues(context, "strRegRb23", kHKCU,
                {"Software\\Nico Mak Computing\\WinZip\\extract",
                 "Software\\Nico Mak Computing\\WinZip\\filemenu"});
}

void ScanWinRar(TraceContext& context) {
  ListAllValues(context, "strRegRb24", kHKCU,
                {"Software\\WinRAR\\DialogEditHistory\\ExtrPath",
                 "Software\\WinRAR\\DialogEditHistory\\ArcName"});
}

void ScanPaint(TraceContext& context) {
  ListAllValues(context, "strRegRb17", kHKCU,
                {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"});
}

void ScanWordPad(TraceContext& context) {
  ListAllValues(context, "strRegRb16", kHKCU,
                {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List"});
}

void ScanNetAnts(TraceContext& context) {
  ListAllValues(context, "strRegRb26", kHKCU, {"Software\\NetAnts\\MRU"});
}

void ScanMediaPlayer(TraceContext& context) {
  ListAllValues(context, "strRegRb25", kHKCU,
                {"Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList"});
}

void Scan3721(TraceContext& context) {
  ListValues(context, kHKCU, "Software\\3721\\CnsUrl", "3721 URL", nullptr);
}

void ScanRealPlayer(TraceContext& context) {
  ListSubkeys(context, kHKCU, "Software\\RealNetworks\\RealPlayer\\6.0\\Preferences",
              "RealOne Player PlayLists", [](const std::string&, const std::string& name) {
                return name.find("MostRecentClips") != std::string::npos;
              });
}

void ScanSearchBarText(TraceContext& context) {
  ListMissingValueNames(context, "strRegRb8", kHKCU,
                        (std::string(kSearchBar) + "ContainingTextMRU").c_str());
}

void ScanSearchBarFiles(TraceContext& context) {
  ListMissingValueNames(context, "strRegRb8", kHKCU,
                        (std::string(kSearchBar) + "FilesNamedMRU").c_str());
}

}  // namespace dustrel::traces
