// The frame benchmark's host side: the C++ library's clock and output, and the C library's memcpy.
// Usage: frame_bench [--rounds N]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "frame_bench.h"

const char kFastCopyName[] = "memcpy";
const char kBenchBuildName[] = "host build";

uint64_t BenchTicks() { return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()); }

uint64_t BenchTicksPerSecond() {
  using Period = std::chrono::steady_clock::period;
  return static_cast<uint64_t>(Period::den / Period::num);
}

void BenchWrite(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void FastCopy(void* to, const void* from, size_t bytes) {
  std::memcpy(to, from, bytes);
  // The copy's result is looked at, so the copy is not left out.
  asm volatile("" : : "r"(to) : "memory");
}

int main(int argc, char** argv) {
  std::string arguments;
  for (int i = 1; i < argc; ++i) arguments += std::string(argv[i]) + " ";
  return RunFrameBench(RoundsFrom(arguments.c_str()));
}
