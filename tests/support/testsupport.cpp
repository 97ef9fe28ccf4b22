#include "testsupport.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdlib>

#include "handles.h"
#include "registry.h"
#include "sysinfo.h"

namespace suite::test {

void RemoveTree(const std::string& path) {
  DWORD attr = GetFileAttributesA(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return;
  if (!(attr & FILE_ATTRIBUTE_DIRECTORY) || (attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &data));
  if (find) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      RemoveTree(path + "\\" + name);
    } while (FindNextFileA(find.get(), &data));
  }
  find.reset();
  RemoveDirectoryA(path.c_str());
}

void MakeDirs(const std::string& path) {
  for (size_t i = 3; i <= path.size(); ++i)
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

ScratchDir::ScratchDir(const std::string& path) : path_(path) {
  RemoveTree(path_);
  MakeDirs(path_);
}
ScratchDir::~ScratchDir() { RemoveTree(path_); }

ScratchKey::ScratchKey(const std::string& name, HKEY root, const std::string& parent)
    : root_(root), path_(parent + "\\" + name) {
  DeleteKeyTree(root_, path_);
  UniqueKey key;
  RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                  nullptr);
}
ScratchKey::~ScratchKey() { DeleteKeyTree(root_, path_); }

bool WriteBytes(const std::string& path, const std::string& bytes) {
  size_t cut = path.find_last_of('\\');
  if (cut != std::string::npos) MakeDirs(path.substr(0, cut));
  UniqueHandleKernel file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return bytes.empty() ||
         (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                      nullptr) &&
          written == bytes.size());
}

std::string ReadBytes(const std::string& path) {
  UniqueHandleKernel file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::string();
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
            const std::string& bytes) {
  UniqueKey k;
  RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
  RegSetValueExA(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
}

void SetDustrelSelection(const std::vector<std::pair<std::string, bool>>& rows) {
  const char kKey[] = "Software\\Quillon";
  std::string bytes, names;
  for (const auto& row : rows) {
    bytes.push_back(row.second ? 1 : 0);
    names += row.first;
    names.push_back('\0');
  }
  names.push_back('\0');
  SetRaw(HKEY_LOCAL_MACHINE, kKey, "CleanSaveRows", REG_MULTI_SZ, names);
  SetRaw(HKEY_LOCAL_MACHINE, kKey, "CleanSaveStatus", REG_BINARY, bytes);
  SetDword(HKEY_LOCAL_MACHINE, kKey, "CleanItemCount", static_cast<DWORD>(bytes.size()));
}

void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value, DWORD type) {
  SetRaw(root, key, name, type, std::string(value.c_str(), value.size() + 1));
}

void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  SetRaw(root, key, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

bool KeyExists(HKEY root, const std::string& key) {
  return static_cast<bool>(OpenKey(root, key, KEY_READ));
}

namespace {

void TakeInto(HKEY root, const std::string& path, Snapshot& out) {
  UniqueKey key = OpenKey(root, path, KEY_READ);
  if (!key) return;
  auto& values = out[path];
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD nameLen = sizeof name, type = 0, size = 0;
    if (RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    nameLen = sizeof name;
    RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type,
                  reinterpret_cast<BYTE*>(&data[0]), &size);
    data.resize(size);
    values[std::string(name, nameLen)] = {type, data};
  }
  for (const std::string& sub : SubkeyNames(key.get())) TakeInto(root, path + "\\" + sub, out);
}

}  // namespace

Snapshot TakeSnapshot(HKEY root, const std::string& path) {
  Snapshot s;
  TakeInto(root, path, s);
  return s;
}

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
  UniqueKey k = OpenKey(root, key, KEY_READ);
  return k && RegQueryValueExA(k.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                  ERROR_SUCCESS;
}

bool MakeRegistryLink(HKEY root, const std::string& parent, const std::wstring& name,
                      const std::wstring& targetNativePath) {
  suite::UniqueKey p = suite::OpenKey(root, parent, KEY_ALL_ACCESS);
  if (!p) return false;
  HKEY link = nullptr;
  if (RegCreateKeyExW(p.get(), name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                      KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG rc = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                 reinterpret_cast<const BYTE*>(targetNativePath.data()),
                                 static_cast<DWORD>(targetNativePath.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  return rc == ERROR_SUCCESS;
}

void RemoveRegistryLink(HKEY root, const std::string& parent, const std::wstring& name) {
  using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
  auto del = reinterpret_cast<NtDeleteKeyFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
  suite::UniqueKey p = suite::OpenKey(root, parent, KEY_ALL_ACCESS);
  HKEY link = nullptr;
  if (p && del &&
      RegOpenKeyExW(p.get(), name.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_READ, &link) ==
          ERROR_SUCCESS) {
    del(link);
    RegCloseKey(link);
  }
}

SavedValue::SavedValue(HKEY root, std::string key, std::string name)
    : root_(root), key_(std::move(key)), name_(std::move(name)) {
  UniqueKey k = OpenKey(root_, key_, KEY_QUERY_VALUE);
  if (!k) return;
  DWORD size = 0;
  if (RegQueryValueExA(k.get(), name_.c_str(), nullptr, &type_, nullptr, &size) != ERROR_SUCCESS) {
    return;
  }
  data_.resize(size);
  if (RegQueryValueExA(k.get(), name_.c_str(), nullptr, &type_,
                       reinterpret_cast<BYTE*>(data_.empty() ? nullptr : &data_[0]),
                       &size) == ERROR_SUCCESS) {
    data_.resize(size);
    present_ = true;
  }
}

SavedValue::~SavedValue() {
  if (present_) {
    SetRaw(root_, key_, name_, type_, data_);
    return;
  }
  UniqueKey k = OpenKey(root_, key_, KEY_SET_VALUE);
  if (k) RegDeleteValueA(k.get(), name_.c_str());
}

SeededKey::SeededKey(HKEY root, const std::string& path) : root_(root) {
  // The first missing key on the way down is the one to remove afterwards.
  for (size_t cut = 0; cut != std::string::npos;) {
    cut = path.find('\\', cut + 1);
    const std::string part = path.substr(0, cut);
    if (!KeyExists(root_, part)) {
      made_ = part;
      break;
    }
  }
  UniqueKey key;
  RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
}

SeededKey::~SeededKey() {
  if (!made_.empty()) DeleteKeyTree(root_, made_);
}

std::string DistFolder() {
  std::string tests = ProgramFolder();  // ...\tests
  return tests.substr(0, tests.find_last_of('\\')) + "\\dist";
}

std::string TestDataFolder() {
  std::string tests = ProgramFolder();
  std::string folder = tests.substr(0, tests.find_last_of('\\')) + "\\testdata";
  return Exists(folder) ? folder : std::string();
}

void InstallFromDist(const std::string& folder, const std::vector<std::string>& names) {
  MakeDirs(folder);
  for (const std::string& name : names)
    CopyFileA((DistFolder() + "\\" + name).c_str(), (folder + "\\" + name).c_str(), FALSE);
}

ProcessResult RunProcess(const std::string& commandLine, const std::string& folder,
                         DWORD timeoutMs) {
  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  UniqueHandleKernel reader(readEnd), writer(writeEnd);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writer.get();
  si.hStdError = writer.get();
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    result.startError = GetLastError();
    return result;
  }
  UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
  writer.reset();
  const DWORD start = GetTickCount();
  for (;;) {
    DWORD avail = 0;
    while (PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
      char buf[4096];
      DWORD got = 0;
      if (!::ReadFile(reader.get(), buf, sizeof buf, &got, nullptr) || got == 0) break;
      result.output.append(buf, got);
    }
    if (WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) break;
    if (GetTickCount() - start > timeoutMs) {
      result.timedOut = true;
      TerminateProcess(process.get(), 0xdead);
      WaitForSingleObject(process.get(), 5000);
      break;
    }
  }
  char buf[4096];
  DWORD got = 0, avail = 0;
  while (PeekNamedPipe(reader.get(), nullptr, 0, nullptr, &avail, nullptr) && avail > 0 &&
         ::ReadFile(reader.get(), buf, sizeof buf, &got, nullptr) && got > 0)
    result.output.append(buf, got);
  GetExitCodeProcess(process.get(), &result.exitCode);
  return result;
}

namespace {

std::string UnixToWindows(const std::string& unixPath) {
  using Fn = WCHAR*(CDECL*)(const char*);
  static Fn toDos = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return std::string();
  WCHAR* wide = toDos(unixPath.c_str());
  if (!wide) return std::string();
  char out[MAX_PATH * 2] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, out, sizeof out, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, wide);
  return out;
}

std::string UrlDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out.push_back(static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

std::string TrashFolderWin() {
  const char* trash = std::getenv("SUITE_TRASH");
  if (!trash) return std::string();
  std::string path = std::string("\\\\?\\unix") + trash;
  for (size_t i = 8; i < path.size(); ++i)
    if (path[i] == '/') path[i] = '\\';
  return path;
}

}  // namespace

std::vector<std::string> RecycledPaths() {
  std::vector<std::string> paths;
  const std::string info = TrashFolderWin() + "\\info";
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA((info + "\\*.trashinfo").c_str(), &data));
  if (!find) return paths;
  do {
    const std::string text = ReadBytes(info + "\\" + data.cFileName);
    size_t at = text.find("\nPath=");
    if (at == std::string::npos) continue;
    size_t end = text.find('\n', at + 6);
    std::string unixPath = UrlDecode(text.substr(at + 6, end - at - 6));
    if (!unixPath.empty() && unixPath.back() == '\r') unixPath.pop_back();
    // The trash stores UTF-8 file names; the programs think in the ANSI code page.
    std::string win = UnixToWindows(unixPath);
    paths.push_back(win.empty() ? unixPath : win);
  } while (FindNextFileA(find.get(), &data));
  return paths;
}

void EmptyRecycleBin() {
  SHEmptyRecycleBinA(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
  const std::string trash = TrashFolderWin();
  if (trash.empty()) return;
  for (const char* sub : {"\\files", "\\info"}) {
    RemoveTree(trash + sub);
    CreateDirectoryA((trash + sub).c_str(), nullptr);
  }
}

RecycleBinUnavailable::RecycleBinUnavailable() {
  const std::string trash = TrashFolderWin();
  if (trash.empty() || !MoveFileA(trash.c_str(), (trash + ".suite-off").c_str())) return;
  active_ = WriteBytes(trash, "no bin");
}

RecycleBinUnavailable::~RecycleBinUnavailable() {
  const std::string trash = TrashFolderWin();
  if (trash.empty()) return;
  DeleteFileA(trash.c_str());
  MoveFileA((trash + ".suite-off").c_str(), trash.c_str());
}

bool MakeShortcut(const std::string& lnkPath, const std::string& target,
                  const std::string& arguments) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  link->SetPath(target.c_str());
  if (!arguments.empty()) link->SetArguments(arguments.c_str());
  IPersistFile* file = nullptr;
  bool ok = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, lnkPath.c_str(), -1, wide, MAX_PATH);
    size_t cut = lnkPath.find_last_of('\\');
    if (cut != std::string::npos) MakeDirs(lnkPath.substr(0, cut));
    ok = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  link->Release();
  return ok;
}

WindowsVersionFor::WindowsVersionFor(const std::string& exeName, const std::string& version)
    : key_("Software\\Wine\\AppDefaults\\" + exeName) {
  SetString(HKEY_CURRENT_USER, key_, "Version", version);
}

WindowsVersionFor::~WindowsVersionFor() { DeleteKeyTree(HKEY_CURRENT_USER, key_); }

WindowProgram::WindowProgram(const std::string& commandLine, const std::string& folder) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    return;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  processId_ = pi.dwProcessId;
}

WindowProgram::~WindowProgram() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 0xdead);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND WindowProgram::WaitForWindow(const std::string& caption, DWORD timeoutMs) {
  struct Find {
    DWORD pid;
    const std::string* caption;
    HWND found;
  };
  for (DWORD waited = 0; process_ && waited <= timeoutMs; waited += 100) {
    Find find{processId_, &caption, nullptr};
    // WINAPI: the callback uses the system's calling convention (stdcall on 32-bit x86).
    EnumWindows([](HWND w, LPARAM lp) WINAPI -> BOOL {
      auto* f = reinterpret_cast<Find*>(lp);
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      char text[256] = {};
      GetWindowTextA(w, text, sizeof text);
      if (pid == f->pid && *f->caption == text) {
        f->found = w;
        return FALSE;
      }
      return TRUE;
    }, reinterpret_cast<LPARAM>(&find));
    if (find.found) {
      // A dialog has its caption before its controls exist: wait until the
      // program has finished creating it and waits for input.
      WaitForInputIdle(process_, 10000);
      return find.found;
    }
    Sleep(100);
  }
  return nullptr;
}

HWND WindowProgram::WaitForMessageBox(HWND main, DWORD timeoutMs) {
  struct Find {
    HWND main;
    HWND found;
  };
  const DWORD thread = GetWindowThreadProcessId(main, nullptr);
  for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
    Find find{main, nullptr};
    EnumThreadWindows(thread, [](HWND w, LPARAM lp) WINAPI -> BOOL {
      auto* f = reinterpret_cast<Find*>(lp);
      char cls[16] = {};
      GetClassNameA(w, cls, sizeof cls);
      if (w != f->main && std::string(cls) == "#32770" && IsWindowVisible(w)) {
        f->found = w;
        return FALSE;
      }
      return TRUE;
    }, reinterpret_cast<LPARAM>(&find));
    if (find.found) return find.found;
    Sleep(100);
  }
  return nullptr;
}

HWND WindowProgram::WaitForDialog(HWND except, DWORD timeoutMs) {
  struct Find {
    DWORD pid;
    HWND except;
    HWND found;
  };
  for (DWORD waited = 0; process_ && waited <= timeoutMs; waited += 100) {
    Find find{processId_, except, nullptr};
    EnumWindows([](HWND w, LPARAM lp) WINAPI -> BOOL {
      auto* f = reinterpret_cast<Find*>(lp);
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      char cls[16] = {};
      GetClassNameA(w, cls, sizeof cls);
      if (pid != f->pid || w == f->except || !IsWindowVisible(w) || std::string(cls) != "#32770")
        return TRUE;
      f->found = w;
      return FALSE;
    }, reinterpret_cast<LPARAM>(&find));
    if (find.found) return find.found;
    Sleep(100);
  }
  return nullptr;
}

bool WindowProgram::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process_, exitCode);
  return true;
}

std::string MessageBoxText(HWND box) { return ControlText(box, 0xFFFF); }

void ClickButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ControlText(HWND dialog, int id) {
  char text[1024] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

std::string ProfileFolder() {
  char buf[MAX_PATH] = {};
  DWORD n = GetEnvironmentVariableA("USERPROFILE", buf, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(buf, n) : std::string("C:\\users\\root");
}

}  // namespace suite::test
