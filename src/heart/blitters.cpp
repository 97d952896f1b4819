// The blitters: the clipping arithmetic and the choice of row routine once per glyph, then rows
// moved in blocks of eight pixels. A row's last block is placed flush with the row's end, so it
// may overlap the block before it: the overlapping pixels get the same value twice, and nothing
// outside the row is ever written.
#include "blitters.h"

#include <cstring>

#include "frame_selection.h"

ClipRectangle ClipRect = {0, 0, 0, 0};
int32_t CurrentColourType = 0;

namespace {

// Masks that clear the low `shade` bits of every channel, so no bit crosses into its neighbour.
constexpr uint16_t kShadeMasks[2][4] = {{0x7FFF, 0x7BDE, 0x739C, 0x6318}, {0xFFFF, 0xF7DE, 0xE79C, 0xC718}};

constexpr int32_t kBlock = 8;  // pixels moved together: 16 bytes

// Copying: a block is one 16-byte move, which the compiler turns into the widest moves the
// target has.
struct Copy {
  void Block(uint16_t* destination, const uint16_t* source) const {
    std::memcpy(destination, source, kBlock * sizeof(uint16_t));
  }
  void Pixel(uint16_t* destination, const uint16_t* source) const { *destination = *source; }
};

// Shading: the AND-and-shift on two pixels at once in 32-bit words. The mask clears the lowest
// `Shade` bits of every channel, and with them the lowest bits of every pixel, so the shift moves
// nothing from one pixel into the next.
template <int32_t Shade>
struct ShadeBy {
  explicit ShadeBy(uint16_t mask) : pixelMask(mask), pairMask(mask | static_cast<uint32_t>(mask) << 16) {}
  void Block(uint16_t* destination, const uint16_t* source) const {
    uint32_t pairs[kBlock / 2];
    std::memcpy(pairs, source, sizeof pairs);
    for (uint32_t& pair : pairs) pair = (pair & pairMask) >> Shade;
    std::memcpy(destination, pairs, sizeof pairs);
  }
  void Pixel(uint16_t* destination, const uint16_t* source) const {
    *destination = static_cast<uint16_t>((*source & pixelMask) >> Shade);
  }
  uint16_t pixelMask;
  uint32_t pairMask;
};

// `height` rows of `width` pixels, the destination stepping by `pitch` and the source by
// `sourcePitch`. The row length decides the routine once: two blocks for a row of 9 to 16
// pixels (the built-in glyphs are 14 wide), as many blocks as it takes for longer rows, single
// pixels for rows shorter than a block.
template <class Op>
void Rows(uint16_t* destination, const uint16_t* source, int32_t width, int32_t height, int32_t pitch,
          int32_t sourcePitch, Op op) {
  const int32_t last = width - kBlock;
  if (width > kBlock && width <= 2 * kBlock) {
    for (int32_t row = 0; row < height; ++row, destination += pitch, source += sourcePitch) {
      op.Block(destination, source);
      op.Block(destination + last, source + last);
    }
  } else if (width >= kBlock) {
    for (int32_t row = 0; row < height; ++row, destination += pitch, source += sourcePitch) {
      for (int32_t i = 0; i < last; i += kBlock) op.Block(destination + i, source + i);
      op.Block(destination + last, source + last);
    }
  } else {
    for (int32_t row = 0; row < height; ++row, destination += pitch, source += sourcePitch) {
      for (int32_t i = 0; i < width; ++i) op.Pixel(destination + i, source + i);
    }
  }
}

// Places glyph `index` at `pen`, clips it to ClipRect and hands its visible rows to `op`.
template <class Op>
void Blit(const GlyphSet& glyphs, const FrameDescriptor& frame, Pen pen, int32_t index, Op op) {
  const int32_t w = glyphs.width;
  const int32_t h = glyphs.height;
  const int32_t left = ClipRect.left;
  const int32_t top = ClipRect.top;
  const int32_t right = ClipRect.right;
  const int32_t bottom = ClipRect.bottom;
  const uint16_t* source = glyphs.frames[index].get();
  int32_t x = pen.x;
  int32_t y = pen.y;
  if (y >= top && x >= left && y + h <= bottom && x + w <= right) {
    Rows(frame.pixels + static_cast<intptr_t>(y) * frame.pitch + x, source, w, h, frame.pitch, w, op);
    return;
  }
  if (x + w < left || y + h < top || x >= right || y >= bottom) return;
  int32_t cw = x >= right - w ? right - x : w;
  int32_t ch = y >= bottom - h ? bottom - y : h;
  if (x < left) {
    source += left - x;
    cw -= left - x;
    x = left;
  }
  if (y < top) {
    source += static_cast<intptr_t>(top - y) * w;
    ch -= top - y;
    y = top;
  }
  if (ch <= 0 || cw <= 0) return;
  Rows(frame.pixels + static_cast<intptr_t>(y) * frame.pitch + x, source, cw, ch, frame.pitch, w, op);
}

uint16_t ShadeMask(int32_t shade, int32_t colourType) { return kShadeMasks[colourType == 0 ? 0 : 1][shade & 3]; }

}  // namespace

void CopyPixels(uint16_t* destination, const uint16_t* source, int32_t n) {
  if (n > 0) std::memcpy(destination, source, static_cast<size_t>(n) * sizeof(uint16_t));
}

void ShadePixels(uint16_t* destination, const uint16_t* source, int32_t n, int32_t shade, int32_t colourType) {
  if (n <= 0) return;
  const uint16_t mask = ShadeMask(shade, colourType);
  switch (shade) {
    case 1: Rows(destination, source, n, 1, 0, 0, ShadeBy<1>(mask)); break;
    case 2: Rows(destination, source, n, 1, 0, 0, ShadeBy<2>(mask)); break;
    case 3: Rows(destination, source, n, 1, 0, 0, ShadeBy<3>(mask)); break;
    default:
      for (int32_t i = 0; i < n; ++i) destination[i] = static_cast<uint16_t>((source[i] & mask) >> shade);
      break;
  }
}

void DrawGlyph(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index) {
  if (frame == nullptr || frame->pixels == nullptr || index < 0 || index >= glyphs.count) return;
  Blit(glyphs, *frame, pen, index, Copy());
}

void DrawGlyphShaded(const GlyphSet& glyphs, const FrameDescriptor* frame, Pen pen, int32_t index, int32_t shade) {
  if (frame == nullptr || frame->pixels == nullptr || index < 0 || index >= glyphs.count) return;
  const uint16_t mask = ShadeMask(shade, CurrentColourType);
  switch (shade) {
    case 1: Blit(glyphs, *frame, pen, index, ShadeBy<1>(mask)); break;
    case 2: Blit(glyphs, *frame, pen, index, ShadeBy<2>(mask)); break;
    case 3: Blit(glyphs, *frame, pen, index, ShadeBy<3>(mask)); break;
    default: break;  // only halves, quarters and eighths exist
  }
}
