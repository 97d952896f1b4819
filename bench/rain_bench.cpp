// rain_bench: the cost of one frame of the rain drawn through the heart into a plain buffer —
// ComposeFrame, its rain model part alone, and full frames of glyphs through each blitter — at
// three display sizes, each beside a memcpy of
// the same frame bytes measured in the same run. After the runs it prints every time as a
// multiple of its size's memcpy, so the figures compare across machines and stay meaningful on a
// busy one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/rain_buffer.h"
#include "heart/blitters.h"
#include "bench_sizes.h"
#include "heart/log_message.h"

namespace {

constexpr int32_t kGridRaise = 10;  // as frame composition places the grid

std::string SizeName(BenchSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

size_t FrameBytes(BenchSize size) {
  return static_cast<size_t>(size.width) * static_cast<size_t>(size.height) * sizeof(uint16_t);
}

// The rain of one screen of `size` in 5x6x5, its drops placed.
bool StartRain(RainBuffer& rain, BenchSize size, benchmark::State& state) {
  if (!rain.Start({size.width, size.height, 1, 1, kBenchDrops, kBenchHighlightPercent})) {
    state.SkipWithError("the rain could not be built");
    return false;
  }
  return true;
}

void Memcpy(benchmark::State& state, BenchSize size) {
  const size_t bytes = FrameBytes(size);
  std::vector<uint16_t> from(bytes / 2, 0x07E0);
  std::vector<uint16_t> to(bytes / 2, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void Compose(benchmark::State& state, BenchSize size) {
  RainBuffer rain;
  if (!StartRain(rain, size, state)) return;
  for (auto _ : state) {
    rain.DrawFrame();
    benchmark::ClobberMemory();
  }
  const RainGrid& grid = rain.grid();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(FrameBytes(size)));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * grid.rows * grid.columns);
}

// The rain model's share of a frame: the frame composed with nothing drawn (the drops moved and
// every cell updated, in composition's order), so the blitters' share is the difference.
void Model(benchmark::State& state, BenchSize size) {
  RainBuffer rain;
  if (!StartRain(rain, size, state)) return;
  const RainGrid& grid = rain.grid();
  for (auto _ : state) {
    rain.MoveFrame();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * grid.rows * grid.columns);
}

// Every cell of the grid drawn with its own glyph by one blitter (shade 0: DrawGlyph), placed as
// frame composition places it, without moving drops or updating cells.
void Blit(benchmark::State& state, BenchSize size, int32_t shade) {
  RainBuffer rain;
  if (!StartRain(rain, size, state)) return;
  rain.DrawFrame();  // the clip rectangle and colour type set for the buffer
  const FrameDescriptor* frame = &rain.frame();
  RainGrid& grid = rain.grid();
  const GlyphSet& glyphs = *grid.glyphs;
  for (auto _ : state) {
    Pen pen = {0, glyphs.height * (grid.rows - 1) - kGridRaise};
    for (int32_t row = grid.rows - 1; row >= 0; --row) {
      for (int32_t column = 0; column < grid.columns; ++column) {
        const int32_t glyph = grid.cells[row * grid.columns + column].glyph;
        if (shade == 0) {
          DrawGlyph(glyphs, frame, pen, glyph);
        } else {
          DrawGlyphShaded(glyphs, frame, pen, glyph, shade);
        }
        pen.x += glyphs.width;
      }
      pen.x = 0;
      pen.y -= glyphs.height;
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(FrameBytes(size)));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * grid.rows * grid.columns);
}

// The console table as usual, and each run's CPU time per iteration kept by name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      times_[run.run_name.str()].push_back(run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Each benchmark's time over the memcpy of its size: median over median, and fastest over
  // fastest, which load elsewhere on the machine disturbs least.
  void PrintRatios(const std::vector<std::string>& names) const {
    std::printf("\nCPU time as a multiple of the memcpy of the same frame:\n");
    std::printf("  %-32s %7s %7s\n", "", "median", "best");
    for (const std::string& name : names) {
      const size_t slash = name.find('/');
      if (slash == std::string::npos || name.compare(0, slash, "Memcpy") == 0) continue;
      const auto run = times_.find(name);
      const auto base = times_.find("Memcpy" + name.substr(slash));
      if (run == times_.end() || base == times_.end()) continue;  // filtered out or failed
      std::printf("  %-32s %7.2f %7.2f\n", name.c_str(), Median(run->second) / Median(base->second),
                  Best(run->second) / Best(base->second));
    }
  }

 private:
  static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }
  static double Best(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

  std::map<std::string, std::vector<double>> times_;
};

}  // namespace

// The heart logs only a refused glyph file, which StartRain reports.
void LogMessage(const char*, uint32_t) {}

int main(int argc, char** argv) {
  std::vector<std::string> names;
  for (BenchSize size : kBenchSizes) {
    const std::string suffix = "/" + SizeName(size);
    names.push_back("Memcpy" + suffix);
    benchmark::RegisterBenchmark(names.back().c_str(), Memcpy, size);
    names.push_back("ComposeFrame" + suffix);
    benchmark::RegisterBenchmark(names.back().c_str(), Compose, size);
    names.push_back("RainModel" + suffix);
    benchmark::RegisterBenchmark(names.back().c_str(), Model, size);
    names.push_back("DrawGlyph" + suffix);
    benchmark::RegisterBenchmark(names.back().c_str(), Blit, size, 0);
    for (int32_t shade = 1; shade <= 3; ++shade) {
      names.push_back("DrawGlyphShaded" + std::to_string(shade) + suffix);
      benchmark::RegisterBenchmark(names.back().c_str(), Blit, size, shade);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(names);
  benchmark::Shutdown();
  return 0;
}
