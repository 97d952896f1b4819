// frame_bench: ComposeFrame through the heart alone, at three display sizes, as a multiple of a
// fast copy of the same frame's bytes measured in the same run. One portable measurement
// (frame_bench.cpp) and, chosen when linking, the platform's side of it: the host's (C++ library,
// memcpy) or the Windows build's, which like Sarvello.scr carries no C runtime (its memory
// functions are the program's own, src/runtime) and copies with `rep movsd`.
#pragma once

#include <cstddef>
#include <cstdint>

// --- the platform's side ------------------------------------------------------------------------
// A monotonic clock and its ticks per second.
uint64_t BenchTicks();
uint64_t BenchTicksPerSecond();
// Writes `text` to standard output as it is.
void BenchWrite(const char* text);
// The fast copy the frames are measured against, and its name in the report.
void FastCopy(void* to, const void* from, size_t bytes);
extern const char kFastCopyName[];
// What build the figures are of, for the report's first line.
extern const char kBenchBuildName[];

// --- the measurement ---------------------------------------------------------------------------
constexpr int32_t kDefaultRounds = 15;
// The number after "--rounds" in a command line, or kDefaultRounds.
int32_t RoundsFrom(const char* commandLine);
// Measures and prints two lines per size, "ComposeFrame WxH R x <copy> ..." and the same for
// "RainModel" (the frame with nothing drawn). 0 when every size was measured, 1 when one could not
// be built.
int RunFrameBench(int32_t rounds);
