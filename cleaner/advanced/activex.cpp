#include "activex.h"

#include <objbase.h>

#include "classkeys.h"
#include "handles.h"
#include "registry.h"
#include "removal.h"
#include "sysinfo.h"
#include "text.h"

namespace dustrel {

using suite::ComScope;
using suite::ContainsNoCase;
using suite::EqualsNoCase;
using suite::OpenKey;
using suite::ReadString;
using suite::UniqueKey;
using suite::UniqueModule;

const char* const kActiveXRecordKey = "Software\\Quillon\\ActiveXClean";

namespace {

const char* const kHkcr = "HKEY_CLASSES_ROOT";
const char* const kHklm = "HKEY_LOCAL_MACHINE";
// Registry paths and server command lines are read whole, never cut at 256 bytes.
constexpr size_t kValueLimit = 32768;

bool HasDrivePathWithoutQuote(const std::string& path) {
  return path.find(":\\") != std::string::npos && path.find('"') == std::string::npos;
}

bool KeyPresent(HKEY root, const std::string& path) {
  return static_cast<bool>(OpenKey(root, path, KEY_READ));
}

void AddUnique(std::vector<std::string>& list, const std::string& name) {
  for (const std::string& n : list)
    if (EqualsNoCase(n, name)) return;
  list.push_back(name);
}

// The unnamed default value of an open key, read in UTF-16 and given in the
// ANSI code page; `exact` tells whether the text kept every character.
std::string WideDefault(HKEY key, bool* exact) {
  if (exact) *exact = true;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, L"", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return {};
  std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, L"", nullptr, &type, reinterpret_cast<BYTE*>(&buf[0]), &got) !=
      ERROR_SUCCESS)
    return {};
  buf.resize(got / sizeof(wchar_t));
  const size_t nul = buf.find(L'\0');
  if (nul != std::wstring::npos) buf.resize(nul);
  return suite::AnsiFromWide(buf, exact);
}

// The type-library walk: every key named "win32" three or more levels below
// "TypeLib" is one entry; the key two levels above it is the version key.
class TypeLibWalk : public suite::KeyTreeVisitor {
 public:
  explicit TypeLibWalk(std::vector<ActiveXEntry>& out) : out_(out) {}

  bool Enter(HKEY key, const std::wstring& path, int depth) override {
    const size_t cut = path.find_last_of(L'\\');
    const std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
    if (static_cast<size_t>(depth) >= names_.size()) {
      names_.resize(static_cast<size_t>(depth) + 1);
      defaults_.resize(static_cast<size_t>(depth) + 1);
    }
    names_[static_cast<size_t>(depth)] = name;
    defaults_[static_cast<size_t>(depth)].clear();
    // The key two levels above a "win32" key names the library.
    if (depth >= 1) defaults_[static_cast<size_t>(depth)] = WideDefault(key, nullptr);
    if (depth >= 3 && _wcsicmp(name.c_str(), L"win32") == 0) {
      ActiveXEntry e;
      e.keyPath = suite::DisplayName(path);
      const size_t version = static_cast<size_t>(depth) - 2;
      e.displayName = defaults_[version] + " " + suite::DisplayName(names_[version]);
      bool exact = true;
      e.filePath = WideDefault(key, &exact);
      e.pathExact = exact;
      out_.push_back(e);
    }
    return true;
  }

 private:
  std::vector<ActiveXEntry>& out_;
  std::vector<std::wstring> names_;
  std::vector<std::string> defaults_;
};

// Whether a full path lies in one of the system folders (or directly in the
// Windows folder), where the control files of the system itself live.
bool InSystemFolder(const std::string& path) {
  char full[MAX_PATH + 1] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n > MAX_PATH) return true;  // cannot be judged
  std::string form(full, n);
  char longName[MAX_PATH + 1] = {};
  n = GetLongPathNameA(form.c_str(), longName, MAX_PATH);
  if (n > 0 && n <= MAX_PATH) form.assign(longName, n);
  form = suite::ToUpper(form);
  std::vector<std::string> folders = suite::OtherSystemFolders();
  folders.push_back(suite::SystemFolder());
  for (std::string folder : folders) {
    if (folder.empty()) continue;
    char longFolder[MAX_PATH + 1] = {};
    n = GetLongPathNameA(folder.c_str(), longFolder, MAX_PATH);
    if (n > 0 && n <= MAX_PATH) folder.assign(longFolder, n);
    folder = suite::ToUpper(folder);
    suite::DropTrailingBackslash(folder);
    if (form.size() > folder.size() && form.compare(0, folder.size(), folder) == 0 &&
        form[folder.size()] == '\\')
      return true;
  }
  std::string windows = suite::ToUpper(suite::WindowsFolder());
  suite::DropTrailingBackslash(windows);
  const size_t last = suite::LastBackslash(form);
  return !windows.empty() && last != std::string::npos && form.substr(0, last) == windows;
}

bool IsAbsolutePath(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         path.find_first_of("\"*?") == std::string::npos;
}

bool DeleteRecordValue(const std::string& recordKey, const std::string& name) {
  return suite::RemoveSettingValue(kHklm, recordKey, name);
}

}  // namespace

std::string StripResourceIndex(const std::string& path) {
  const size_t last = suite::LastBackslash(path);
  if (last == std::string::npos) return path;
  const std::string tail = path.substr(last + 1);
  const bool oneCharacter =
      tail.size() <= 1 ||
      (tail.size() == 2 && IsDBCSLeadByte(static_cast<unsigned char>(tail[0])));
  return oneCharacter ? path.substr(0, last) : path;
}

bool IsControlCachePath(const std::string& path) {
  // The file's own extension: a folder such as "x.ocache" is no control cache.
  const size_t last = suite::LastBackslash(path);
  const std::string name = last == std::string::npos ? path : path.substr(last + 1);
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && EqualsNoCase(name.substr(dot), ".oca");
}

bool ControlFileFound(const std::string& path, FILETIME* lastWrite) {
  auto find = [lastWrite](const std::string& p) {
    // A wildcard would let the search find some other file.
    if (p.empty() || p.find_first_of("*?") != std::string::npos) return false;
    WIN32_FIND_DATAA data;
    suite::UniqueHandle<suite::FindHandlePolicy> h(FindFirstFileA(p.c_str(), &data));
    if (!h) return false;
    if (lastWrite) *lastWrite = data.ftLastWriteTime;
    return true;
  };
  if (find(path)) return true;
  // A 32-bit control registered as "...\system32\x.ocx" lives in the 32-bit
  // system folder of a 64-bit Windows (and the other way round).
  std::string system = suite::SystemFolder();
  suite::DropTrailingBackslash(system);
  if (system.empty() || path.size() <= system.size() ||
      !EqualsNoCase(path.substr(0, system.size()), system) || path[system.size()] != '\\')
    return false;
  for (const std::string& other : suite::OtherSystemFolders())
    if (!other.empty() && find(other + path.substr(system.size()))) return true;
  return false;
}

bool IsOrphanPath(const std::string& path) {
  if (IsControlCachePath(path)) return true;
  if (ControlFileFound(path)) return false;
  return HasDrivePathWithoutQuote(path) || path.find('.') == std::string::npos;
}

bool IsOrphanEntry(const ActiveXEntry& entry) {
  const std::string path = StripResourceIndex(entry.filePath);
  if (IsControlCachePath(path)) return true;
  return entry.pathExact && IsOrphanPath(path);
}

bool ListTypeLibraries(std::vector<ActiveXEntry>& out, const std::atomic<bool>* stop) {
  out.clear();
  // Both registry views of a 64-bit Windows: the 32-bit controls' libraries
  // lie below "Wow6432Node\TypeLib".
  for (const std::string& path : suite::ViewPaths(HKEY_CLASSES_ROOT, "TypeLib")) {
    if (stop && stop->load()) break;
    const std::wstring wpath = suite::WideFromAnsi(path);
    UniqueKey typeLib = suite::OpenKeyNoLink(HKEY_CLASSES_ROOT, wpath, KEY_READ);
    if (!typeLib) continue;
    TypeLibWalk walk(out);
    suite::WalkKeyTree(typeLib.get(), wpath, KEY_READ, walk, stop);
  }
  return !(stop && stop->load());
}

std::string FileDateText(const FILETIME& lastWrite) {
  FILETIME local;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToSystemTime(&local, &t))
    return std::string();
  return suite::Format("%-4d-%02d-%02d|%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}

ActiveXAdvice AdviseOn(const ActiveXEntry& entry) {
  ActiveXAdvice a;
  const std::string path = StripResourceIndex(entry.filePath);
  FILETIME lastWrite{};
  a.fileFound = entry.pathExact && ControlFileFound(path, &lastWrite);
  if (a.fileFound) {
    a.date = FileDateText(lastWrite);
    a.adviceKey = "strNotDeleteActiveX";
  } else {
    a.date = "无法得知!";
    a.registryOnly =
        entry.pathExact && (HasDrivePathWithoutQuote(path) || path.find('.') == std::string::npos);
    a.adviceKey = a.registryOnly ? "strYesDeleteActiveX" : "strNotDeleteActiveX";
  }
  if (IsControlCachePath(path)) {
    a.adviceKey = "strDebugActiveX";
    a.registryOnly = true;
  }
  return a;
}

ActiveXMatches CollectMatches(const std::string& storedPath, const std::string& view) {
  ActiveXMatches m;
  if (storedPath.empty()) return m;
  const std::string classes = view.empty() ? view : view + "\\";
  UniqueKey clsid = OpenKey(HKEY_CLASSES_ROOT, classes + "CLSID", KEY_READ);
  if (clsid) {
    for (const std::string& c : suite::SubkeyNames(clsid.get())) {
      UniqueKey server = OpenKey(clsid.get(), c + "\\InProcServer32", KEY_READ);
      if (!server) server = OpenKey(clsid.get(), c + "\\LocalServer32", KEY_READ);
      if (!server) continue;
      std::string value;
      ReadString(server.get(), std::string(), value, kValueLimit);
      if (EqualsNoCase(value, storedPath)) AddUnique(m.classes, c);
    }
    for (const std::string& c : m.classes) {
      UniqueKey progIdValue = OpenKey(clsid.get(), c + "\\ProgID", KEY_READ);
      if (!progIdValue) continue;
      std::string progId;
      ReadString(progIdValue.get(), std::string(), progId, kValueLimit);
      // Never a collection, a shell class, an extension or a path.
      if (suite::IsStructuralClassKey(progId)) continue;
      // A 32-bit class's ProgID lies in its own classes or in the shared ones.
      const std::string place = suite::ProgIdPlace(view, progId);
      const std::string progIdKey = place.empty() ? progId : place + "\\" + progId;
      const bool shared = !view.empty() && place.empty();
      if (!KeyPresent(HKEY_CLASSES_ROOT, progIdKey)) continue;
      // A ProgID that a newer class took over stays with it.
      UniqueKey owner = OpenKey(HKEY_CLASSES_ROOT, progIdKey + "\\CLSID", KEY_READ);
      std::string ownerClass;
      if (owner) ReadString(owner.get(), std::string(), ownerClass, kValueLimit);
      if (owner) {
        bool ours = ownerClass.empty() && !shared;
        for (const std::string& k : m.classes) ours = ours || EqualsNoCase(k, ownerClass);
        if (!ours) continue;
      }
      if (shared && !suite::SharedProgIdIsOnly32Bit(ownerClass)) continue;
      AddUnique(m.progIds, progIdKey);
    }
  }
  if (m.classes.empty()) return m;
  UniqueKey interfaces = OpenKey(HKEY_CLASSES_ROOT, classes + "Interface", KEY_READ);
  if (!interfaces) return m;
  for (const std::string& i : suite::SubkeyNames(interfaces.get())) {
    UniqueKey proxy = OpenKey(interfaces.get(), i + "\\ProxyStubClsid32", KEY_READ);
    if (!proxy) continue;
    std::string value;
    ReadString(proxy.get(), std::string(), value, kValueLimit);
    for (const std::string& c : m.classes)
      if (EqualsNoCase(value, c)) {
        AddUnique(m.interfaces, i);
        break;
      }
  }
  return m;
}

std::string ClassesViewOf(const std::string& keyPath) {
  const std::string view = suite::kWow64Node;
  return keyPath.size() > view.size() && keyPath[view.size()] == '\\' &&
                 EqualsNoCase(keyPath.substr(0, view.size()), view)
             ? view
             : std::string();
}

std::string LibraryIdentifier(const std::string& keyPath) {
  const std::string view = ClassesViewOf(keyPath);
  const std::string prefix = view.empty() ? "TypeLib\\" : view + "\\TypeLib\\";
  if (keyPath.size() <= prefix.size() || !EqualsNoCase(keyPath.substr(0, prefix.size()), prefix))
    return std::string();
  const std::string rest = keyPath.substr(prefix.size());
  const size_t end = rest.find('\\');  // library identifiers are ASCII (GUIDs)
  const std::string id = rest.substr(0, end);
  if (id.empty() || id.find_first_not_of(' ') == std::string::npos) return std::string();
  return id;
}

std::string LibraryVersion(const std::string& keyPath) {
  const std::string id = LibraryIdentifier(keyPath);
  if (id.empty()) return std::string();
  const size_t at = keyPath.find("\\" + id + "\\");
  if (at == std::string::npos) return std::string();
  const size_t from = at + id.size() + 2;
  const std::string version = keyPath.substr(from, keyPath.find('\\', from) - from);
  return version.find_first_not_of(' ') == std::string::npos ? std::string() : version;
}

std::vector<suite::RegEntry> RegistryOnlyEntries(const ActiveXEntry& entry) {
  std::vector<suite::RegEntry> entries;
  const std::string id = LibraryIdentifier(entry.keyPath);
  if (id.empty()) return entries;
  // A library of the 32-bit view's own TypeLib has its classes there; one of
  // the TypeLib both views share (Windows 7 and later, Wine) may have them in
  // either view's classes.
  const std::string view = ClassesViewOf(entry.keyPath);
  const std::string classes = view.empty() ? view : view + "\\";
  std::vector<std::string> classViews{view};
  if (view.empty())
    for (const std::string& v : suite::ViewPaths(HKEY_CLASSES_ROOT, "CLSID"))
      if (suite::InWow64View(v)) classViews.push_back(suite::kWow64Node);
  if (entry.filePath.find('.') != std::string::npos) {
    for (const std::string& classView : classViews) {
      const std::string prefix = classView.empty() ? classView : classView + "\\";
      const ActiveXMatches m = CollectMatches(entry.filePath, classView);
      std::vector<std::string> keys;
      for (const std::string& c : m.classes) keys.push_back(prefix + "CLSID\\" + c);
      keys.insert(keys.end(), m.progIds.begin(), m.progIds.end());
      for (const std::string& i : m.interfaces) keys.push_back(prefix + "Interface\\" + i);
      for (const std::string& key : keys) {
        bool listed = false;  // a ProgID both views' classes name is one entry
        for (const suite::RegEntry& e : entries) listed = listed || EqualsNoCase(e.keyPath, key);
        if (!listed) entries.push_back(suite::KeyEntry(kHkcr, key));
      }
    }
  }
  // The row's version of the library; the library key itself only when that
  // version is all it holds.
  const std::string library = classes + "TypeLib\\" + id;
  const std::string version = LibraryVersion(entry.keyPath);
  const std::vector<std::string> versions = suite::SubkeyNames(HKEY_CLASSES_ROOT, library, KEY_READ);
  const bool onlyThis = versions.empty() || (versions.size() == 1 && EqualsNoCase(versions[0], version));
  entries.push_back(suite::KeyEntry(kHkcr, onlyThis || version.empty() ? library
                                                                       : library + "\\" + version));
  return entries;
}

RegistryRemoval RemoveRegistryOnly(const ActiveXEntry& entry) {
  return RemoveRegistryOnly(entry, suite::BackupStorePath());
}

RegistryRemoval RemoveRegistryOnly(const ActiveXEntry& entry, const std::string& store) {
  RegistryRemoval r;
  // Checked again just before: a control whose file came back is unregistered
  // by its own code instead.
  if (!AdviseOn(entry).registryOnly) {
    r.refused = true;
    return r;
  }
  r.entries = RegistryOnlyEntries(entry);
  if (r.entries.empty()) {
    r.refused = true;
    return r;
  }
  static_cast<suite::RemovalReport&>(r) = suite::RemoveWithBackup(r.entries, store);
  return r;
}

RegistrationResult CallRegistration(const std::string& path, bool registerServer) {
  if (path.empty()) return RegistrationResult::LoadFailed;
  // No "insert a disk" or missing-library box may stop the window.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // A control's own libraries are looked for beside it first.
  UniqueModule module(IsAbsolutePath(path)
                          ? LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                          : LoadLibraryA(path.c_str()));
  SetErrorMode(oldMode);
  if (!module) return RegistrationResult::LoadFailed;
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const Entry entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(
      GetProcAddress(module.get(), registerServer ? "DllRegisterServer" : "DllUnregisterServer")));
  if (!entry) return RegistrationResult::Failed;
  // The entry runs in a single-threaded apartment, as the system's
  // registration tool runs it; an apartment the thread already has stays.
  ComScope com;
  return SUCCEEDED(entry()) ? RegistrationResult::Done : RegistrationResult::Failed;
}

UnregisterResult UnregisterAndRecord(const ActiveXEntry& entry, const std::string& recordKey) {
  UnregisterResult r;
  const std::string path = StripResourceIndex(entry.filePath);
  // The record key is opened first: a control is never unregistered without
  // the record that lets it be registered again.
  UniqueKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, recordKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      suite::InNativeView(KEY_QUERY_VALUE | KEY_SET_VALUE), nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    key.reset();
    r.outcome = UnregisterOutcome::NoRecordKey;
    return r;
  }
  switch (CallRegistration(path, false)) {
    case RegistrationResult::LoadFailed:
      r.outcome = UnregisterOutcome::LoadFailed;
      return r;
    case RegistrationResult::Failed:
      r.outcome = UnregisterOutcome::Failed;
      return r;
    case RegistrationResult::Done:
      break;
  }
  // A second control of the same name keeps the first one's record.
  std::string name = entry.displayName;
  for (int n = 2; n < 1000; ++n) {
    std::string held;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    if (ReadString(key.get(), name, held, kValueLimit) && EqualsNoCase(held, path)) break;
    name = entry.displayName + suite::Format(" (%d)", n);
  }
  const BOOL written =
      RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>(path.size() + 1)) == ERROR_SUCCESS;
  if (!written) {
    // Without its record the control could never be registered again here.
    CallRegistration(path, true);
    r.outcome = UnregisterOutcome::NotRecorded;
    return r;
  }
  r.recordName = name;
  r.outcome = UnregisterOutcome::Unregistered;
  return r;
}

std::vector<ActiveXRecord> ListRecords(const std::string& recordKey) {
  std::vector<ActiveXRecord> records;
  UniqueKey key = OpenKey(HKEY_LOCAL_MACHINE, recordKey, KEY_READ);
  if (!key) return records;
  for (const std::string& name : suite::ValueNames(key.get())) {
    ActiveXRecord r;
    r.name = name;
    ReadString(key.get(), name, r.filePath, kValueLimit);
    records.push_back(r);
  }
  return records;
}

RegisterAgainOutcome RegisterAgain(const ActiveXRecord& record, const std::string& recordKey) {
  switch (CallRegistration(record.filePath, true)) {
    case RegistrationResult::LoadFailed:
      return RegisterAgainOutcome::LoadFailed;
    case RegistrationResult::Failed:
      return RegisterAgainOutcome::Failed;
    case RegistrationResult::Done:
      break;
  }
  return DeleteRecordValue(recordKey, record.name) ? RegisterAgainOutcome::Registered
                                                   : RegisterAgainOutcome::RecordKept;
}

RemoveRecordOutcome RemoveRecord(const ActiveXRecord& record, HWND owner,
                                 const std::string& recordKey) {
  const std::string& path = record.filePath;
  // A path that is not a plain full path cannot be judged: nothing is touched.
  if (!IsAbsolutePath(path)) return RemoveRecordOutcome::FileProtected;
  if (suite::IsGone(path)) {
    return DeleteRecordValue(recordKey, record.name) ? RemoveRecordOutcome::FileWasMissing
                                                     : RemoveRecordOutcome::RecordNotRemoved;
  }
  if (suite::IsProtectedPath(path) || InSystemFolder(path)) return RemoveRecordOutcome::FileProtected;
  // Only to the Recycle Bin: where none answers the file stays.
  if (!suite::MoveToRecycleBin(path, owner, true)) return RemoveRecordOutcome::FileNotRemoved;
  return DeleteRecordValue(recordKey, record.name) ? RemoveRecordOutcome::FileRecycled
                                                   : RemoveRecordOutcome::RecordNotRemoved;
}

}  // namespace dustrel
