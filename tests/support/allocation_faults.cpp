// The global allocation functions of a test binary, on malloc and free (the sanitizers watch
// those), with one armed failure for the nothrow forms. Every form is replaced together, so that
// what one form allocates the matching delete frees.
#include "support/allocation_faults.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> failSize{0};

void* Allocate(std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void* AllocateOrThrow(std::size_t bytes) {
  void* block = Allocate(bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* AllocateNothrow(std::size_t bytes) {
  std::size_t armed = bytes;
  if (bytes != 0 && failSize.compare_exchange_strong(armed, 0)) return nullptr;
  return Allocate(bytes);
}

}  // namespace

namespace allocation_faults {

void FailNextNothrow(std::size_t bytes) { failSize = bytes; }

}  // namespace allocation_faults

void* operator new(std::size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new[](std::size_t bytes) { return AllocateOrThrow(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return AllocateNothrow(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return AllocateNothrow(bytes); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
