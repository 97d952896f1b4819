// render: draws the rain with the program's heart — the glyph conversion, the rain model and frame
// composition — into a plain buffer, and writes chosen frames as PNG files, or all of them as one
// animated PNG.
// Usage: render [OUT_PREFIX] [--apng FILE] [--speed MS] [--size WxH] [--drops N]
//               [--highlight PERCENT] [--frames N] [--every N] [--colour-type 0|1] [--seed N]
// Writes OUT_PREFIX-NNNN.png for every N-th frame (and the last), and with --apng every frame into
// FILE, each shown for --speed milliseconds (the program's "Speed" setting: 30, one frame every
// 30 ms), looping. The window thread's stream is seeded with --seed (GetTickCount in the program);
// the drawing stream starts at 1, as in the program's drawing thread.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/animated_png.h"
#include "common/picture.h"
#include "common/rain_buffer.h"
#include "common/tool_files.h"

namespace {

struct Options {
  std::string prefix;
  std::string apng;
  long width = 800, height = 600, drops = 300, highlight = 8, frames = 60, every = 20, colourType = 1, seed = 1;
  long speed = 30;
};

bool Number(const char* text, long low, long high, long* out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true;
    if (arg == "--size" && value) {
      const std::string v = value;
      const size_t x = v.find('x');
      ok = x != std::string::npos && Number(v.substr(0, x).c_str(), 1, 4096, &o->width) &&
           Number(v.substr(x + 1).c_str(), 1, 4096, &o->height);
    } else if (arg == "--drops" && value) {
      ok = Number(value, 0, RainGrid::kMaxDrops, &o->drops);
    } else if (arg == "--highlight" && value) {
      ok = Number(value, 0, 100, &o->highlight);
    } else if (arg == "--frames" && value) {
      ok = Number(value, 1, 100000, &o->frames);
    } else if (arg == "--every" && value) {
      ok = Number(value, 1, 100000, &o->every);
    } else if (arg == "--colour-type" && value) {
      ok = Number(value, 0, 1, &o->colourType);
    } else if (arg == "--seed" && value) {
      ok = Number(value, 0, 0x7FFFFFFF, &o->seed);
    } else if (arg == "--apng" && value) {
      o->apng = value;
    } else if (arg == "--speed" && value) {
      ok = Number(value, 1, 65535, &o->speed);
    } else if (arg[0] != '-' && o->prefix.empty()) {
      o->prefix = arg;
      continue;
    } else {
      return false;
    }
    if (!ok) return false;
    ++i;
  }
  return !o->prefix.empty() || !o->apng.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: render [OUT_PREFIX] [--apng FILE] [--speed MS] [--size WxH] [--drops N] [--highlight PERCENT] "
                 "[--frames N] [--every N] [--colour-type 0|1] [--seed N]\n"
                 "       (an OUT_PREFIX for still frames, an --apng FILE for all frames, or both)\n");
    return 2;
  }
  const int width = static_cast<int>(o.width);
  const int height = static_cast<int>(o.height);
  RainBuffer rain;
  if (!rain.Start({width, height, static_cast<int32_t>(o.colourType), static_cast<uint32_t>(o.seed),
                   static_cast<int32_t>(o.drops), static_cast<int32_t>(o.highlight)})) {
    std::fprintf(stderr, "render: the glyphs could not be loaded or the frame not allocated\n");
    return 1;
  }

  int failures = 0;
  AnimatedPng animation(width, height, static_cast<unsigned>(o.speed));
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<unsigned char> rgb(size * 3);
  for (long f = 1; f <= o.frames && failures == 0; ++f) {
    rain.DrawFrame();
    const bool still = !o.prefix.empty() && (f % o.every == 0 || f == o.frames);
    if (!still && o.apng.empty()) continue;
    for (size_t p = 0; p < size; ++p) ExpandPixel(rain.pixels()[p], static_cast<int32_t>(o.colourType), &rgb[p * 3]);
    std::string error;
    if (!o.apng.empty() && !animation.AddFrame(rgb, &error)) {
      std::fprintf(stderr, "render: %s: frame %ld: %s\n", o.apng.c_str(), f, error.c_str());
      ++failures;
      break;
    }
    if (!still) continue;
    char name[32];
    std::snprintf(name, sizeof name, "-%04ld.png", f);
    if (!WriteRgbPng(o.prefix + name, width, height, rgb, &error)) {
      std::fprintf(stderr, "render: %s%s: %s\n", o.prefix.c_str(), name, error.c_str());
      ++failures;
      break;
    }
    std::printf("%s%s\n", o.prefix.c_str(), name);
  }
  if (failures == 0 && !o.apng.empty()) {
    const std::vector<unsigned char> file = animation.Encode();
    if (!tool_files::WriteFile(o.apng, file)) {
      std::fprintf(stderr, "render: %s cannot be written\n", o.apng.c_str());
      ++failures;
    } else {
      std::printf("%s: %zu frames of %ldx%ld, %zu colours, one every %ld ms, %zu bytes\n", o.apng.c_str(),
                  animation.FrameCount(), o.width, o.height, animation.ColourCount(), o.speed, file.size());
    }
  }
  return failures == 0 ? 0 : 1;
}
