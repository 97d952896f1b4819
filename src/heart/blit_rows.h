// The blitters' parts, shared by DrawGlyph and DrawGlyphShaded and by frame composition, which
// inlines them so that a frame's thousands of glyphs pay for no call, no reload of the clip
// rectangle and no choice of mask each. Rows are moved in blocks; a row's last block is placed
// flush with the row's end, so it may overlap the block before it: the overlapping pixels get the
// same value twice, and nothing outside the row is ever written. Portable: no platform header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "blitters.h"

namespace blit {

// Pixels moved together: the widest store the build's processor has. Drawing is bound by the
// number of stores. A 32-bit build is the Pentium program, which keeps to the Pentium's
// instructions (no SIMD): its widest store is one 32-bit word, so its block is a pair of pixels and
// a 14-pixel row is seven stores (two overlapping 16-byte blocks would be eight). A 64-bit build
// has 16-byte stores: blocks of eight pixels, two for a 14-pixel row.
constexpr int32_t kBlock = sizeof(void*) == 4 ? 2 : 8;

// Masks that clear the low `shade` bits of every channel, so no bit crosses into its neighbour.
constexpr uint16_t kShadeMasks[2][4] = {{0x7FFF, 0x7BDE, 0x739C, 0x6318}, {0xFFFF, 0xF7DE, 0xE79C, 0xC718}};

inline uint16_t ShadeMask(int32_t shade, int32_t colourType) { return kShadeMasks[colourType == 0 ? 0 : 1][shade & 3]; }

// Copying: a block is one move of its bytes, which the compiler turns into the widest moves the
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

// `height` rows of N blocks each (N - 1 from the row's start, the last flush with its end),
// written out in full: a glyph row costs its loads and stores and no loop of its own.
template <int32_t N, class Op, size_t... B>
inline void RowsOfBlocks(uint16_t* destination, const uint16_t* source, int32_t width, int32_t height, int32_t pitch,
                         int32_t sourcePitch, Op op, std::index_sequence<B...>) {
  const int32_t last = width - kBlock;
  for (int32_t row = 0; row < height; ++row, destination += pitch, source += sourcePitch) {
    (op.Block(destination + static_cast<int32_t>(B) * kBlock, source + static_cast<int32_t>(B) * kBlock), ...);
    op.Block(destination + last, source + last);
  }
}

template <int32_t N, class Op>
inline void RowsOf(uint16_t* destination, const uint16_t* source, int32_t width, int32_t height, int32_t pitch,
                   int32_t sourcePitch, Op op) {
  RowsOfBlocks<N>(destination, source, width, height, pitch, sourcePitch, op, std::make_index_sequence<N - 1>());
}

// `height` rows of `width` pixels, the destination stepping by `pitch` and the source by
// `sourcePitch`. The row length decides the routine once: rows of 9 to 16 pixels (a glyph's, the
// built-in ones being 14 wide) as their blocks written out in full, longer rows in a loop of
// blocks, rows shorter than a block pixel by pixel.
template <class Op>
inline void Rows(uint16_t* destination, const uint16_t* source, int32_t width, int32_t height, int32_t pitch,
                 int32_t sourcePitch, Op op) {
  static_assert(kBlock == 2 || kBlock == 8, "a glyph row of 9 to 16 pixels is 5 to 8 pairs or 2 blocks of 8");
  if (width >= 9 && width <= 16) {
    if constexpr (kBlock == 8) {
      RowsOf<2>(destination, source, width, height, pitch, sourcePitch, op);
    } else {
      switch ((width + 1) / 2) {
        case 5: RowsOf<5>(destination, source, width, height, pitch, sourcePitch, op); break;
        case 6: RowsOf<6>(destination, source, width, height, pitch, sourcePitch, op); break;
        case 7: RowsOf<7>(destination, source, width, height, pitch, sourcePitch, op); break;
        default: RowsOf<8>(destination, source, width, height, pitch, sourcePitch, op); break;
      }
    }
  } else if (width >= kBlock) {
    const int32_t last = width - kBlock;
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

// ClipRect widened to signed 32-bit, as every comparison uses it.
struct Clip {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};
inline Clip CurrentClip() { return {ClipRect.left, ClipRect.top, ClipRect.right, ClipRect.bottom}; }

// Places the `w` x `h` glyph image `source` at `pen` in the frame of `pixels` and `pitch`, clips it
// to `clip` and hands its visible rows to `op`.
template <class Op>
inline void Blit(uint16_t* pixels, int32_t pitch, const Clip& clip, const uint16_t* source, int32_t w, int32_t h,
                 Pen pen, Op op) {
  int32_t x = pen.x;
  int32_t y = pen.y;
  if (y >= clip.top && x >= clip.left && y + h <= clip.bottom && x + w <= clip.right) {
    Rows(pixels + static_cast<intptr_t>(y) * pitch + x, source, w, h, pitch, w, op);
    return;
  }
  if (x + w < clip.left || y + h < clip.top || x >= clip.right || y >= clip.bottom) return;
  int32_t cw = x >= clip.right - w ? clip.right - x : w;
  int32_t ch = y >= clip.bottom - h ? clip.bottom - y : h;
  if (x < clip.left) {
    source += clip.left - x;
    cw -= clip.left - x;
    x = clip.left;
  }
  if (y < clip.top) {
    source += static_cast<intptr_t>(clip.top - y) * w;
    ch -= clip.top - y;
    y = clip.top;
  }
  if (ch <= 0 || cw <= 0) return;
  Rows(pixels + static_cast<intptr_t>(y) * pitch + x, source, cw, ch, pitch, w, op);
}

}  // namespace blit
