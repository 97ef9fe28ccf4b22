#include "regstore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "handles.h"
#include "probes.h"
#include "registry.h"

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
  if (lossless) *lossless = true;
  if (length == 0) return std::string();
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &out[0], n, nullptr,
                      lossless ? &usedDefault : nullptr);
  if (lossless && usedDefault) *lossless = false;
  return out;
}

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

// The writer works on the registry's own UTF-16 names and data, so nothing is
// lost on the way to a version 5 file; a REGEDIT4 file is the same text in the
// ANSI code page.
struct Writer {
  bool regedit4;
  std::wstring out;

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

  void Values(HKEY key, const std::wstring& fullName) {
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxName, &maxData, nullptr, nullptr) != ERROR_SUCCESS)
      return;
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
      if (rc != ERROR_SUCCESS) break;
      retries = 0;
      if (nameLen == 0) {
        out += L"@ = ";
      } else {
        Quoted(name.data(), nameLen);
        out += L" = ";
      }
      Data(type, data.data(), dataLen);
    }
  }

  // Depth first, pre-order: a key's values, then each subkey with its own subtree.
  void Subkeys(HKEY key, const std::wstring& fullName) {
    for (DWORD i = 0;; ++i) {
      wchar_t name[1024];
      DWORD len = 1024;
      LONG rc = RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS || rc == ERROR_INVALID_HANDLE) break;
      if (rc != ERROR_SUCCESS) continue;
      UniqueKey child;
      if (RegOpenKeyExW(key, name, 0, KEY_READ, child.put()) != ERROR_SUCCESS) continue;
      const std::wstring childName = fullName + L"\\" + std::wstring(name, len);
      Values(child.get(), childName);
      Subkeys(child.get(), childName);
    }
  }
};

std::wstring ExportWide(const std::string& rootName, const std::string& keyPath, bool regedit4) {
  Writer w{regedit4, Widen(regedit4 ? kRegedit4Header : kRegedit5Header)};
  w.Eol();
  HKEY root = ExportRootKey(rootName);
  if (!root) return w.out;
  UniqueKey key;
  if (RegOpenKeyExW(root, Widen(keyPath).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return w.out;
  const std::wstring fullName = Widen(keyPath.empty() ? rootName : rootName + "\\" + keyPath);
  w.Values(key.get(), fullName);
  w.Subkeys(key.get(), fullName);
  return w.out;
}

}  // namespace

bool UseRegedit4Header() { return (GetVersion() & 0x80000000u) != 0; }

std::string ExportText(const std::string& rootName, const std::string& keyPath, bool regedit4) {
  const std::wstring text = ExportWide(rootName, keyPath, regedit4);
  return Narrow(text.data(), text.size());
}

bool ExportKey(const std::string& rootName, const std::string& keyPath,
               const std::string& filePath, bool regedit4) {
  UniqueHandleKernel file(CreateFileA(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::string bytes;
  if (regedit4) {
    bytes = ExportText(rootName, keyPath, true);
  } else {
    // Under the version 5 header importers differ on how they read the string
    // bytes of an 8-bit file; a UTF-16 file (as the system's editor writes it
    // itself) is read by all of them alike.
    const std::wstring text = ExportWide(rootName, keyPath, false);
    bytes.assign("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
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
  CreateDirectoryA(store.c_str(), nullptr);
  const std::string base = store + "\\" + BackupFolderName(time);
  for (int n = 1; n < 1000; ++n) {
    const std::string folder = n == 1 ? base : Format("%s (%d)", base.c_str(), n);
    if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

std::string EntryText(const RegEntry& entry) {
  std::string text = entry.rootName;
  if (!entry.keyPath.empty()) text += "\\" + entry.keyPath;
  if (entry.isValue) text += "\\" + entry.valueName;
  return text;
}

std::string BackupEntries(const std::vector<RegEntry>& entries) {
  return BackupEntries(entries, BackupStorePath());
}

std::string BackupEntries(const std::vector<RegEntry>& entries, const std::string& store) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string folder = CreateBackupFolder(store, now);
  if (folder.empty()) return folder;
  const bool regedit4 = UseRegedit4Header();
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string file = Format("%s\\RB%d.reg", folder.c_str(), static_cast<int>(i));
    if (!ExportKey(entries[i].rootName, entries[i].keyPath, file, regedit4)) return std::string();
  }
  return folder;
}

bool RegEntryGone(const RegEntry& entry) {
  HKEY root = RootKeyFromName(entry.rootName);
  if (!root) return false;
  UniqueKey key;
  const LONG rc = RegOpenKeyExA(root, entry.keyPath.c_str(), 0, KEY_READ, key.put());
  if (rc == ERROR_FILE_NOT_FOUND) return true;
  if (rc != ERROR_SUCCESS || !entry.isValue) return false;
  return RegQueryValueExA(key.get(), entry.valueName.c_str(), nullptr, nullptr, nullptr,
                          nullptr) == ERROR_FILE_NOT_FOUND;
}

bool DeleteRegEntry(const RegEntry& entry) {
  HKEY root = RootKeyFromName(entry.rootName);
  if (!root) return false;
  if (entry.isValue) {
    UniqueKey key = OpenKey(root, entry.keyPath, KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (key) RegDeleteValueA(key.get(), entry.valueName.c_str());
  } else {
    if (entry.keyPath.find_first_not_of('\\') == std::string::npos) return false;
    DeleteKeyTree(root, entry.keyPath);
  }
  return RegEntryGone(entry);
}

std::vector<std::string> ListBackups(const std::string& store) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA((store + "\\*.*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name.find('.') == std::string::npos) names.push_back(name);
  } while (FindNextFileA(find.get(), &data));
  return names;
}

namespace {

void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  {
    UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (find) {
      do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
          RemoveFolderTree(path);
        } else {
          SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
        }
      } while (FindNextFileA(find.get(), &data));
    }
  }
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(folder.c_str());
}

// "RB<i>.reg" → i, or -1.
int BackupFileIndex(const std::string& name) {
  if (name.size() < 7 || (name[0] != 'R' && name[0] != 'r') || (name[1] != 'B' && name[1] != 'b'))
    return -1;
  if (!EqualsNoCase(name.substr(name.size() - 4), ".reg")) return -1;
  const std::string digits = name.substr(2, name.size() - 6);
  if (digits.empty() || digits.size() > 7 || digits.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return std::atoi(digits.c_str());
}

}  // namespace

bool DeleteBackup(const std::string& store, const std::string& name) {
  if (name.empty() || name.find_first_of("\\/:*?") != std::string::npos || name == "." ||
      name == "..")
    return false;
  const std::string folder = store + "\\" + name;
  RemoveFolderTree(folder);
  return GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool ImportRegFile(const std::string& file) {
  const std::string regedit = JoinPath(WindowsFolder(), "regedit.exe");
  std::string cmd = Format("\"%s\" /s \"%s\"", regedit.c_str(), file.c_str());
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
  if (WaitForSingleObject(process.get(), 10 * 60 * 1000) != WAIT_OBJECT_0) return false;
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  return code == 0;
}

RestoreResult RestoreBackup(const std::string& store, const std::string& name,
                            const std::string& staging) {
  RestoreResult result;
  if (name.empty() || name.find_first_of("\\/:*?") != std::string::npos) return result;
  const std::string folder = store + "\\" + name;
  std::vector<std::pair<int, std::string>> files;
  WIN32_FIND_DATAA data;
  {
    UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (find) {
      do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const int index = BackupFileIndex(data.cFileName);
        if (index >= 0) files.emplace_back(index, data.cFileName);
      } while (FindNextFileA(find.get(), &data));
    }
  }
  std::sort(files.begin(), files.end());
  result.files = static_cast<int>(files.size());
  CreateDirectoryA(staging.c_str(), nullptr);
  for (const auto& f : files) {
    const std::string staged = Format("%s\\RB%d.reg", staging.c_str(), f.first);
    // The staged copy is this backup's own file, whatever an earlier restore left.
    SetFileAttributesA(staged.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA((folder + "\\" + f.second).c_str(), staged.c_str(), FALSE)) continue;
    if (ImportRegFile(staged)) ++result.imported;
  }
  return result;
}

}  // namespace suite
