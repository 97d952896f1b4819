// The C++ allocation functions of Sarvello.scr over the process heap of the system, which every
// Windows has from its first release (a C runtime's heap is not on every Windows 95). Nothing in
// the program throws: it allocates only with the non-throwing forms, whose null the caller tests,
// so the throwing forms are left out and a plain `new` fails to link.
#include <new>

#include "platform/win32.h"

namespace std {
// The tag of the non-throwing forms; the program carries its own, not a C++ library's.
const nothrow_t nothrow{};
}  // namespace std

namespace {

// A request of 0 bytes still yields a block of its own, as `new` must give distinct addresses.
void* Allocate(std::size_t size) { return HeapAlloc(GetProcessHeap(), 0, size != 0 ? size : 1); }

void Free(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }

// The process ends with ExitProcess and runs nothing after the saver, so what a static object
// asks to have run at exit is not kept.
extern "C" int atexit(void (*)()) { return 0; }
