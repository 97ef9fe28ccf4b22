// The fuzz executable's heap: every C++ allocation ends where its pages end,
// followed by an inaccessible page, so a read or write past the end of a buffer
// (a std::string holding a file, a std::vector of names) faults at once instead
// of reading a neighbour's bytes. Sizes are rounded up to 16 bytes (the
// alignment new guarantees), so an overrun is caught within 16 bytes of the end.
// Released memory is given back whole, so a use after release faults too.
// SUITE_FUZZ_PLAIN_HEAP=1 in the environment turns the guard off (the mode is
// fixed at the first allocation, before main).
#include <windows.h>

#include <cstdlib>
#include <new>

#include "harness.h"

namespace {

bool Guarded() {
  static const bool guarded = [] {
    char value[8];
    const DWORD n = GetEnvironmentVariableA("SUITE_FUZZ_PLAIN_HEAP", value, sizeof value);
    return !(n == 1 && value[0] == '1');
  }();
  return guarded;
}
const SIZE_T kPage = 4096;

void* GuardedAlloc(size_t size) {
  const SIZE_T rounded = (size + 15) & ~SIZE_T{15};
  const SIZE_T body = (rounded + kPage - 1) / kPage * kPage;
  BYTE* base = static_cast<BYTE*>(
      VirtualAlloc(nullptr, body + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!base) return nullptr;
  DWORD old;
  VirtualProtect(base + body, kPage, PAGE_NOACCESS, &old);
  return base + body - rounded;
}

void* Allocate(size_t size) {
  if (size == 0) size = 1;
  void* p = Guarded() ? GuardedAlloc(size) : std::malloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}

void Release(void* p) {
  if (!p) return;
  if (!Guarded()) {
    std::free(p);
    return;
  }
  MEMORY_BASIC_INFORMATION info;
  VirtualQuery(p, &info, sizeof info);
  VirtualFree(info.AllocationBase, 0, MEM_RELEASE);
}

}  // namespace

namespace suite::fuzz {
bool GuardedHeap() { return Guarded(); }
}  // namespace suite::fuzz

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
