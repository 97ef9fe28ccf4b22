#include "performance.h"

#include <tlhelp32.h>

#include <algorithm>

#include "handles.h"
#include "registry.h"
#include "sysinfo.h"
#include "text.h"

namespace suite::console {

namespace {

int CountValues(HKEY root, const std::string& path) {
  UniqueKey key = OpenKey(root, path, KEY_READ);
  if (!key) return 0;
  DWORD values = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  return static_cast<int>(values);
}

int CountProcessesToolhelp() {
  UniqueHandleKernel snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  int count = 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32First(snapshot.get(), &entry); ok;
       ok = Process32Next(snapshot.get(), &entry)) {
    UniqueHandleKernel modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, entry.th32ProcessID));
    if (!modules) continue;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL m = Module32First(modules.get(), &module); m;
         m = Module32Next(modules.get(), &module)) {
      if (module.th32ModuleID == entry.th32ModuleID || entry.th32ModuleID == 0) {
        ++count;
        break;
      }
    }
  }
  return count;
}

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleFileNameExFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using GetModuleBaseNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// The library's functions are looked up at run time: a system without them
// counts no processes.
template <class F>
F Function(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

int CountProcessesPsapi() {
  UniqueModule psapi(LoadLibraryA("PSAPI.DLL"));
  if (!psapi) return 0;
  auto enumProcesses = Function<EnumProcessesFn>(psapi.get(), "EnumProcesses");
  auto fileName = Function<GetModuleFileNameExFn>(psapi.get(), "GetModuleFileNameExA");
  auto baseName = Function<GetModuleBaseNameFn>(psapi.get(), "GetModuleBaseNameA");
  auto enumModules = Function<EnumProcessModulesFn>(psapi.get(), "EnumProcessModules");
  int count = 0;
  if (enumProcesses && fileName && baseName && enumModules) {
    DWORD ids[1024] = {};
    DWORD bytes = 0;
    if (enumProcesses(ids, sizeof ids, &bytes)) {
      const DWORD n = std::min<DWORD>(bytes / sizeof(DWORD), 1024);
      for (DWORD i = 0; i < n; ++i) {
        UniqueHandleKernel process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
        if (!process) continue;
        HMODULE first = nullptr;
        DWORD needed = 0;
        if (!enumModules(process.get(), &first, sizeof first, &needed)) continue;
        char path[MAX_PATH] = {};
        if (fileName(process.get(), first, path, MAX_PATH) > 0) ++count;
      }
    }
  }
  return count;
}

int Percent(unsigned long long used, unsigned long long total) {
  if (total == 0) total = 1;
  return static_cast<int>(std::min<unsigned long long>(used * 100 / total, 99));
}

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

}  // namespace

const std::vector<std::pair<HKEY, std::string>>& StartupKeys() {
  static const std::vector<std::pair<HKEY, std::string>> keys = {
      {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
      {HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\Run"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\policies\\Explorer\\Run"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
      {HKEY_USERS, ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {HKEY_USERS, ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
  };
  return keys;
}

int CountStartupEntries() {
  int total = 0;
  // The machine's keys in both registry views of a 64-bit Windows: 32-bit
  // programs start from the 32-bit view's Run keys.
  for (const auto& key : StartupKeys())
    for (const std::string& path : ViewPaths(key.first, key.second))
      total += CountValues(key.first, path);
  return total;
}

void CountServices(HKEY root, const std::string& servicesKey, int& services, int& automatic) {
  services = automatic = 0;
  UniqueKey key = OpenKey(root, servicesKey, KEY_READ);
  if (!key) return;
  // Every subkey counts; the names come from the system's own enumeration so
  // a service with a long name is not missed.
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    ++services;
    UniqueKey service = OpenKey(key.get(), name, KEY_READ);
    if (!service) continue;
    DWORD type = 0, start = 0, size = sizeof start;
    if (RegQueryValueExA(service.get(), "Start", nullptr, &type,
                         reinterpret_cast<BYTE*>(&start), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof start && start <= 2)
      ++automatic;
  }
}

int CountProcesses() { return IsWin9x() ? CountProcessesToolhelp() : CountProcessesPsapi(); }

SystemFigures TakeSystemFigures() {
  SystemFigures f;
  f.startupEntries = CountStartupEntries();
  CountServices(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", f.services,
                f.automaticServices);
  f.processes = CountProcesses();
  return f;
}

DiskFigures TakeDiskFigures() {
  DiskFigures d;
  DiskSpaceTotals(d.totalMb, d.freeMb);
  return d;
}

PerformanceDisplay ComputeDisplay(const SystemFigures& before, const SystemFigures& after,
                                  const DiskFigures& diskBefore, const DiskFigures& diskAfter,
                                  const PerformanceTexts& texts) {
  PerformanceDisplay d;
  d.diskBefore = Percent(diskBefore.totalMb - std::min(diskBefore.freeMb, diskBefore.totalMb),
                         diskBefore.totalMb);
  d.diskAfter = Percent(diskAfter.totalMb - std::min(diskAfter.freeMb, diskAfter.totalMb),
                        diskAfter.totalMb);
  // Space freed is the growth of the free space; less free space afterwards
  // (other programs wrote meanwhile) frees nothing.
  const long long freed = static_cast<long long>(diskAfter.freeMb) -
                          static_cast<long long>(diskBefore.freeMb);
  d.diskText = Format("%s %lld MB", texts.disk.c_str(), freed > 0 ? freed : 0);

  const int dStartup = before.startupEntries - after.startupEntries;
  const int dServices = before.services - after.services;
  const int dAutomatic = before.automaticServices - after.automaticServices;
  const int dProcesses = before.processes - after.processes;
  d.startupAfter = Clamp(kBeforePosition + dStartup + dAutomatic, 1, kBarMax);
  d.performanceAfter = Clamp(kBeforePosition + dProcesses + dServices, 1, kBarMax);

  const int processesBefore = before.processes == 0 ? 1 : before.processes;
  const double f = dServices + dAutomatic + dStartup +
                   static_cast<double>(dProcesses) / processesBefore;
  d.performanceText = Format("%s:%2.0f%%", texts.performance.c_str(), f);
  d.startupText =
      Format("%s:%d", texts.startup.c_str(), 10 * (dServices + dAutomatic + dStartup));
  return d;
}

}  // namespace suite::console
