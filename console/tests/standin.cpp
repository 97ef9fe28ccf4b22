// A stand-in cleaner for the console's tests. Copied beside Brisko.exe under a
// cleaner's name, it appends "<name>|<first argument>|<argument count>" to
// "calls.txt" in its folder, waits while "<name>.hang" exists there (until a
// file "release" appears, at most two minutes), and then copies
// "<log>.seed" to the log its name and switch stand for, when the test
// seeded one. A file "<name>.unrun" lists (one per line) values of the
// user's Run key that the test seeded and that this cleaner removes. A file
// "<name>.exit" holds the exit status to end with (0 without it).
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::string Narrow(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w, -1, &s[0], n, nullptr, nullptr);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Append(const std::string& path, const std::string& line) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(f);
      return;
    }
    Sleep(20);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path = module;
  const size_t slash = path.rfind('\\');
  const std::string folder = path.substr(0, slash);
  std::string name = path.substr(slash + 1);
  if (name.size() > 4) name.resize(name.size() - 4);  // ".exe"

  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const std::string first = (argv && argc > 1) ? Narrow(argv[1]) : std::string();
  if (argv) LocalFree(argv);
  Append(folder + "\\calls.txt", name + "|" + first + "|" + std::to_string(argc) + "\r\n");

  if (Exists(folder + "\\" + name + ".hang")) {
    for (int i = 0; i < 1200 && !Exists(folder + "\\release"); ++i) Sleep(100);
  }

  const std::string unrun = folder + "\\" + name + ".unrun";
  if (Exists(unrun)) {
    HANDLE f = CreateFileA(unrun.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string text(4096, '\0');
    DWORD read = 0;
    if (f != INVALID_HANDLE_VALUE) {
      ReadFile(f, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
      CloseHandle(f);
    }
    text.resize(read);
    HKEY run = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string value = text.substr(start, end - start);
        if (!value.empty() && value.back() == '\r') value.pop_back();
        if (!value.empty()) RegDeleteValueA(run, value.c_str());
        start = end + 1;
      }
      RegCloseKey(run);
    }
  }

  std::string log = name + ".log";
  if (name == "Dustrel" && first == "-Track") log = "History.log";
  if (name == "Patchmoorv") log = "Patchmoor.log";
  const std::string seed = folder + "\\" + log + ".seed";
  if (Exists(seed)) CopyFileA(seed.c_str(), (folder + "\\" + log).c_str(), FALSE);
  char status[16] = {};
  HANDLE f = CreateFileA((folder + "\\" + name + ".exit").c_str(), GENERIC_READ, FILE_SHARE_READ,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  DWORD read = 0;
  ReadFile(f, status, sizeof status - 1, &read, nullptr);
  CloseHandle(f);
  return atoi(status);
}
