// The frame benchmark's measurement: per size, rounds of a batch of copies of the frame's bytes
// followed by a batch of composed frames and a batch of frames with nothing drawn, each round's
// ratios taken on their own, the medians of the rounds reported. A burst of load elsewhere on the
// machine falls on one round, not on one side.
#include "frame_bench.h"

#include <memory>
#include <new>

#include "common/rain_buffer.h"
#include "heart/fixed_string.h"
#include "bench_sizes.h"
#include "heart/log_message.h"

namespace {

constexpr int32_t kMaxRounds = 101;
// Each batch lasts about this long, so that the clock's resolution does not matter.
constexpr uint64_t kBatchMicroseconds = 20000;

void Write(const FixedString& line) { BenchWrite(line.TextOrNull()); }

// `value` hundredths as "12.34".
FixedString& AppendHundredths(FixedString& text, uint64_t value) {
  text.AppendInt(static_cast<int32_t>(value / 100));
  text.Append(value % 100 < 10 ? ".0" : ".");
  return text.AppendInt(static_cast<int32_t>(value % 100));
}

void Pad(FixedString& text, int32_t length) {
  while (text.Length() < length) text.Append(" ");
}

uint64_t Micro(uint64_t ticks) { return ticks * 1000000u / BenchTicksPerSecond(); }

void SortAscending(uint64_t* values, int32_t n) {
  for (int32_t i = 1; i < n; ++i) {
    const uint64_t v = values[i];
    int32_t j = i;
    for (; j > 0 && values[j - 1] > v; --j) values[j] = values[j - 1];
    values[j] = v;
  }
}

// How many repetitions of `what` make a batch of about kBatchMicroseconds.
template <class Work>
uint64_t BatchOf(Work what) {
  const uint64_t start = BenchTicks();
  what();
  const uint64_t one = Micro(BenchTicks() - start);
  return one >= kBatchMicroseconds ? 1 : kBatchMicroseconds / (one == 0 ? 1 : one);
}

// One row of the report: `name` at `size`, the median of the rounds' ratios to the copy, the
// median times and the lowest ratio.
void Report(const char* name, BenchSize size, uint64_t* ratios, uint64_t* times, uint64_t* copyTimes, int32_t rounds) {
  SortAscending(ratios, rounds);
  SortAscending(times, rounds);
  SortAscending(copyTimes, rounds);
  FixedString line(name);
  line.Append(" ").AppendInt(size.width).Append("x").AppendInt(size.height);
  Pad(line, 24);
  AppendHundredths(line, ratios[rounds / 2]).Append(" x ").Append(kFastCopyName);
  line.Append("  (frame ").AppendInt(static_cast<int32_t>(Micro(times[rounds / 2]) / 1000));
  line.Append(" us, copy ").AppendInt(static_cast<int32_t>(Micro(copyTimes[rounds / 2]) / 1000));
  line.Append(" us; lowest round ");
  AppendHundredths(line, ratios[0]).Append(" x)\n");
  Write(line);
}

// Measures a size: whole frames ("ComposeFrame") and, to show how much of a frame the rain model
// takes, the same frames with nothing drawn ("RainModel": the drops moved, every cell updated, the
// same random draws).
bool Measure(BenchSize size, int32_t rounds) {
  RainBuffer rain;
  if (!rain.Start({size.width, size.height, 1, 1, kBenchDrops, kBenchHighlightPercent})) return false;
  const size_t pixels = static_cast<size_t>(size.width) * static_cast<size_t>(size.height);
  std::unique_ptr<uint16_t[]> from(new (std::nothrow) uint16_t[pixels]);
  std::unique_ptr<uint16_t[]> to(new (std::nothrow) uint16_t[pixels]);
  if (!from || !to) return false;
  for (size_t i = 0; i < pixels; ++i) from[i] = static_cast<uint16_t>(i);
  const size_t bytes = pixels * sizeof(uint16_t);
  const auto copy = [&] { FastCopy(to.get(), from.get(), bytes); };
  const auto compose = [&] { rain.DrawFrame(); };
  const auto model = [&] { rain.MoveFrame(); };
  for (int32_t i = 0; i < 10; ++i) {  // caches and the rain's first frames behind us
    copy();
    compose();
  }
  const uint64_t copies = BatchOf(copy);
  const uint64_t frames = BatchOf(compose);
  const uint64_t moves = BatchOf(model);

  // Hundredths of the copy's time, and ticks per repetition scaled by 1000.
  uint64_t frameRatios[kMaxRounds], modelRatios[kMaxRounds];
  uint64_t frameTimes[kMaxRounds], modelTimes[kMaxRounds], copyTimes[kMaxRounds];
  for (int32_t r = 0; r < rounds; ++r) {
    const uint64_t t0 = BenchTicks();
    for (uint64_t i = 0; i < copies; ++i) copy();
    const uint64_t t1 = BenchTicks();
    for (uint64_t i = 0; i < frames; ++i) compose();
    const uint64_t t2 = BenchTicks();
    for (uint64_t i = 0; i < moves; ++i) model();
    const uint64_t t3 = BenchTicks();
    copyTimes[r] = (t1 - t0) * 1000 / copies;
    frameTimes[r] = (t2 - t1) * 1000 / frames;
    modelTimes[r] = (t3 - t2) * 1000 / moves;
    const uint64_t copyTime = copyTimes[r] == 0 ? 1 : copyTimes[r];
    frameRatios[r] = frameTimes[r] * 100 / copyTime;
    modelRatios[r] = modelTimes[r] * 100 / copyTime;
  }
  Report("ComposeFrame", size, frameRatios, frameTimes, copyTimes, rounds);
  Report("RainModel", size, modelRatios, modelTimes, copyTimes, rounds);  // copyTimes sorted already
  return true;
}

}  // namespace

// The heart logs only a refused glyph file; the benchmark shows it.
void LogMessage(const char* text, uint32_t level) {
  if (level < LOG_WARNING || text == nullptr) return;
  BenchWrite(text);
  BenchWrite("\n");
}

int32_t RoundsFrom(const char* commandLine) {
  const char kOption[] = "--rounds";
  for (const char* p = commandLine; *p != '\0'; ++p) {
    int32_t i = 0;
    while (kOption[i] != '\0' && p[i] == kOption[i]) ++i;
    if (kOption[i] != '\0') continue;
    const char* digits = p + i;
    while (*digits == ' ' || *digits == '=') ++digits;
    int32_t rounds = 0;
    for (; *digits >= '0' && *digits <= '9' && rounds < kMaxRounds; ++digits) rounds = rounds * 10 + (*digits - '0');
    if (rounds < 1) return 1;
    return rounds > kMaxRounds ? kMaxRounds : rounds;
  }
  return kDefaultRounds;
}

int RunFrameBench(int32_t rounds) {
  FixedString title("Frame benchmark, ");
  title.Append(kBenchBuildName).Append(": ComposeFrame, and RainModel (the same frame with nothing drawn), as");
  title.Append(" a multiple of ").Append(kFastCopyName).Append(" of the same frame, median of ").AppendInt(rounds);
  title.Append(" rounds\n");
  Write(title);
  int result = 0;
  for (const BenchSize& size : kBenchSizes) {
    if (!Measure(size, rounds)) {
      Write(FixedString("ComposeFrame: the rain could not be built at ") + size.width + "x" + size.height + "\n");
      result = 1;
    }
  }
  return result;
}
