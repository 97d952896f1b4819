// What both frame benchmarks measure: the display sizes, and the program's default rain on them
// (300 drops, 8 % highlighted glyphs).
#pragma once

#include <cstdint>

struct BenchSize {
  int32_t width;
  int32_t height;
};
constexpr BenchSize kBenchSizes[] = {{800, 600}, {1024, 768}, {1920, 1080}};
constexpr int32_t kBenchDrops = 300;
constexpr int32_t kBenchHighlightPercent = 8;
