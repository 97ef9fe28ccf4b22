#include "scanengine.h"

#include <map>
#include <set>

#include "handles.h"
#include "registry.h"
#include "sysinfo.h"
#include "text.h"

namespace hivemend {

using suite::ContainsNoCase;
using suite::IsProtectedClass;
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

namespace {

const char* const kHklm = "HKEY_LOCAL_MACHINE";
const char* const kHkcr = "HKEY_CLASSES_ROOT";

bool HasDrivePath(const std::string& text) { return text.find(":\\") != std::string::npos; }

std::string DefaultValue(HKEY root, const std::string& path, size_t limit = 256) {
  return ReadString(root, path, std::string(), KEY_READ, limit);
}

// The text a value's bytes make: up to the first NUL.
std::string BytesAsText(const char* data, DWORD size) {
  std::string s(data, size);
  size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

}  // namespace

void ApplyDependencies(std::vector<ScanRow>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const int p = rows[i].parent;
    if (p >= 0 && static_cast<size_t>(p) < i && !rows[static_cast<size_t>(p)].checked)
      rows[i].checked = false;
  }
}

void EraseRows(std::vector<ScanRow>& rows, const std::vector<int>& removed) {
  std::vector<int> newIndex(rows.size(), -1);
  std::vector<bool> gone(rows.size(), false);
  for (int r : removed)
    if (r >= 0 && static_cast<size_t>(r) < rows.size()) gone[static_cast<size_t>(r)] = true;
  std::vector<ScanRow> kept;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (gone[i]) continue;
    newIndex[i] = static_cast<int>(kept.size());
    kept.push_back(std::move(rows[i]));
  }
  for (ScanRow& r : kept)
    if (r.parent >= 0) r.parent = static_cast<size_t>(r.parent) < newIndex.size() ? newIndex[static_cast<size_t>(r.parent)] : -1;
  rows = std::move(kept);
}

std::vector<int> DependantsOf(const std::vector<ScanRow>& rows, int index) {
  std::vector<int> out;
  std::vector<bool> in(rows.size(), false);
  if (index < 0 || static_cast<size_t>(index) >= rows.size()) return out;
  in[static_cast<size_t>(index)] = true;
  for (size_t i = static_cast<size_t>(index) + 1; i < rows.size(); ++i) {
    const int p = rows[i].parent;
    if (p >= 0 && static_cast<size_t>(p) < i && in[static_cast<size_t>(p)]) {
      in[i] = true;
      out.push_back(static_cast<int>(i));
    }
  }
  return out;
}

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

int Scanner::Add(ScanRow row, RowRule rule, int parent) {
  row.rule = rule;
  row.parent = parent;
  const int index = rows_++;
  if (sink_.row) sink_.row(row);
  return index;
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
  if (t[2] && !Stopped())
    for (const std::string& key : suite::ViewPaths(HKEY_LOCAL_MACHINE, kAppPathsKey))
      AppPathWalk(key);
  if (t[3] && !Stopped()) {
    for (const char* help : {kHelpKey, kHtmlHelpKey})
      for (const std::string& key : suite::ViewPaths(HKEY_LOCAL_MACHINE, help)) HelpWalk(key);
  }
  // The class walks, in the 64-bit classes and then in the 32-bit ones.
  for (const std::string& view : suite::ViewPaths(HKEY_CLASSES_ROOT, std::string())) {
    SelectClassView(view.empty() ? view : view + "\\");
    if (t[4] && !Stopped()) FileTypeWalk();
    if (t[5] && !Stopped()) ContextMenuWalk();
    if (t[6] && !Stopped()) TypeLibraryWalk();
    if (t[7] && !Stopped()) ComClassWalk();
  }
  SelectClassView(std::string());
  if (t[8] && !Stopped()) {
    SoftwareWalk(HKEY_CURRENT_USER, "Software");
    SoftwareWalk(HKEY_USERS, ".Default\\Software");
  }
  if (t[9] && !Stopped()) SoftwareWalk(HKEY_LOCAL_MACHINE, "Software");
}

void Scanner::SelectClassView(const std::string& prefix) {
  if (prefix == classes_) return;
  classes_ = prefix;
  serversLoaded_ = proxiesLoaded_ = false;
  servers_.clear();
  proxies_.clear();
}

std::string Scanner::ClassesKey() const {
  return classes_.empty() ? classes_ : classes_.substr(0, classes_.size() - 1);
}

void Scanner::KnownDllWalk(const std::string& keyPath) { KnownFileWalk(keyPath, RowRule::KnownDll); }

void Scanner::KnownVxdWalk(const std::string& keyPath) { KnownFileWalk(keyPath, RowRule::KnownVxd); }

void Scanner::KnownFileWalk(const std::string& keyPath, RowRule rule) {
  UniqueKey key = OpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_READ);
  if (!key) return;
  const bool dll = rule == RowRule::KnownDll;
  const std::string system = dll ? suite::SystemFolder() : std::string();
  for (const std::string& name : ValueNames(key.get())) {
    if (Stopped()) return;
    std::string data;
    ReadString(key.get(), name, data);
    if (dll ? suite::KnownDllStale(data, system, checker_) : suite::KnownVxdStale(data, checker_))
      Add({name, kHklm, keyPath, kKeyValueWord, std::string(), Category(dll ? 0 : 1)}, rule);
    Status("System\\CurrentControlSet\\Control-" + name);
  }
}

void Scanner::AppPathWalk(const std::string& keyPath) {
  for (const std::string& name : SubkeyNames(HKEY_LOCAL_MACHINE, keyPath, KEY_READ)) {
    if (Stopped()) return;
    // A failed read gives the empty text, never the previous key's.
    const std::string text = DefaultValue(HKEY_LOCAL_MACHINE, keyPath + "\\" + name, 128);
    if (suite::AppPathStale(text, checker_))
      Add({name, kHklm, keyPath, kRootKeyWord, std::string(), Category(2)}, RowRule::AppPath);
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
    if (suite::HelpFileStale(name, folder, checker_))
      Add({name, kHklm, keyPath, kKeyValueWord, std::string(), Category(3)}, RowRule::HelpFile);
    Status("Software\\Microsoft\\Windows-" + name);
  }
}

void Scanner::FileTypeWalk() {
  const std::string view = ClassesKey();
  const std::vector<std::string> classes = SubkeyNames(HKEY_CLASSES_ROOT, view, KEY_READ);
  std::vector<std::string> invalid;
  std::vector<int> invalidRows;
  const std::string typeText = Category(4);
  for (const std::string& name : classes) {
    if (Stopped()) return;
    if (IsProtectedClass(name)) continue;
    UniqueKey icon =
        OpenKey(HKEY_CLASSES_ROOT, Classes(name) + "\\" + suite::kDefaultIconKey, KEY_READ);
    if (!icon) continue;
    std::string iconValue;
    ReadString(icon.get(), std::string(), iconValue);
    icon.reset();
    if (suite::DefaultIconStale(iconValue, checker_)) {
      std::string iconFile;
      int index = 0;
      suite::SplitIconValue(iconValue, iconFile, index);
      invalid.push_back(name);
      const std::string description = DefaultValue(HKEY_CLASSES_ROOT, Classes(name));
      invalidRows.push_back(Add({name, kHkcr, view, kRootKeyWord, iconFile,
                                 Format("%s - %s", description.c_str(), typeText.c_str())},
                                RowRule::ClassIcon));
    }
    Status("Classes_ROOT-" + name);
  }
  if (invalid.empty()) return;
  for (const std::string& ext : classes) {
    if (Stopped()) return;
    if (ext.empty() || ext[0] != '.') continue;
    const std::string cls = DefaultValue(HKEY_CLASSES_ROOT, Classes(ext));
    for (size_t k = 0; !cls.empty() && k < invalid.size(); ++k) {
      if (!EqualsNoCase(invalid[k], cls)) continue;
      // The extension exists because of its class: it takes the class row's tick.
      Add({ext, kHkcr, view, kRootKeyWord, std::string(),
           Format("%s - %s", ext.c_str(), typeText.c_str())},
          RowRule::Extension, invalidRows[k]);
      break;
    }
    Status("CLASSES_ROOT\\" + ext);
  }
}

void Scanner::ContextMenuWalk() {
  for (const std::string& cls : SubkeyNames(HKEY_CLASSES_ROOT, ClassesKey(), KEY_READ)) {
    if (Stopped()) return;
    if (cls.find("file") == std::string::npos) continue;
    const std::string shell = Classes(cls) + "\\shell";
    UniqueKey shellKey = OpenKey(HKEY_CLASSES_ROOT, shell, KEY_READ);
    if (!shellKey) continue;
    for (const std::string& verb : SubkeyNames(shellKey.get())) {
      if (Stopped()) return;
      const std::string commandKey = shell + "\\" + verb + "\\" + suite::kCommandKey;
      const std::string command = DefaultValue(HKEY_CLASSES_ROOT, commandKey);
      if (suite::ShellCommandStale(command, checker_))
        Add({verb, kHkcr, shell, kRootKeyWord, command, Category(5)}, RowRule::Command);
      Status(commandKey);
    }
  }
}

void Scanner::LoadServers() {
  if (serversLoaded_) return;
  serversLoaded_ = true;
  UniqueKey clsidRoot = OpenKey(HKEY_CLASSES_ROOT, Classes("CLSID"), KEY_READ);
  if (!clsidRoot) return;
  for (const std::string& clsid : SubkeyNames(clsidRoot.get())) {
    if (Stopped()) return;
    std::string path;
    if (!suite::ReadComServer(clsidRoot.get(), clsid, path)) continue;
    servers_.emplace_back(clsid, path);
    Status("ROOT-" + clsid);
  }
}

void Scanner::LoadProxyStubs() {
  if (proxiesLoaded_) return;
  proxiesLoaded_ = true;
  UniqueKey interfaces = OpenKey(HKEY_CLASSES_ROOT, Classes("Interface"), KEY_READ);
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

namespace {

int IndexNoCase(const std::vector<std::string>& list, const std::string& item) {
  for (size_t i = 0; i < list.size(); ++i)
    if (EqualsNoCase(list[i], item)) return static_cast<int>(i);
  return -1;
}

// A ProgID (or any class key) belongs to a dead class only when its own
// "CLSID" value is missing or names one of the invalid classes: a ProgID that
// a newer version registered again with a valid class is alive. `place` is
// the classes key that holds it ("" or "Wow6432Node"). A class of the 32-bit
// view takes a ProgID of the classes both views share only when the ProgID
// names it and the 64-bit view has no class of that identifier.
bool ClassKeyOfInvalid(const std::string& place, const std::string& name,
                       const std::vector<std::string>& invalid, bool wowClass = false) {
  if (IsStructuralClassKey(name)) return false;
  UniqueKey key = OpenKey(HKEY_CLASSES_ROOT, place.empty() ? name : place + "\\" + name, KEY_READ);
  if (!key) return false;  // nothing there to remove
  const bool shared = wowClass && !suite::InWow64View(place);
  UniqueKey clsidKey = OpenKey(key.get(), "CLSID", KEY_READ);
  if (!clsidKey) return !shared;
  std::string clsid;
  if (!ReadString(clsidKey.get(), std::string(), clsid) || clsid.empty()) return !shared;
  if (shared && !suite::SharedProgIdIsOnly32Bit(clsid)) return false;
  return IndexNoCase(invalid, clsid) >= 0;
}

// Library files below TypeLib, by library GUID (one walk of the shared recursion).
class TypeLibCollector : public suite::KeyTreeVisitor {
 public:
  struct Library {
    std::string guid;
    std::vector<std::string> files;
  };
  std::vector<Library> libraries;
  // `base` is the walk's start path ("TypeLib" of one view).
  TypeLibCollector(const std::atomic<bool>& stop, const std::string& base)
      : stop_(stop), base_(base) {}

  bool Enter(HKEY key, const std::wstring& wpath, int) override {
    if (stop_) return false;
    bool lossless = true;
    const std::string whole = suite::AnsiFromWide(wpath, &lossless);
    if (!lossless) return false;  // not a name the ANSI calls can reach
    if (whole.size() < base_.size()) return true;
    const std::string path = whole.substr(base_.size());  // "\{id}\1.0\0\win32"
    if (path.find("\\win32") == std::string::npos) return true;
    const size_t from = path.find('\\');
    const size_t to = from == std::string::npos ? from : path.find('\\', from + 1);
    if (to == std::string::npos) return true;
    const std::string guid = path.substr(from + 1, to - from - 1);
    if (guid.size() < 2 || guid.front() != '{' || guid.back() != '}') return true;
    std::string file;
    ReadString(key, std::string(), file);
    // A trailing resource index ("\2") is cut at a real backslash only.
    const size_t slash = suite::LastBackslash(file);
    if (slash != std::string::npos && file.size() - slash <= 2) file.resize(slash);
    for (Library& lib : libraries) {
      if (EqualsNoCase(lib.guid, guid)) {
        lib.files.push_back(file);
        return true;
      }
    }
    libraries.push_back({guid, {file}});
    return true;
  }

 private:
  const std::atomic<bool>& stop_;
  std::string base_;
};

}  // namespace

void Scanner::AddDependants(const std::vector<std::string>& invalidClsids,
                            const std::vector<int>& clsidRows, const std::string& category) {
  for (size_t i = 0; i < invalidClsids.size(); ++i) {
    if (Stopped()) return;
    UniqueKey prog =
        OpenKey(HKEY_CLASSES_ROOT, Classes("CLSID\\" + invalidClsids[i] + "\\ProgID"), KEY_READ);
    if (!prog) continue;
    std::string name;
    ReadString(prog.get(), std::string(), name);
    const std::string place = suite::ProgIdPlace(ClassesKey(), name);
    // A nameless ProgID is listed and never repaired.
    if (name.empty() || ClassKeyOfInvalid(place, name, invalidClsids, !classes_.empty())) {
      Add({name, kHkcr, place, kRootKeyWord, std::string(), category}, RowRule::ProgId,
          clsidRows[i]);
      Status("ROOT-" + name);
    }
  }
}

void Scanner::TypeLibraryWalk() {
  StatusF("Scanning COM/OLE...");
  const std::string typeLibKey = Classes("TypeLib");
  TypeLibCollector collector(stop_, typeLibKey);
  {
    const std::wstring wkey = suite::WideFromAnsi(typeLibKey);
    UniqueKey typeLib = suite::OpenKeyNoLink(HKEY_CLASSES_ROOT, wkey, KEY_READ);
    if (!typeLib) return;
    suite::WalkKeyTree(typeLib.get(), wkey, KEY_READ, collector, &stop_);
  }
  if (Stopped()) return;

  // A library is invalid when every one of its registered files is missing:
  // its whole TypeLib key goes, and a version whose file is present keeps it.
  std::vector<std::string> invalidFiles;
  std::vector<int> fileRows;  // the library row of each invalid file
  for (const auto& lib : collector.libraries) {
    if (Stopped()) return;
    std::vector<std::string> missing;
    bool anyPresent = false;
    for (const std::string& file : lib.files) {
      if (Missing(file))
        missing.push_back(file);
      else
        anyPresent = true;
      Status(file);
    }
    if (anyPresent || missing.empty()) continue;
    const int row =
        Add({lib.guid, kHkcr, typeLibKey, kRootKeyWord, missing.front(), Category(6)},
            RowRule::TypeLibrary);
    Status("ROOT-" + lib.guid);
    for (const std::string& f : missing) {
      invalidFiles.push_back(f);
      fileRows.push_back(row);
    }
  }
  if (invalidFiles.empty()) return;

  std::vector<std::string> clsids;
  std::vector<int> clsidParents;
  LoadServers();
  for (size_t k = 0; k < invalidFiles.size(); ++k) {
    if (Stopped()) return;
    StatusF("Scanning Interface...");
    for (const auto& s : servers_) {
      if (!EqualsNoCase(s.second, invalidFiles[k]) || IndexNoCase(clsids, s.first) >= 0) continue;
      clsids.push_back(s.first);
      clsidParents.push_back(fileRows[k]);
    }
  }
  const std::string& category = Category(7);
  std::vector<int> clsidRows;
  for (size_t i = 0; i < clsids.size(); ++i) {
    clsidRows.push_back(Add({clsids[i], kHkcr, Classes("CLSID"), kRootKeyWord, std::string(), category},
                            RowRule::ComClass, clsidParents[i]));
    Status("ROOT-" + clsids[i]);
  }
  AddDependants(clsids, clsidRows, category);
  AddInterfaces(clsids, clsidRows, category);
}

void Scanner::AddInterfaces(const std::vector<std::string>& invalidClsids,
                            const std::vector<int>& clsidRows, const std::string& category) {
  if (invalidClsids.empty()) return;
  LoadProxyStubs();
  std::vector<std::string> seen;
  for (const auto& p : proxies_) {
    if (Stopped()) return;
    const int k = IndexNoCase(invalidClsids, p.second);
    if (k < 0 || IndexNoCase(seen, p.first) >= 0) continue;
    seen.push_back(p.first);
    Add({p.first, kHkcr, Classes("Interface"), kRootKeyWord, std::string(), category},
        RowRule::Interface,
        clsidRows[static_cast<size_t>(k)]);
    Status("ROOT-" + p.first);
  }
}

void Scanner::ComClassWalk() {
  LoadServers();
  std::vector<std::string> invalid, invalidServers;
  for (const auto& s : servers_) {
    if (Stopped()) return;
    if (suite::ComServerStale(s.second, checker_)) {
      invalid.push_back(s.first);
      invalidServers.push_back(s.second);
    }
  }
  if (invalid.empty()) return;
  const std::string& category = Category(7);
  std::vector<int> rows;
  for (size_t i = 0; i < invalid.size(); ++i) {
    rows.push_back(Add({invalid[i], kHkcr, Classes("CLSID"), kRootKeyWord, invalidServers[i], category},
                       RowRule::ComClass));
    Status("ROOT-" + invalid[i]);
  }
  AddDependants(invalid, rows, category);
  // Keys whose own "Clsid" value names an invalid class.
  for (const std::string& name : SubkeyNames(HKEY_CLASSES_ROOT, ClassesKey(), KEY_READ)) {
    if (Stopped()) return;
    if (IsStructuralClassKey(name)) continue;
    UniqueKey clsidKey = OpenKey(HKEY_CLASSES_ROOT, Classes(name) + "\\Clsid", KEY_READ);
    if (!clsidKey) continue;
    std::string clsid;
    ReadString(clsidKey.get(), std::string(), clsid);
    const int k = clsid.empty() ? -1 : IndexNoCase(invalid, clsid);
    if (k < 0) continue;
    Add({name, kHkcr, ClassesKey(), kRootKeyWord, std::string(), category}, RowRule::ClassNamer,
        rows[static_cast<size_t>(k)]);
    Status(name);
  }
  AddInterfaces(invalid, rows, category);
}

namespace {

// A value's data as the text the path test reads: UTF-16 strings converted
// (a text the code page cannot hold is no path the test can judge), other
// types taken as bytes up to the first NUL.
std::string ValueText(DWORD type, const BYTE* data, DWORD size, bool& judged) {
  judged = true;
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::wstring w(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
    const size_t nul = w.find(L'\0');
    if (nul != std::wstring::npos) w.resize(nul);
    bool lossless = true;
    std::string text = suite::AnsiFromWide(w, &lossless);
    if (!lossless) judged = false;
    return text;
  }
  return BytesAsText(reinterpret_cast<const char*>(data), size);
}

}  // namespace

// The software walk on the shared key-tree recursion, with the registry's own
// UTF-16 names: a value or key outside the ANSI code page is listed, backed
// up and removed by its real name.
class SoftwareVisitor : public suite::KeyTreeVisitor {
 public:
  SoftwareVisitor(Scanner& scanner, bool machine) : scanner_(scanner), machine_(machine) {}
  std::vector<ScanRow> records;

  bool Enter(HKEY key, const std::wstring& wpath, int) override {
    if (scanner_.Stopped()) return false;
    const std::string path = suite::DisplayName(wpath);
    scanner_.Status(path);
    if (machine_) {
      const std::string upper = ToUpper(path);
      if (upper.find("CLASSES") != std::string::npos) return false;
      if (upper.find("MICROSOFT") != std::string::npos &&
          (upper.find("INTERNET") != std::string::npos || upper.find("UNINST") != std::string::npos))
        return false;
    }
    // One registry call per value: the names with their data. The list ends
    // at the unnamed default value, as everywhere; its data came with it.
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(2050);
    bool listed = false, sawDefault = false, endedCleanly = false;
    std::string defaultText;
    bool defaultJudged = false;
    for (DWORD i = 0; i < suite::kMaxRegistryNames; ++i) {
      DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = 2048, type = 0;
      LONG rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
      std::string text;
      bool judged = false;
      if (rc == ERROR_MORE_DATA) {
        // Data longer than the read buffer reads as the empty text; the name
        // alone decides whether the list goes on.
        nameLen = static_cast<DWORD>(name.size());
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
          break;
      } else if (rc == ERROR_NO_MORE_ITEMS) {
        endedCleanly = true;
        break;
      } else if (rc != ERROR_SUCCESS) {
        break;
      } else {
        text = ValueText(type, data.data(), dataLen, judged);
      }
      if (nameLen == 0) {
        sawDefault = true;
        defaultText = text;
        defaultJudged = judged;
        break;
      }
      listed = true;
      if (judged && HasDrivePath(text) && scanner_.Missing(text)) {
        ScanRow r;
        r.nameW.assign(name.data(), nameLen);
        r.name = suite::DisplayName(r.nameW);
        r.pathW = wpath;
        r.path = path;
        r.wide = true;
        r.kind = kKeyValueWord;
        r.text = text;
        records.push_back(std::move(r));
      }
    }
    // The default value is judged once for a key that lists any value.
    if (listed) {
      if (!sawDefault && !endedCleanly) {
        DWORD dataLen = 2048, type = 0;
        if (RegQueryValueExW(key, L"", nullptr, &type, data.data(), &dataLen) == ERROR_SUCCESS) {
          sawDefault = true;
          defaultText = ValueText(type, data.data(), dataLen, defaultJudged);
        }
      }
      if (sawDefault && defaultJudged && HasDrivePath(defaultText) &&
          scanner_.Missing(defaultText)) {
        ScanRow r;
        r.name = kDefaultValueLabel;
        r.defaultValue = true;
        r.pathW = wpath;
        r.path = path;
        r.wide = true;
        r.kind = kKeyValueWord;
        r.text = defaultText;
        records.push_back(std::move(r));
      }
    }
    return true;
  }

 private:
  Scanner& scanner_;
  bool machine_;
};

void Scanner::SoftwareWalk(HKEY root, const std::string& path) {
  const bool machine = root == HKEY_LOCAL_MACHINE;
  SoftwareVisitor visitor(*this, machine);
  {
    const std::wstring wpath = suite::WideFromAnsi(path);
    UniqueKey key = suite::OpenKeyNoLink(root, wpath, KEY_READ);
    if (!key) return;
    suite::WalkKeyTree(key.get(), wpath, KEY_READ, visitor, &stop_);
  }
  const std::string rootName = suite::RootKeyName(root);
  const std::string& category = Category(machine ? 9 : 8);
  for (ScanRow& r : visitor.records) {
    r.rootName = rootName;
    r.category = category;
    Status(r.path);
    Add(std::move(r), RowRule::SoftwareValue);
  }
}

// ---------------------------------------------------------------- recheck

Rechecker::Rechecker(const std::vector<ScanRow>& rows)
    : Rechecker(rows, suite::NonFixedDrives()) {}

Rechecker::Rechecker(const std::vector<ScanRow>& rows, std::vector<std::string> nonFixedRoots)
    : rows_(rows),
      checker_(suite::kRegistryScannerPathCheck, std::move(nonFixedRoots)),
      memo_(rows.size(), -1) {}

bool Rechecker::StillInvalid(size_t index) {
  if (index >= rows_.size()) return false;
  if (memo_[index] >= 0) return memo_[index] == 1;
  const ScanRow& row = rows_[index];
  bool invalid = Check(row);
  // A row that exists because of another holds only while that one does.
  if (invalid && row.parent >= 0 && static_cast<size_t>(row.parent) < index)
    invalid = StillInvalid(static_cast<size_t>(row.parent));
  memo_[index] = invalid ? 1 : 0;
  return invalid;
}

namespace {

std::string ClassValue(const std::string& key, const std::string& sub) {
  return DefaultValue(HKEY_CLASSES_ROOT, sub.empty() ? key : key + "\\" + sub);
}

// The classes prefix of a row's view: "Wow6432Node\\" for a row of the
// 32-bit classes, else "".
std::string ViewPrefix(const std::string& path) {
  return suite::InWow64View(path) ? std::string(suite::kWow64Node) + "\\" : std::string();
}

}  // namespace

bool Rechecker::Check(const ScanRow& row) {
  const HKEY root = suite::RootKeyFromName(row.rootName);
  if (!root) return false;
  const bool hasParent = row.parent >= 0 && static_cast<size_t>(row.parent) < rows_.size();
  const std::string parentName = hasParent ? rows_[static_cast<size_t>(row.parent)].name : std::string();
  // The view of a class row is its key path's; a ProgID's is its class's.
  const std::string view = ViewPrefix(
      row.rule == RowRule::ProgId && hasParent ? rows_[static_cast<size_t>(row.parent)].path : row.path);
  switch (row.rule) {
    case RowRule::KnownDll:
    case RowRule::KnownVxd: {
      UniqueKey key = OpenKey(root, row.path, KEY_READ);
      std::string data;
      if (!key || !ReadString(key.get(), row.name, data)) return false;
      return row.rule == RowRule::KnownVxd
                 ? suite::KnownVxdStale(data, checker_)
                 : suite::KnownDllStale(data, suite::SystemFolder(), checker_);
    }
    case RowRule::AppPath: {
      const std::string text = DefaultValue(root, row.path + "\\" + row.name, 128);
      return suite::AppPathStale(text, checker_);
    }
    case RowRule::HelpFile: {
      UniqueKey key = OpenKey(root, row.path, KEY_READ);
      std::string folder;
      if (!key || !ReadString(key.get(), row.name, folder, 128)) return false;
      return suite::HelpFileStale(row.name, folder, checker_);
    }
    case RowRule::ClassIcon: {
      return suite::DefaultIconStale(ClassValue(view + row.name, suite::kDefaultIconKey),
                                     checker_);
    }
    case RowRule::Extension: {
      const std::string cls = ClassValue(view + row.name, std::string());
      return !cls.empty() && EqualsNoCase(cls, parentName);
    }
    case RowRule::Command: {
      const std::string verbKey = row.path + "\\" + row.name;
      const std::string command = DefaultValue(root, verbKey + "\\" + suite::kCommandKey);
      UniqueKey verb = OpenKey(root, verbKey, KEY_READ);
      return verb && suite::ShellCommandStale(command, checker_);
    }
    case RowRule::TypeLibrary: {
      std::atomic<bool> never{false};
      TypeLibCollector collector(never, view + "TypeLib");
      const std::string libKey = view + "TypeLib\\" + row.name;
      UniqueKey lib = OpenKey(HKEY_CLASSES_ROOT, libKey, KEY_READ);
      if (!lib) return false;
      suite::WalkKeyTree(lib.get(), suite::WideFromAnsi(libKey), KEY_READ, collector);
      bool anyMissing = false;
      for (const auto& l : collector.libraries)
        for (const std::string& f : l.files) {
          if (!Missing(f)) return false;
          anyMissing = true;
        }
      return anyMissing;
    }
    case RowRule::ComClass: {
      const std::string clsidKey = view + "CLSID\\" + row.name;
      std::string path;
      return suite::ReadComServer(HKEY_CLASSES_ROOT, clsidKey, path) &&
             suite::ComServerStale(path, checker_);
    }
    case RowRule::ProgId:
      return !row.name.empty() &&
             ClassKeyOfInvalid(row.path, row.name, {parentName}, !view.empty());
    case RowRule::ClassNamer: {
      if (IsStructuralClassKey(row.name)) return false;
      const std::string clsid = ClassValue(view + row.name, "Clsid");
      return !clsid.empty() && EqualsNoCase(clsid, parentName);
    }
    case RowRule::Interface: {
      const std::string clsid = ClassValue(view + "Interface\\" + row.name, "ProxyStubClsid32");
      return !clsid.empty() && EqualsNoCase(clsid, parentName);
    }
    case RowRule::SoftwareValue: {
      const std::wstring path = row.wide ? row.pathW : suite::WideFromAnsi(row.path);
      const std::wstring name =
          row.defaultValue ? std::wstring() : (row.wide ? row.nameW : suite::WideFromAnsi(row.name));
      UniqueKey key = suite::OpenKeyNoLink(root, path, KEY_READ);
      if (!key) return false;
      std::vector<BYTE> data(2050);
      DWORD size = 2048, type = 0;
      const LONG rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
      if (rc == ERROR_MORE_DATA) return false;  // long data reads as the empty text
      if (rc != ERROR_SUCCESS) return false;
      bool judged = false;
      const std::string text = ValueText(type, data.data(), size, judged);
      return judged && HasDrivePath(text) && Missing(text);
    }
    case RowRule::None:
      return true;  // a row made elsewhere, with no test to repeat
  }
  return false;
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
  ApplyDependencies(rows);
}

std::string SystemFileCheckCommand(bool win9x, const std::string& systemFolder) {
  return Format("%s\\%s", systemFolder.c_str(), win9x ? "sfc.exe" : "sfc.exe /SCANNOW");
}

}  // namespace hivemend
