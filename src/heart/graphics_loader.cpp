// GraphicsLoader: header checks, bottom-up 24-bit frame reading and the 16-bit conversions.
#include "graphics_loader.h"

#include <cstring>
#include <new>

#include "fixed_string.h"
#include "log_message.h"

namespace {

constexpr int32_t kVersion = 2;

// Truncating conversions of one blue-green-red pixel.
uint16_t Convert555(const unsigned char* bgr) {
  return static_cast<uint16_t>((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | (bgr[0] >> 3));
}
uint16_t Convert565(const unsigned char* bgr) {
  return static_cast<uint16_t>((bgr[2] >> 3) << 11 | (bgr[1] >> 2) << 5 | (bgr[0] >> 3));
}

uint32_t ReadU16(const unsigned char* p) { return static_cast<uint32_t>(p[0] | (p[1] << 8)); }

const char kTag[] = "[GraphicsLoader::LoadAnimation] ";

void Refuse(const FixedString& line) { LogMessage(line.TextOrNull(), LOG_ERROR); }

// Sizes past 2^31 are written as that bound; no resource of the program comes near it.
int32_t Printable(uint32_t value) { return value > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(value); }

}  // namespace

GraphicsLoader::GraphicsLoader() : workBuffer(new (std::nothrow) uint16_t[kWorkPixels]) {}

std::unique_ptr<GlyphSet> GraphicsLoader::LoadAnimation(const unsigned char* bytes, uint32_t size) {
  if (bytes == nullptr || size < kHeaderSize) {
    Refuse(FixedString(kTag) + "File too short for its header, size " + Printable(bytes == nullptr ? 0 : size));
    return nullptr;
  }
  const uint32_t version = bytes[4];
  if (version != kVersion) {
    Refuse(FixedString(kTag) + "Wrong file format version, found " + static_cast<int32_t>(version));
    return nullptr;
  }
  const int32_t count = bytes[5];
  const int32_t width = static_cast<int32_t>(ReadU16(bytes + 6));
  const int32_t height = static_cast<int32_t>(ReadU16(bytes + 8));
  const bool hasMask = bytes[10] != 0;
  // The file is trusted no further than its size: the tables hold 100 frames of 480,000 pixels.
  if (count > GlyphSet::kMaxFrames) {
    Refuse(FixedString(kTag) + "Too many frames, found " + count);
    return nullptr;
  }
  const int64_t pixels = static_cast<int64_t>(width) * height;
  if (pixels > kWorkPixels) {
    Refuse(FixedString(kTag) + "Frame too large, found " + width + "x" + height);
    return nullptr;
  }
  const int64_t frameBytes = pixels * (hasMask ? 4 : 3);
  if (static_cast<int64_t>(kHeaderSize) + frameBytes * count > static_cast<int64_t>(size)) {
    Refuse(FixedString(kTag) + "File shorter than its header promises, size " + Printable(size));
    return nullptr;
  }
  if (!workBuffer) {
    Refuse(FixedString(kTag) + "No work buffer");
    return nullptr;
  }

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  std::unique_ptr<unsigned char[]> row(new (std::nothrow) unsigned char[rowBytes + 3]());
  std::unique_ptr<GlyphSet> set(new (std::nothrow) GlyphSet);
  if (!row || !set) {
    Refuse(FixedString(kTag) + "Out of memory");
    return nullptr;
  }
  set->width = width;
  set->height = height;
  set->count = count;

  const auto convert = colourType == 0 ? Convert555 : Convert565;
  const unsigned char* next = bytes + kHeaderSize;
  for (int32_t f = 0; f < count; ++f) {
    // The file stores the bottom row first.
    for (int32_t y = height - 1; y >= 0; --y) {
      std::memcpy(row.get(), next, rowBytes);
      next += rowBytes;
      uint16_t* out = workBuffer.get() + static_cast<size_t>(y) * static_cast<size_t>(width);
      for (int32_t x = 0; x < width; ++x) out[x] = convert(row.get() + x * 3);
    }
    std::unique_ptr<uint16_t[]> frame(new (std::nothrow) uint16_t[static_cast<size_t>(pixels)]);
    if (!frame) {
      Refuse(FixedString(kTag) + "Out of memory at frame " + f);
      return nullptr;
    }
    std::memcpy(frame.get(), workBuffer.get(), static_cast<size_t>(pixels) * sizeof(uint16_t));
    set->frames[f] = std::move(frame);
    if (hasMask) next += pixels;
  }
  return set;
}
