// A page of memory that switches drawing off at the first write into it: the write faults, the
// fault handler clears DrawEnabled and opens the page, and the write then goes through. So a test
// can clear DrawEnabled at an exact point in the middle of a frame (for instance the first pixel
// stored into one row of the frame), as the window thread may at any moment, and see where the
// drawing stopped.
#pragma once

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "rain/shared_flags.h"

class WriteTrap {
 public:
  // `pages` pages of zeroed memory, open for writing until Arm.
  explicit WriteTrap(size_t pages) : size_(pages * PageSize()) {
    memory_ =
        static_cast<unsigned char*>(mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  }
  // From now on page `trapped` (0-based) faults on its first write.
  void Arm(size_t trapped) {
    trapped_ = memory_ + trapped * PageSize();
    mprotect(trapped_, PageSize(), PROT_READ);
    Active() = this;
    struct sigaction action = {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &previous_);
  }
  ~WriteTrap() {
    if (Active() == this) {
      sigaction(SIGSEGV, &previous_, nullptr);
      Active() = nullptr;
    }
    munmap(memory_, size_);
  }
  WriteTrap(const WriteTrap&) = delete;
  WriteTrap& operator=(const WriteTrap&) = delete;

  unsigned char* memory() const { return memory_; }
  unsigned char* trapped() const { return trapped_; }
  bool sprung() const { return sprung_ != 0; }
  static size_t PageSize() { return static_cast<size_t>(sysconf(_SC_PAGESIZE)); }

 private:
  static WriteTrap*& Active() {
    static WriteTrap* active = nullptr;
    return active;
  }
  static void OnFault(int signal, siginfo_t* info, void* context) {
    (void)signal;
    (void)context;
    WriteTrap* trap = Active();
    auto* at = static_cast<unsigned char*>(info->si_addr);
    if (trap == nullptr || at < trap->trapped_ || at >= trap->trapped_ + PageSize()) {
      // Not ours: the faulting access runs again under the handler the process had before.
      struct sigaction fallback = {};
      fallback.sa_handler = SIG_DFL;
      sigaction(SIGSEGV, trap != nullptr ? &trap->previous_ : &fallback, nullptr);
      return;
    }
    DrawEnabled.store(0);
    trap->sprung_ = 1;
    mprotect(trap->trapped_, PageSize(), PROT_READ | PROT_WRITE);
  }

  size_t size_;
  unsigned char* memory_ = nullptr;
  unsigned char* trapped_ = nullptr;
  volatile sig_atomic_t sprung_ = 0;
  struct sigaction previous_ = {};
};
