// The frame benchmark's Windows side, linked as Sarvello.scr is: no C runtime, the program's own
// memory functions and allocation (src/runtime), its own entry. The copy it measures against is
// `rep movsd`, the string copy every x86 since the 386 runs at its fastest.
// Usage (under Wine or Windows): frame_bench.exe [--rounds N]
#include "frame_bench.h"
#include "platform/win32.h"
#include "runtime/static_constructors.h"

const char kFastCopyName[] = "rep movsd";
const char kBenchBuildName[] = "Windows build";

uint64_t BenchTicks() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<uint64_t>(now.QuadPart);
}

uint64_t BenchTicksPerSecond() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<uint64_t>(frequency.QuadPart);
}

void BenchWrite(const char* text) {
  DWORD length = 0;
  while (text[length] != '\0') ++length;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, length, &written, nullptr);
}

void FastCopy(void* to, const void* from, size_t bytes) {
  size_t words = bytes / 4;
  asm volatile("rep movsl" : "+D"(to), "+S"(from), "+c"(words) : : "memory");
}

extern "C" [[noreturn]] void BenchEntry() {
  RunStaticConstructors();
  ExitProcess(static_cast<UINT>(RunFrameBench(RoundsFrom(GetCommandLineA()))));
}
