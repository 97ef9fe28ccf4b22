#include "regrestore.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

#include "backupstore.h"
#include "dryrun.h"
#include "handles.h"
#include "registry.h"
#include "sysinfo.h"
#include "text.h"

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

namespace suite {

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
      keyOk = RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, InNativeView(KEY_READ), key.put()) ==
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
