// Move-only owners for the Win32 handles the suite opens: one template, one
// small policy per handle kind. A handle is closed exactly once, when its owner
// goes away or is reset. Also the thread's COM initialisation as a scope.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <wininet.h>

#include <utility>

namespace suite {

template <class Policy>
class UniqueHandle {
 public:
  using Type = typename Policy::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Type get() const { return h_; }
  explicit operator bool() const { return Policy::Valid(h_); }
  Type release() {
    Type h = h_;
    h_ = Policy::Invalid();
    return h;
  }
  void reset(Type h = Policy::Invalid()) {
    if (Policy::Valid(h_)) Policy::Close(h_);
    h_ = h;
  }
  // For out-parameters of the API that opens the handle.
  Type* put() {
    reset();
    return &h_;
  }

 private:
  Type h_ = Policy::Invalid();
};

struct KernelHandlePolicy {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandlePolicy {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};

struct RegKeyPolicy {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};

struct ModulePolicy {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};

struct InternetHandlePolicy {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr; }
  static void Close(Type h) { ::InternetCloseHandle(h); }
};

using UniqueHandleKernel = UniqueHandle<KernelHandlePolicy>;  // files, threads, processes, events
using UniqueFind = UniqueHandle<FindHandlePolicy>;            // FindFirstFile
using UniqueKey = UniqueHandle<RegKeyPolicy>;                 // RegOpenKeyEx / RegCreateKeyEx
using UniqueModule = UniqueHandle<ModulePolicy>;              // LoadLibrary / LoadLibraryEx
using UniqueInternet = UniqueHandle<InternetHandlePolicy>;    // WinINet (InternetOpen, ...)

// COM on the calling thread for the life of the scope (a single-threaded
// apartment unless told otherwise). CoUninitialize follows only an
// initialisation that succeeded (S_OK or S_FALSE); an apartment of another
// kind that the thread already has stays as it is.
class ComScope {
 public:
  explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED)
      : hr_(CoInitializeEx(nullptr, model)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

}  // namespace suite
