#include "scanengine.h"

#include <set>

#include "handles.h"
#include "probes.h"
#include "registry.h"

namespace hivemend {

using suite::ContainsNoCase;
using suite::EqualsNoCase;
using suite::Format;
using suite::OpenKey;
using suite::ReadString;
using suite::SubkeyNames;
using suite::ToLower;
using suite::ToUpper;
using suite::UniqueKey;
using suite::ValueNames;

const char* const kDefaultCategoryNames[kCategoryCount] = {
    "无效的共享链接库", "无效的驱动程序",     "无效的应用程序记录",
    "无效的帮助文件错误", "无效的文件类型",   "错误的右键菜单",
    "无效的ActiveX控件", "无效的COM/OLE接口", "用户注册表错误",
    "系统的注册表错误",  "字体错误",           "修复注册表常见文档关联",
    "检测系统文件正确性"};

const char* const kRootKeyWord = "RootKey";
const char* const kKeyValueWord = "KeyValue";
const char* const kDefaultValueLabel = "默认";

// The known-DLL keys are spelt as the scanner has always looked for them.
const char* const kKnownDllsKey = "System\\CurrentControlSet\\Control\\SessionManager\\KnownDLLs";
const char* const kKnown16DllsKey =
    "System\\CurrentControlSet\\Control\\SessionManager\\Known16DLLs";
const char* const kKnownVxdsKey = "System\\CurrentControlSet\\Control\\SessionManager\\KnownVxDs";
const char* const kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char* const kHelpKey = "Software\\Microsoft\\Windows\\Help";
const char* const kHtmlHelpKey = "Software\\Microsoft\\Windows\\HTML Help";

namespace {

const char* const kHklm = "HKEY_LOCAL_MACHINE";
const char* const kHkcr = "HKEY_CLASSES_ROOT";

// Classes the file-type walk never lists, whatever their icon says.
const char* const kProtectedClasses[] = {
    "Drive",   "Folder",  "File",    "file",         "Directory",   "exefile",
    "dllfile", "vxdfile", "sysfile", "drvfile",      "ocxfile",     "ODBC.FileDSN",
    "news",    "http",    "https",   "gopher",       "ftp",         "icofile",
    "curfile", "anifile", "icmfile", "mailto",       "ChannelFile", "ChannelShortcut"};

bool IsProtectedClass(const std::string& name) {
  for (const char* p : kProtectedClasses)
    if (EqualsNoCase(name, p)) return true;
  return false;
}

bool HasDrivePath(const std::string& text) { return text.find(":\\") != std::string::npos; }

std::string DefaultValue(HKEY root, const std::string& path, size_t limit = 256) {
  return ReadString(root, path, std::string(), KEY_READ, limit);
}

bool InNoCase(const std::vector<std::string>& list, const std::string& item) {
  for (const std::string& s : list)
    if (EqualsNoCase(s, item)) return true;
  return false;
}

void AddUnique(std::vector<std::string>& list, const std::string& item) {
  for (const std::string& s : list)
    if (s == item) return;
  list.push_back(item);
}

// The text a value's bytes make: up to the first NUL.
std::string BytesAsText(const char* data, DWORD size) {
  std::string s(data, size);
  size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

}  // namespace

ScanSettings DefaultScanSettings() {
  ScanSettings s;
  for (int i = 0; i < kCategoryCount; ++i) s.ticked[i] = i <= 9;
  for (int i = 0; i < kNamedCategories; ++i) s.names[i] = kDefaultCategoryNames[i];
  return s;
}

Scanner::Scanner(const ScanSettings& settings, ScanSink sink, const std::atomic<bool>& stop)
    : Scanner(settings, std::move(sink), stop, suite::NonFixedDrives()) {}

Scanner::Scanner(const ScanSettings& settings, ScanSink sink, const std::atomic<bool>& stop,
                 std::vector<std::string> nonFixedRoots)
    : settings_(settings),
      sink_(std::move(sink)),
      stop_(stop),
      checker_(suite::kRegistryScannerPathCheck, std::move(nonFixedRoots)) {}

bool Scanner::Present(const std::string& text) { return checker_.FileReferenceExists(text); }

void Scanner::Add(ScanRow row) {
  ++rows_;
  if (sink_.row) sink_.row(row);
}

void Scanner::StatusF(const std::string& text) {
  if (sink_.status) sink_.status(text);
}

void Scanner::Status(const std::string& what) {
  if (sink_.status) sink_.status(settings_.prefix + ":" + what);
}

void Scanner::Run() {
  const auto& t = settings_.ticked;
  if (t[0] && !Stopped()) {
    KnownDllWalk(kKnownDllsKey);
    KnownDllWalk(kKnown16DllsKey);
  }
  if (t[1] && !Stopped()) KnownVxdWalk(kKnownVxdsKey);
  if (t[2] && !Stopped()) AppPathWalk();
  if (t[3] && !Stopped()) {
    HelpWalk(kHelpKey);
    HelpWalk(kHtmlHelpKey);
  }
  if (t[4] && !Stopped()) FileTypeWalk();
  if (t[5] && !Stopped()) ContextMenuWalk();
  if (t[6] && !Stopped()) TypeLibraryWalk();
  if (t[7] && !Stopped()) ComClassWalk();
  if (t[8] && !Stopped()) {
    SoftwareWalk(HKEY_CURRENT_USER, "Software");
    SoftwareWalk(HKEY_USERS, ".Default\\Software");
  }
  if (t[9] && !Stopped()) SoftwareWalk(HKEY_LOCAL_MACHINE, "Software");
}

void Scanner::KnownDllWalk(const std::string& keyPath) {
  UniqueKey key = OpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
  if (!key) return;
  const std::string system = suite::SystemFolder();
  for (const std::string& name : ValueNames(key.get())) {
    if (Stopped()) return;
    std::string data;
    ReadString(key.get(), name, data);
    if (Missing(Format("%s\\%s", system.c_str(), data.c_str())))
      Add({name, kHklm, keyPath, kKeyValueWord, std::string(), Category(0)});
    Status("System\\CurrentControlSet\\Control-" + name);
  }
}

void Scanner::KnownVxdWalk(const std::string& keyPath) {
  UniqueKey key = OpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
  if (!key) return;
  for (const std::string& name : ValueNames(key.get())) {
    if (Stopped()) return;
    std::string data;
    ReadString(key.get(), name, data);
    if (Missing(data)) Add({name, kHklm, keyPath, kKeyValueWord, std::string(), Category(1)});
    Status("System\\CurrentControlSet\\Control-" + name);
  }
}

void Scanner::AppPathWalk(const std::string& keyPath) {
  for (const std::string& name : SubkeyNames(HKEY_LOCAL_MACHINE, keyPath, KEY_READ)) {
    if (Stopped()) return;
    // A failed read gives the empty text, never the previous key's.
    const std::string text = DefaultValue(HKEY_LOCAL_MACHINE, keyPath + "\\" + name, 128);
    if (!text.empty() && HasDrivePath(text) && Missing(text))
      Add({name, kHklm, keyPath, kRootKeyWord, std::string(), Category(2)});
    Status("Software\\Microsoft\\Windows-" + name);
  }
}

void Scanner::HelpWalk(const std::string& keyPath) {
  UniqueKey key = OpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
  if (!key) return;
  for (const std::string& name : ValueNames(key.get())) {
    if (Stopped()) return;
    std::string folder;
    ReadString(key.get(), name, folder, 128);
    const std::string candidate = suite::JoinPath(folder, name);
    if (!folder.empty() && Missing(candidate))
      Add({name, kHklm, keyPath, kKeyValueWord, std::string(), Category(3)});
    Status("Software\\Microsoft\\Windows-" + name);
  }
}

void Scanner::FileTypeWalk() {
  const std::vector<std::string> classes = SubkeyNames(HKEY_CLASSES_ROOT, "", KEY_READ);
  std::vector<std::string> invalid;
  const std::string typeText = Category(4);
  for (const std::string& name : classes) {
    if (Stopped()) return;
    if (IsProtectedClass(name)) continue;
    UniqueKey icon = OpenKey(HKEY_CLASSES_ROOT, name + "\\DefaultIcon", KEY_READ);
    if (!icon) continue;
    std::string iconValue;
    ReadString(icon.get(), std::string(), iconValue);
    icon.reset();
    const size_t comma = iconValue.find(',');
    // Without a comma there is no icon file to judge.
    const std::string iconFile = comma == std::string::npos ? std::string() : iconValue.substr(0, comma);
    if (Missing(iconFile)) {
      invalid.push_back(name);
      const std::string description = DefaultValue(HKEY_CLASSES_ROOT, name);
      Add({name, kHkcr, std::string(), kRootKeyWord, iconFile,
           Format("%s - %s", description.c_str(), typeText.c_str())});
    }
    Status("Classes_ROOT-" + name);
  }
  if (invalid.empty()) return;
  for (const std::string& ext : classes) {
    if (Stopped()) return;
    if (ext.empty() || ext[0] != '.') continue;
    const std::string cls = DefaultValue(HKEY_CLASSES_ROOT, ext);
    if (!cls.empty() && InNoCase(invalid, cls))
      Add({ext, kHkcr, std::string(), kRootKeyWord, std::string(),
           Format("%s - %s", ext.c_str(), typeText.c_str())});
    Status("CLASSES_ROOT\\" + ext);
  }
}

void Scanner::ContextMenuWalk() {
  for (const std::string& cls : SubkeyNames(HKEY_CLASSES_ROOT, "", KEY_READ)) {
    if (Stopped()) return;
    const std::string shell = cls + "\\shell";
    if (shell.find("file") == std::string::npos) continue;
    UniqueKey shellKey = OpenKey(HKEY_CLASSES_ROOT, shell, KEY_READ);
    if (!shellKey) continue;
    for (const std::string& verb : SubkeyNames(shellKey.get())) {
      if (Stopped()) return;
      const std::string commandKey = shell + "\\" + verb + "\\command";
      const std::string command = DefaultValue(HKEY_CLASSES_ROOT, commandKey);
      if (Missing(command))
        Add({verb, kHkcr, shell, kRootKeyWord, command, Category(5)});
      Status(commandKey);
    }
  }
}

void Scanner::LoadServers() {
  if (serversLoaded_) return;
  serversLoaded_ = true;
  UniqueKey clsidRoot = OpenKey(HKEY_CLASSES_ROOT, "CLSID", KEY_READ);
  if (!clsidRoot) return;
  for (const std::string& clsid : SubkeyNames(clsidRoot.get())) {
    if (Stopped()) return;
    UniqueKey server = OpenKey(clsidRoot.get(), clsid + "\\InprocServer32", KEY_READ);
    if (!server) server = OpenKey(clsidRoot.get(), clsid + "\\LocalServer32", KEY_READ);
    if (!server) continue;
    std::string path;
    ReadString(server.get(), std::string(), path);
    servers_.emplace_back(clsid, path);
    Status("ROOT-" + clsid);
  }
}

void Scanner::LoadProxyStubs() {
  if (proxiesLoaded_) return;
  proxiesLoaded_ = true;
  UniqueKey interfaces = OpenKey(HKEY_CLASSES_ROOT, "Interface", KEY_READ);
  if (!interfaces) return;
  for (const std::string& iid : SubkeyNames(interfaces.get())) {
    if (Stopped()) return;
    UniqueKey stub = OpenKey(interfaces.get(), iid + "\\ProxyStubClsid32", KEY_READ);
    if (!stub) continue;
    std::string clsid;
    ReadString(stub.get(), std::string(), clsid);
    if (!clsid.empty()) proxies_.emplace_back(iid, clsid);
  }
}

void Scanner::CollectDependants(const std::vector<std::string>& invalidClsids,
                                std::vector<std::string>& progIds,
                                std::vector<std::string>& interfaces) {
  for (const std::string& clsid : invalidClsids) {
    if (Stopped()) return;
    UniqueKey prog = OpenKey(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\ProgID", KEY_READ);
    if (!prog) continue;
    std::string name;
    ReadString(prog.get(), std::string(), name);
    progIds.push_back(name);  // may be empty; the repair never acts on such a row
    Status(clsid);
  }
  if (invalidClsids.empty()) return;
  LoadProxyStubs();
  for (const auto& p : proxies_) {
    if (InNoCase(invalidClsids, p.second)) {
      AddUnique(interfaces, p.first);
      Status(p.first);
    }
  }
}

void Scanner::TypeLibraryWalk() {
  StatusF("Scanning COM/OLE...");
  std::vector<std::pair<std::string, std::string>> libraries;  // key path, library file
  std::vector<std::string> pending{"TypeLib"};
  while (!pending.empty()) {
    if (Stopped()) return;
    const std::string path = pending.back();
    pending.pop_back();
    UniqueKey key = OpenKey(HKEY_CLASSES_ROOT, path, KEY_READ);
    if (!key) continue;
    if (path.find("\\win32") != std::string::npos) {
      std::string file;
      ReadString(key.get(), std::string(), file);
      const size_t slash = file.find_last_of('\\');
      if (slash != std::string::npos && file.size() - slash <= 2) file.resize(slash);
      libraries.emplace_back(path, file);
    }
    // Depth first in enumeration order: push the children in reverse.
    std::vector<std::string> children = SubkeyNames(key.get());
    for (size_t i = children.size(); i-- > 0;) pending.push_back(path + "\\" + children[i]);
  }

  std::vector<std::string> invalidFiles, invalidKeys;
  for (const auto& lib : libraries) {
    if (Stopped()) return;
    if (Missing(lib.second)) {
      invalidFiles.push_back(lib.second);
      invalidKeys.push_back(lib.first);
    }
    Status(lib.second);
  }
  if (invalidFiles.empty()) return;

  std::vector<std::string> clsids, progIds, interfaces;
  LoadServers();
  for (const std::string& file : invalidFiles) {
    if (Stopped()) return;
    StatusF("Scanning Interface...");
    for (const auto& s : servers_)
      if (EqualsNoCase(s.second, file)) AddUnique(clsids, s.first);
  }
  CollectDependants(clsids, progIds, interfaces);

  // One row per library: its versions and platforms share the one TypeLib key.
  std::set<std::string> seen;
  for (size_t i = 0; i < invalidKeys.size(); ++i) {
    if (Stopped()) return;
    const std::string& path = invalidKeys[i];
    const size_t open = path.find('{'), close = path.find_last_of('}');
    if (open == std::string::npos || close == std::string::npos || close < open) continue;
    const std::string guid = path.substr(open, close - open + 1);
    if (!seen.insert(ToUpper(guid)).second) continue;
    Add({guid, kHkcr, "TypeLib", kRootKeyWord, invalidFiles[i], Category(6)});
    Status("ROOT-" + guid);
  }
  for (const std::string& c : clsids) {
    Add({c, kHkcr, "CLSID", kRootKeyWord, std::string(), Category(7)});
    Status("ROOT-" + c);
  }
  for (const std::string& p : progIds) {
    Add({p, kHkcr, std::string(), kRootKeyWord, std::string(), Category(7)});
    Status("ROOT-" + p);
  }
  for (const std::string& i : interfaces) {
    Add({i, kHkcr, "Interface", kRootKeyWord, std::string(), Category(7)});
    Status("ROOT-" + i);
  }
}

void Scanner::ComClassWalk() {
  LoadServers();
  std::vector<std::string> invalid, invalidServers;
  for (const auto& s : servers_) {
    if (Stopped()) return;
    if (Missing(s.second)) {
      invalid.push_back(s.first);
      invalidServers.push_back(s.second);
    }
  }
  if (invalid.empty()) return;
  std::vector<std::string> progIds, interfaces, namingKeys;
  CollectDependants(invalid, progIds, interfaces);
  for (const std::string& name : SubkeyNames(HKEY_CLASSES_ROOT, "", KEY_READ)) {
    if (Stopped()) return;
    UniqueKey clsidKey = OpenKey(HKEY_CLASSES_ROOT, name + "\\Clsid", KEY_READ);
    if (!clsidKey) continue;
    std::string clsid;
    ReadString(clsidKey.get(), std::string(), clsid);
    if (!clsid.empty() && InNoCase(invalid, clsid)) {
      namingKeys.push_back(name);
      Status(name);
    }
  }
  const std::string& category = Category(7);
  for (size_t i = 0; i < invalid.size(); ++i) {
    Add({invalid[i], kHkcr, "CLSID", kRootKeyWord, invalidServers[i], category});
    Status("ROOT-" + invalid[i]);
  }
  for (const std::string& p : progIds) {
    Add({p, kHkcr, std::string(), kRootKeyWord, std::string(), category});
    Status("ROOT-" + p);
  }
  for (const std::string& k : namingKeys) {
    Add({k, kHkcr, std::string(), kRootKeyWord, std::string(), category});
    Status("ROOT-" + k);
  }
  for (const std::string& i : interfaces) {
    Add({i, kHkcr, "Interface", kRootKeyWord, std::string(), category});
    Status("ROOT-" + i);
  }
}

void Scanner::SoftwareWalk(HKEY root, const std::string& path) {
  const bool machine = root == HKEY_LOCAL_MACHINE;
  std::vector<ScanRow> records;
  SoftwareKey(root, path, machine, records);
  const std::string rootName = suite::RootKeyName(root);
  const std::string& category = Category(machine ? 9 : 8);
  for (ScanRow& r : records) {
    r.rootName = rootName;
    r.category = category;
    Status(r.path);
    Add(std::move(r));
  }
}

// One key of the software walk: the values are enumerated with their data in
// one pass (one registry call per value), and the key stays open for all its
// reads. The value list ends at the unnamed default value, as everywhere; when
// it does, the default value's data came with that call.
void Scanner::SoftwareKey(HKEY root, const std::string& path, bool machine,
                          std::vector<ScanRow>& records) {
  if (Stopped()) return;
  Status(path);
  if (machine) {
    const std::string upper = ToUpper(path);
    if (upper.find("CLASSES") != std::string::npos) return;
    if (upper.find("MICROSOFT") != std::string::npos &&
        (upper.find("INTERNET") != std::string::npos || upper.find("UNINST") != std::string::npos))
      return;
  }
  std::vector<std::string> children;
  {
    UniqueKey key = OpenKey(root, path, KEY_READ);
    if (!key) return;
    char name[256];
    char data[1025];
    bool listed = false, sawDefault = false, endedCleanly = false;
    std::string defaultText;
    for (DWORD i = 0; i < suite::kMaxRegistryNames; ++i) {
      DWORD nameLen = sizeof name, dataLen = sizeof data - 1, type = 0;
      LONG rc = RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type,
                              reinterpret_cast<BYTE*>(data), &dataLen);
      std::string text;
      if (rc == ERROR_MORE_DATA) {
        // Data longer than the read buffer reads as the empty text; the name
        // alone decides whether the list goes on.
        nameLen = sizeof name;
        if (RegEnumValueA(key.get(), i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
          break;
      } else if (rc == ERROR_NO_MORE_ITEMS) {
        endedCleanly = true;
        break;
      } else if (rc != ERROR_SUCCESS) {
        break;
      } else {
        text = BytesAsText(data, dataLen);
      }
      if (nameLen == 0) {
        sawDefault = true;
        defaultText = text;
        break;
      }
      listed = true;
      if (HasDrivePath(text) && Missing(text)) {
        ScanRow r;
        r.name.assign(name, nameLen);
        r.path = path;
        r.kind = kKeyValueWord;
        r.text = text;
        records.push_back(std::move(r));
      }
    }
    // The default value is judged once for a key that lists any value.
    if (listed) {
      if (!sawDefault && !endedCleanly) {
        DWORD dataLen = sizeof data - 1, type = 0;
        if (RegQueryValueExA(key.get(), "", nullptr, &type, reinterpret_cast<BYTE*>(data),
                             &dataLen) == ERROR_SUCCESS) {
          sawDefault = true;
          defaultText = BytesAsText(data, dataLen);
        }
      }
      if (sawDefault && HasDrivePath(defaultText) && Missing(defaultText)) {
        ScanRow r;
        r.name = kDefaultValueLabel;
        r.defaultValue = true;
        r.path = path;
        r.kind = kKeyValueWord;
        r.text = defaultText;
        records.push_back(std::move(r));
      }
    }
    children = SubkeyNames(key.get());
  }
  for (const std::string& child : children) {
    if (Stopped()) return;
    SoftwareKey(root, path + "\\" + child, machine, records);
  }
}

bool PreselectRow(const std::string& text, const std::string& windowsFolder, bool withTemp) {
  const std::string p = ToLower(text);
  const std::string w = ToLower(windowsFolder);
  if (withTemp && !w.empty() && p.find(w + "\\temp") != std::string::npos) return true;
  const bool inWindows = !w.empty() && p.find(w) != std::string::npos;
  return !inWindows && p.find("common files") == std::string::npos;
}

void Preselect(std::vector<ScanRow>& rows, const std::string& windowsFolder) {
  for (ScanRow& r : rows) r.checked = PreselectRow(r.text, windowsFolder);
}

std::string SystemFileCheckCommand(bool win9x, const std::string& systemFolder) {
  return Format("%s\\%s", systemFolder.c_str(), win9x ? "sfc.exe" : "sfc.exe /SCANNOW");
}

}  // namespace hivemend
