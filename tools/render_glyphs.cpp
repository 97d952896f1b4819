// render_glyphs: draws Sarvello's built-in glyph set, the program's glyph file converted by the
// heart exactly as the program converts it, into one PNG sheet for looking at the artwork.
// Usage: render_glyphs OUT.png [--colour-type 0|1] [--scale N]
// Row 1 holds glyphs 0..26, row 2 their dim forms 27..53 and, after a one-glyph gap, the black
// glyph 54. A grey gutter one glyph-pixel wide marks every cell's edge.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/picture.h"
#include "common/rain_buffer.h"
#include "heart/glyph_set.h"
#include "heart/graphics_loader.h"

namespace {

constexpr unsigned char kGutter = 64;  // grey, so the black glyph's cell shows
constexpr int kColumns = GLYPH_SHAPES + 2;

struct Options {
  const char* out = nullptr;
  int32_t colourType = 1;
  int scale = 4;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--colour-type") == 0 && hasValue) {
      const std::string v = argv[++i];
      if (v != "0" && v != "1") return false;
      options->colourType = v == "0" ? 0 : 1;
    } else if (std::strcmp(argv[i], "--scale") == 0 && hasValue) {
      char* end = nullptr;
      const long v = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || v < 1 || v > 32) return false;
      options->scale = static_cast<int>(v);
    } else if (argv[i][0] != '-' && options->out == nullptr) {
      options->out = argv[i];
    } else {
      return false;
    }
  }
  return options->out != nullptr;
}

// Where glyph `index` sits on the sheet, in cells.
void CellOf(int32_t index, int* column, int* row) {
  if (index == GLYPH_BLANK) {
    *column = kColumns - 1;
    *row = 1;
  } else {
    *column = index % GLYPH_SHAPES;
    *row = index / GLYPH_SHAPES;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: render_glyphs OUT.png [--colour-type 0|1] [--scale N]\n");
    return 2;
  }
  GraphicsLoader loader;
  loader.colourType = options.colourType;
  const std::unique_ptr<GlyphSet> set = loader.LoadAnimation(kGlyphFile, kGlyphFileSize);
  if (!set || set->count <= GLYPH_BLANK) {
    std::fprintf(stderr, "render_glyphs: the glyph file was refused or holds too few glyphs\n");
    return 1;
  }

  const int s = options.scale;
  const int pitchX = (set->width + 1) * s;
  const int pitchY = (set->height + 1) * s;
  const int width = kColumns * pitchX + s;
  const int height = 2 * pitchY + s;
  const size_t stride = static_cast<size_t>(width) * 3;
  std::vector<unsigned char> pixels(stride * static_cast<size_t>(height), kGutter);

  for (int32_t index = 0; index <= GLYPH_BLANK; ++index) {
    int column = 0;
    int row = 0;
    CellOf(index, &column, &row);
    const uint16_t* frame = set->frames[index].get();
    for (int32_t y = 0; y < set->height * s; ++y) {
      unsigned char* out = pixels.data() + static_cast<size_t>(row * pitchY + s + y) * stride +
                           static_cast<size_t>(column * pitchX + s) * 3;
      for (int32_t x = 0; x < set->width * s; ++x)
        ExpandPixel(frame[(y / s) * set->width + x / s], options.colourType, out + x * 3);
    }
  }
  std::string error;
  if (!WriteRgbPng(options.out, width, height, pixels, &error)) {
    std::fprintf(stderr, "render_glyphs: cannot write %s: %s\n", options.out, error.c_str());
    return 1;
  }
  return 0;
}
