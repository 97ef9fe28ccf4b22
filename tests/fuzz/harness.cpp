#include "harness.h"

#include <atomic>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace suite::fuzz {
namespace {

std::atomic<const char*> g_format{nullptr};
std::atomic<const std::string*> g_input{nullptr};
std::atomic<size_t> g_index{0};
std::atomic<ULONGLONG> g_started{0};  // GetTickCount64 when the input began; 0 when idle
std::atomic<bool> g_stop{false};
std::thread g_watchdog;

// Writes the input in work without allocating (the heap may be what broke).
void SaveCurrent(const char* what) {
  const char* format = g_format.load();
  const std::string* input = g_input.load();
  if (!format || !input) {
    std::fprintf(stderr, "fuzz: %s outside any input\n", what);
    return;
  }
  char path[MAX_PATH + 64];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = n ? std::strrchr(path, '\\') : nullptr;
  if (!slash) return;
  std::snprintf(slash + 1, 64, "fuzz-%s-%zu.bin", format, g_index.load());
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, input->data(), static_cast<DWORD>(input->size()), &written, nullptr);
    CloseHandle(file);
  }
  std::fprintf(stderr, "fuzz: %s input %zu: %s; the input is saved as %s\n", format,
               g_index.load(), what, path);
  std::fflush(stderr);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  char what[96];
  std::snprintf(what, sizeof what, "crashed with exception 0x%08lx at %p",
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                info->ExceptionRecord->ExceptionAddress);
  SaveCurrent(what);
#ifdef _WIN64
  // Return addresses into this program on the stack, for addr2line.
  const ULONG_PTR base = reinterpret_cast<ULONG_PTR>(GetModuleHandleA(nullptr));
  const ULONG_PTR* sp = reinterpret_cast<const ULONG_PTR*>(info->ContextRecord->Rsp);
  std::fprintf(stderr, "fuzz: program addresses on the stack:");
  for (int i = 0; i < 512; ++i)
    if (sp[i] > base && sp[i] < base + 0x2000000) std::fprintf(stderr, " %p", reinterpret_cast<void*>(sp[i]));
  std::fprintf(stderr, "\n");
#endif
  ExitProcess(3);
}

void OnAbort(int) {
  SaveCurrent("ended the process (abort: a failed check of the C++ library or the stack guard)");
  ExitProcess(3);
}

void Watchdog() {
  while (!g_stop) {
    Sleep(100);
    const ULONGLONG started = g_started.load();
    if (started != 0 && GetTickCount64() - started > Opts().timeLimitMs) {
      char what[64];
      std::snprintf(what, sizeof what, "ran past its time limit of %lu ms",
                    static_cast<unsigned long>(Opts().timeLimitMs));
      SaveCurrent(what);
      ExitProcess(4);  // the engine is stuck: only the whole process can end
    }
  }
}

bool Number(const char* arg, const char* name, uint64_t& out) {
  const size_t n = std::strlen(name);
  if (std::strncmp(arg, name, n) != 0) return false;
  char* end = nullptr;
  out = std::strtoull(arg + n, &end, 10);
  return end && *end == '\0' && end != arg + n;
}

}  // namespace

Options& Opts() {
  static Options options;
  return options;
}

bool ParseOptions(int& argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    uint64_t v = 0;
    const char* a = argv[i];
    if (Number(a, "--seed=", v)) {
      Opts().seed = v;
    } else if (Number(a, "--runs=", v)) {
      Opts().runs = static_cast<size_t>(v);
    } else if (Number(a, "--reg-runs=", v)) {
      Opts().regRuns = static_cast<size_t>(v);
    } else if (Number(a, "--time-limit-ms=", v) && v > 0) {
      Opts().timeLimitMs = static_cast<DWORD>(v);
    } else if (std::strncmp(a, "--replay=", 9) == 0 && std::strchr(a + 9, ':')) {
      const char* colon = std::strchr(a + 9, ':');
      Opts().replayFormat.assign(a + 9, colon);
      Opts().replayFile = colon + 1;
    } else if (std::strncmp(a, "--seed", 6) == 0 || std::strncmp(a, "--replay", 8) == 0 || std::strncmp(a, "--runs", 6) == 0 ||
               std::strncmp(a, "--reg-runs", 10) == 0 || std::strncmp(a, "--time-limit", 12) == 0) {
      std::fprintf(stderr, "fuzz: bad option %s\n", a);
      return false;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return true;
}

size_t RunsFor(const char* format, size_t runs) {
  if (Opts().replayFormat.empty()) return runs;
  return Opts().replayFormat == format ? 1 : 0;
}

const std::string& InputFor(const std::string& mutated) {
  static std::string replayed;
  if (Opts().replayFile.empty()) return mutated;
  HANDLE h = CreateFileA(Opts().replayFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  replayed.clear();
  if (h != INVALID_HANDLE_VALUE) {
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) replayed.append(buf, got);
    CloseHandle(h);
  }
  return replayed;
}

void StartWatch() {
  // SUITE_FUZZ_DEBUGGER=1 leaves crashes to the system's debugger (a backtrace).
  if (!std::getenv("SUITE_FUZZ_DEBUGGER")) SetUnhandledExceptionFilter(OnCrash);
  std::signal(SIGABRT, OnAbort);
  g_stop = false;
  g_watchdog = std::thread(Watchdog);
}

void StopWatch() {
  g_stop = true;
  if (g_watchdog.joinable()) g_watchdog.join();
}

Current::Current(const char* format, size_t index, const std::string& input) {
  g_format = format;
  g_index = index;
  g_input = &input;
  g_started = GetTickCount64();
}

Current::~Current() {
  g_started = 0;
  g_input = nullptr;
}

std::string SaveInput(const char* format, size_t index, const std::string& input) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  folder.erase(folder.find_last_of('\\') + 1);
  const std::string file = folder + "fuzz-" + format + "-" + std::to_string(index) + ".bin";
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(h, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(h);
  }
  return file;
}

}  // namespace suite::fuzz
