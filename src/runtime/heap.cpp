// The C++ allocation functions of Sarvello.scr over the system C runtime's heap. Nothing in the
// program throws: it allocates only with the non-throwing forms, whose null the caller tests, so the
// throwing forms are left out and a plain `new` fails to link.
#include <cstdlib>
#include <new>

namespace std {
// The tag of the non-throwing forms; the program carries its own, not a C++ library's.
const nothrow_t nothrow{};
}  // namespace std

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

// The process ends with ExitProcess and runs nothing after the saver, so what a static object
// asks to have run at exit is not kept.
extern "C" int atexit(void (*)()) { return 0; }
