#include "regstore.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "dryrun.h"
#include "handles.h"
#include "probes.h"
#include "registry.h"

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

namespace suite {


const char* const kRegedit4Header = "REGEDIT4";
const char* const kRegedit5Header = "Windows Registry Editor Version 5.00";

namespace {

struct ExportRoot {
  const char* name;
  HKEY key;
};
const ExportRoot kExportRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},         {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},       {"HKEY_USERS", HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA}};

HKEY ExportRootKey(const std::string& name) {
  for (const ExportRoot& r : kExportRoots)
    if (name == r.name) return r.key;
  return nullptr;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::string Narrow(const wchar_t* text, size_t length, bool* lossless = nullptr) {
  return AnsiFromWide(std::wstring(text, length), lossless);
}

// The writer works on the registry's own UTF-16 names and data, so nothing is
// lost on the way to a version 5 file; a REGEDIT4 file is the same text in the
// ANSI code page.
struct Writer : KeyTreeVisitor {
  Writer(bool r, std::wstring header) : regedit4(r), out(std::move(header)) {}
  bool regedit4;
  std::wstring out;
  bool exact = true;
  std::vector<std::wstring> exactTopValues;

  // A name the file can carry: no line break (it would end the line) and, in
  // a REGEDIT4 file, every character in the ANSI code page.
  bool Carried(const std::wstring& name) const {
    if (name.find_first_of(L"\r\n") != std::wstring::npos) return false;
    if (!regedit4) return true;
    bool lossless = true;
    AnsiFromWide(name, &lossless);
    return lossless;
  }

  bool Enter(HKEY key, const std::wstring& path, int depth) override {
    if (IsLinkKey(key)) {
      exact = false;  // a link cannot be written as one; it is never entered
      return false;
    }
    Values(key, path, depth == 0);
    return true;
  }

  void Eol() { out += L"\r\n"; }

  // Quoted text as the registry editor reads it back: backslashes and double
  // quotes escaped.
  void Quoted(const wchar_t* s, size_t n) {
    out += L'"';
    for (size_t i = 0; i < n; ++i) {
      if (s[i] == L'\\' || s[i] == L'"') out += L'\\';
      out += s[i];
    }
    out += L'"';
  }

  void ByteList(const BYTE* data, size_t size) {
    wchar_t hex[4];
    for (size_t i = 0; i < size; ++i) {
      if (i > 0) out += (i % 21 == 0) ? L",\\\r\n" : L",";
      swprintf(hex, 4, L"%02x", data[i]);
      out += hex;
    }
    Eol();
  }

  // A REG_SZ that can be written as a quoted text and read back unchanged: one
  // terminating NUL, no other NUL, no line break, and (for REGEDIT4) every
  // character in the ANSI code page.
  bool QuotedForm(const BYTE* data, DWORD size, size_t& length) const {
    if (size < 2 || size % 2 != 0) return false;
    const wchar_t* w = reinterpret_cast<const wchar_t*>(data);
    length = size / 2 - 1;
    if (w[length] != L'\0') return false;
    for (size_t i = 0; i < length; ++i)
      if (w[i] == L'\0' || w[i] == L'\r' || w[i] == L'\n') return false;
    bool lossless = true;
    if (regedit4) Narrow(w, length, &lossless);
    return lossless;
  }

  void Data(DWORD type, const BYTE* data, DWORD size) {
    size_t length = 0;
    if (type == REG_SZ && QuotedForm(data, size, length)) {
      Quoted(reinterpret_cast<const wchar_t*>(data), length);
      Eol();
      return;
    }
    if (type == REG_DWORD && size == 4) {
      DWORD v;
      memcpy(&v, data, 4);
      wchar_t text[24];
      swprintf(text, 24, L"dword:%08lx", static_cast<unsigned long>(v));
      out += text;
      Eol();
      return;
    }
    if (type == REG_BINARY) {
      out += L"hex:";
      ByteList(data, size);
      return;
    }
    wchar_t prefix[24];
    swprintf(prefix, 24, L"hex(%lx):", static_cast<unsigned long>(type));
    out += prefix;
    if (IsStringType(type) && regedit4) {
      // A REGEDIT4 file holds string bytes in the ANSI code page.
      const std::string bytes = Narrow(reinterpret_cast<const wchar_t*>(data), size / 2);
      ByteList(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
      return;
    }
    // Under the version 5 header string bytes are UTF-16, as the registry holds them.
    ByteList(data, size);
  }

  void Values(HKEY key, const std::wstring& fullName, bool top) {
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
      exact = false;
      return;
    }
    if (!Carried(fullName)) {
      exact = false;  // the section line could not name this key
      return;
    }
    Eol();
    out += L"[" + fullName + L"]";
    Eol();
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    int retries = 0;
    for (DWORD i = 0;; ++i) {
      DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()),
            type = 0;
      LONG rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
      if (rc == ERROR_MORE_DATA && ++retries < 8) {
        // A value grew since the key was asked: make room and read it again.
        name.resize(name.size() + 16384);
        data.resize(std::max<size_t>(data.size() * 2, dataLen + 2));
        --i;
        continue;
      }
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) {
        exact = false;  // values after this one were not read
        break;
      }
      retries = 0;
      const std::wstring valueName(name.data(), nameLen);
      if (!Carried(valueName)) {
        exact = false;  // left out: the file could not give it back
        continue;
      }
      if (nameLen == 0) {
        out += L"@ = ";
      } else {
        Quoted(name.data(), nameLen);
        out += L" = ";
      }
      Data(type, data.data(), dataLen);
      if (top) exactTopValues.push_back(valueName);
    }
  }
};

struct WideExport {
  std::wstring text;
  bool keyFound = false;
  bool exact = false;
  std::vector<std::wstring> exactValues;
};

WideExport ExportWide(const std::string& rootName, const std::wstring& keyPath, bool regedit4) {
  Writer w(regedit4, WideFromAnsi(regedit4 ? kRegedit4Header : kRegedit5Header));
  w.Eol();
  WideExport result;
  HKEY root = ExportRootKey(rootName);
  UniqueKey key;
  if (root) key = OpenKeyNoLink(root, keyPath, KEY_READ);
  if (!key) {
    result.text = std::move(w.out);
    return result;
  }
  const std::wstring fullName =
      keyPath.empty() ? WideFromAnsi(rootName) : WideFromAnsi(rootName) + L"\\" + keyPath;
  const bool complete = WalkKeyTree(key.get(), fullName, KEY_READ, w);
  result.keyFound = true;
  result.exact = complete && w.exact;
  result.exactValues = std::move(w.exactTopValues);
  result.text = std::move(w.out);
  return result;
}

}  // namespace

bool UseRegedit4Header() { return (GetVersion() & 0x80000000u) != 0; }

std::string ExportText(const std::string& rootName, const std::string& keyPath, bool regedit4) {
  const std::wstring text = ExportWide(rootName, WideFromAnsi(keyPath), regedit4).text;
  return AnsiFromWide(text);
}

ExportReport ExportKeyW(const std::string& rootName, const std::wstring& keyPath,
                        const std::string& filePath, bool regedit4) {
  ExportReport report;
  if (!MayChange("write", filePath)) {
    // The preview reads what the file would hold and writes nothing.
    const WideExport exported = ExportWide(rootName, keyPath, regedit4);
    report.written = true;
    report.keyFound = exported.keyFound;
    report.exact = exported.exact;
    report.exactValues = exported.exactValues;
    return report;
  }
  UniqueHandleKernel file(CreateFileA(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return report;
  const WideExport exported = ExportWide(rootName, keyPath, regedit4);
  std::string bytes;
  if (regedit4) {
    bytes = AnsiFromWide(exported.text);
  } else {
    // Under the version 5 header importers differ on how they read the string
    // bytes of an 8-bit file; a UTF-16 file (as the system's editor writes it
    // itself) is read by all of them alike.
    bytes.assign("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char*>(exported.text.data()),
                 exported.text.size() * sizeof(wchar_t));
  }
  DWORD written = 0;
  report.written =
      WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  report.keyFound = exported.keyFound;
  report.exact = report.written && exported.exact;
  if (report.written) report.exactValues = exported.exactValues;
  return report;
}

bool ExportKey(const std::string& rootName, const std::string& keyPath,
               const std::string& filePath, bool regedit4) {
  return ExportKeyW(rootName, WideFromAnsi(keyPath), filePath, regedit4).written;
}

std::string BackupSuffixFor(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
  if (platform == VER_PLATFORM_WIN32_NT && (major >= 6 || (major == 5 && minor >= 2)))
    return std::string();
  return OsSuffixFor(platform, major, minor, servicePack);
}

std::string BackupStoreName() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return "Reg-Backup";
  }
  return "Reg-Backup" + BackupSuffixFor(info.dwPlatformId, info.dwMajorVersion,
                                        info.dwMinorVersion, info.szCSDVersion);
}

std::string BackupStorePath() { return ProgramFolderPath(BackupStoreName()); }

std::string BackupFolderName(const SYSTEMTIME& t) {
  return Format("%02d-%02d-%04d %02d-%02d 备份", t.wMonth, t.wDay, t.wYear, t.wHour, t.wMinute);
}

std::string CreateBackupFolder(const std::string& store, const SYSTEMTIME& time) {
  const std::string base = store + "\\" + BackupFolderName(time);
  if (DryRun()) {
    // Where the real run would fail to make the store (a file in its way, no
    // folder to make it in), the preview fails too: it then removes nothing.
    const DWORD storeAttributes = GetFileAttributesA(store.c_str());
    if (storeAttributes == INVALID_FILE_ATTRIBUTES) {
      const size_t slash = LastBackslash(store);
      const DWORD parent = slash == std::string::npos
                               ? INVALID_FILE_ATTRIBUTES
                               : GetFileAttributesA(store.substr(0, slash + 1).c_str());
      if (parent == INVALID_FILE_ATTRIBUTES || !(parent & FILE_ATTRIBUTE_DIRECTORY))
        return std::string();
    } else if (!(storeAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return std::string();
    }
    // The folder the real run would make; nothing is created.
    for (int n = 1; n < 1000; ++n) {
      const std::string folder = n == 1 ? base : Format("%s (%d)", base.c_str(), n);
      if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MayChange("create folder", folder);
        return folder;
      }
    }
    return std::string();
  }
  CreateDirectoryA(store.c_str(), nullptr);
  for (int n = 1; n < 1000; ++n) {
    const std::string folder = n == 1 ? base : Format("%s (%d)", base.c_str(), n);
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

RegEntry WideKeyEntry(std::string root, std::wstring path) {
  RegEntry e = KeyEntry(std::move(root), DisplayName(path));
  e.wide = true;
  e.keyPathW = std::move(path);
  return e;
}

RegEntry WideValueEntry(std::string root, std::wstring path, std::wstring value) {
  RegEntry e = ValueEntry(std::move(root), DisplayName(path), DisplayName(value));
  e.wide = true;
  e.keyPathW = std::move(path);
  e.valueNameW = std::move(value);
  return e;
}

std::wstring EntryKeyPathW(const RegEntry& entry) {
  return entry.wide ? entry.keyPathW : WideFromAnsi(entry.keyPath);
}

std::wstring EntryValueNameW(const RegEntry& entry) {
  return entry.wide ? entry.valueNameW : WideFromAnsi(entry.valueName);
}

std::string EntryText(const RegEntry& entry) {
  std::string text = entry.rootName;
  if (!entry.keyPath.empty()) text += "\\" + entry.keyPath;
  if (entry.isValue) text += "\\" + entry.valueName;
  return text;
}

bool BackupEntryFile(const RegEntry& entry, const std::string& file, bool regedit4,
                     bool* written) {
  const ExportReport report = ExportKeyW(entry.rootName, EntryKeyPathW(entry), file, regedit4);
  if (written) *written = report.written;
  if (!report.written || !report.keyFound) return false;
  if (!entry.isValue) return report.exact;
  // Value names are matched as the registry matches them: without regard to case.
  const std::wstring name = EntryValueNameW(entry);
  return std::any_of(report.exactValues.begin(), report.exactValues.end(),
                     [&name](const std::wstring& held) {
                       return held.size() == name.size() &&
                              CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, held.c_str(),
                                             static_cast<int>(held.size()), name.c_str(),
                                             static_cast<int>(name.size())) == CSTR_EQUAL;
                     });
}

std::string BackupEntries(const std::vector<RegEntry>& entries) {
  return BackupEntries(entries, BackupStorePath());
}

std::string BackupEntries(const std::vector<RegEntry>& entries, const std::string& store) {
  std::vector<bool> held;
  const std::string folder = BackupEntries(entries, store, held);
  // Callers of this form remove every entry they passed: all must be held.
  for (bool h : held)
    if (!h) return std::string();
  return folder;
}

std::string BackupEntries(const std::vector<RegEntry>& entries, const std::string& store,
                          std::vector<bool>& held) {
  held.assign(entries.size(), false);
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string folder = CreateBackupFolder(store, now);
  if (folder.empty()) return folder;
  const bool regedit4 = UseRegedit4Header();
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string file = Format("%s\\RB%d.reg", folder.c_str(), static_cast<int>(i));
    bool written = false;
    held[i] = BackupEntryFile(entries[i], file, regedit4, &written);
    if (!written) {
      held.assign(entries.size(), false);
      return std::string();
    }
  }
  return folder;
}

bool RegEntryGone(const RegEntry& entry) {
  HKEY root = RootKeyFromName(entry.rootName);
  if (!root) return false;
  // What this preview run removed counts as gone.
  if (entry.isValue ? ValueRemovedByDryRun(root, EntryKeyPathW(entry), EntryValueNameW(entry))
                    : KeyRemovedByDryRun(root, EntryKeyPathW(entry)))
    return true;
  UniqueKey key;
  const LONG rc = RegOpenKeyExW(root, EntryKeyPathW(entry).c_str(), REG_OPTION_OPEN_LINK,
                                KEY_READ, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return true;
  if (rc != ERROR_SUCCESS || !entry.isValue) return false;
  return RegQueryValueExW(key.get(), EntryValueNameW(entry).c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegEntry(const RegEntry& entry) {
  HKEY root = RootKeyFromName(entry.rootName);
  if (!root) return false;
  const std::wstring path = EntryKeyPathW(entry);
  if (entry.isValue) {
    // Only a value that is there now is removed and reported gone.
    UniqueKey key = OpenKeyNoLink(root, path, KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!key) return false;
    const std::wstring name = EntryValueNameW(entry);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
            ERROR_FILE_NOT_FOUND ||
        ValueRemovedByDryRun(root, path, name))
      return false;
    if (!MayChange("delete value", EntryText(entry))) {
      NoteRemovedValue(root, path, name);
      return true;
    }
    RegDeleteValueW(key.get(), name.c_str());
  } else {
    if (path.find_first_not_of(L'\\') == std::wstring::npos) return false;
    UniqueKey probe;
    if (RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, probe.put()) ==
            ERROR_FILE_NOT_FOUND ||
        KeyRemovedByDryRun(root, path))
      return false;  // nothing there to remove
    probe.reset();
    DeleteKeyTreeW(root, path);
  }
  return RegEntryGone(entry);
}

namespace {

bool RealFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

}  // namespace

std::vector<std::string> ListBackups(const std::string& store) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA((store + "\\*.*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name.find('.') == std::string::npos && RealFolder(data.dwFileAttributes))
      names.push_back(name);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

bool IsBackupFolder(const std::string& store, const std::string& name) {
  if (!PlainName(name) || name.find('.') != std::string::npos) return false;
  if (!RealFolder(GetFileAttributesA(store.c_str()))) return false;
  return RealFolder(GetFileAttributesA((store + "\\" + name).c_str()));
}

namespace {

// "RB<i>.reg" -> i, or -1.
int BackupFileIndex(const std::string& name) {
  if (name.size() < 7 || (name[0] != 'R' && name[0] != 'r') || (name[1] != 'B' && name[1] != 'b'))
    return -1;
  if (!EqualsNoCase(name.substr(name.size() - 4), ".reg")) return -1;
  const std::string digits = name.substr(2, name.size() - 6);
  if (digits.empty() || digits.size() > 7 || digits.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::atoi(digits.c_str());
}

std::wstring FileText(const std::string& file) {
  const std::string bytes = [&] {
    std::string b;
    UniqueHandleKernel h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    if (!h) return b;
    const DWORD size = GetFileSize(h.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > 256u * 1024 * 1024) return b;
    b.resize(size);
    DWORD read = 0;
    if (size && !ReadFile(h.get(), &b[0], size, &read, nullptr)) read = 0;
    b.resize(read);
    return b;
  }();
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xff &&
      static_cast<unsigned char>(bytes[1]) == 0xfe)
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  return WideFromAnsi(bytes);
}

// A quoted name as the writer escapes it; `pos` is at the opening quote.
bool ParseQuoted(const std::wstring& line, size_t& pos, std::wstring& out) {
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    if (line[pos] == L'\\' && pos + 1 < line.size()) {
      out += line[++pos];
    } else if (line[pos] == L'"') {
      ++pos;
      return true;
    } else {
      out += line[pos];
    }
  }
  return false;
}

}  // namespace

bool RegFileContentPresent(const std::string& file) {
  const std::wstring text = FileText(file);
  if (text.empty()) return false;
  size_t pos = 0;
  bool continued = false, sawKey = false;
  UniqueKey key;
  bool keyOk = false;
  while (pos <= text.size()) {
    size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const bool wasContinued = continued;
    continued = !line.empty() && line.back() == L'\\';
    if (wasContinued || line.empty()) continue;
    if (line[0] == L'[' && line.back() == L']') {
      const std::wstring full = line.substr(1, line.size() - 2);
      const size_t cut = full.find(L'\\');
      const HKEY root = RootKeyFromName(AnsiFromWide(full.substr(0, cut)));
      if (!root) return false;
      const std::wstring path = cut == std::wstring::npos ? std::wstring() : full.substr(cut + 1);
      key.reset();
      keyOk = RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, key.put()) ==
              ERROR_SUCCESS;
      if (!keyOk) return false;
      sawKey = true;
      continue;
    }
    std::wstring name;
    if (line[0] == L'@') {
      name.clear();
    } else if (line[0] == L'"') {
      size_t at = 0;
      if (!ParseQuoted(line, at, name)) return false;
    } else {
      continue;  // the header line
    }
    if (!keyOk) return false;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return false;
  }
  return sawKey;
}

bool DeleteBackup(const std::string& store, const std::string& name, HWND owner) {
  if (!IsBackupFolder(store, name)) return false;
  return RecycleBackupFolder(store + "\\" + name, owner);
}

bool RunThroughShellAndWait(const std::string& program, const std::string& parameters,
                            DWORD timeoutMs) {
  if (!MayChange("start", program + " " + parameters)) return true;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  const bool vista = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                     version.dwMajorVersion >= 6;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = vista ? "runas" : "open";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExA(&info) || !info.hProcess) {
    if (!vista) return false;
    // A shell without the elevation verb: the ordinary start.
    info.lpVerb = "open";
    info.hProcess = nullptr;
    if (!ShellExecuteExA(&info) || !info.hProcess) return false;
  }
  UniqueHandleKernel process(info.hProcess);
  return WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool ImportRegFile(const std::string& file) {
  const std::string regedit = JoinPath(WindowsFolder(), "regedit.exe");
  const std::string parameters = Format("/s \"%s\"", file.c_str());
  std::string cmd = Format("\"%s\" %s", regedit.c_str(), parameters.c_str());
  const DWORD kTimeout = 10 * 60 * 1000;
  if (!MayChange("import", file)) return true;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    // Windows Vista and later without elevation: the registry editor asks for
    // it, which only a start through the shell can bring about.
    if (GetLastError() != ERROR_ELEVATION_REQUIRED) return false;
    return RunThroughShellAndWait(regedit, parameters, kTimeout);
  }
  UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
  return WaitForSingleObject(process.get(), kTimeout) == WAIT_OBJECT_0;
}

RestoreResult RestoreBackup(const std::string& store, const std::string& name,
                            const std::string& staging) {
  RestoreResult result;
  if (!IsBackupFolder(store, name)) return result;
  const std::string folder = store + "\\" + name;
  std::vector<std::pair<int, std::string>> files;
  WIN32_FIND_DATAA data;
  {
    UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (find) {
      do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))
          continue;
        const int index = BackupFileIndex(data.cFileName);
        if (index >= 0) files.emplace_back(index, data.cFileName);
      } while (FindNextFileA(find.get(), &data));
    }
  }
  std::sort(files.begin(), files.end());
  result.files = static_cast<int>(files.size());
  if (files.empty()) return result;
  if (!MayChange("restore", folder)) {
    result.imported = result.files;  // as the import would report it
    return result;
  }
  // A staging folder of this restore's own, so no other user's or program's
  // file of the same name is ever imported.
  std::string stage = staging;
  const bool own = stage.empty();
  if (own) {
    const std::string temp = TempFolder();
    for (int n = 0; n < 1000 && stage.empty(); ++n) {
      const std::string candidate = Format("%sHivemend-restore-%lu-%lu-%d", temp.c_str(),
                                           GetCurrentProcessId(), GetTickCount(), n);
      if (CreateDirectoryA(candidate.c_str(), nullptr)) stage = candidate;
    }
    if (stage.empty()) return result;
  } else {
    CreateDirectoryA(stage.c_str(), nullptr);
  }
  for (const auto& f : files) {
    const std::string staged = Format("%s\\RB%d.reg", stage.c_str(), f.first);
    // The staged copy is this backup's own file, whatever an earlier restore left.
    SetFileAttributesA(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA((folder + "\\" + f.second).c_str(), staged.c_str(), FALSE)) continue;
    ImportRegFile(staged);
    // What counts is what the registry holds afterwards, not the exit status.
    if (RegFileContentPresent(staged)) ++result.imported;
    if (own) DeleteFileA(staged.c_str());
  }
  if (own) RemoveDirectoryA(stage.c_str());
  return result;
}

}  // namespace suite
