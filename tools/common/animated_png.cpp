// AnimatedPng: the frames as palette images compressed with zlib, laid out in the chunks of an
// animated PNG (acTL, then fcTL and IDAT for the first frame, fcTL and fdAT for each later one).
// The first frame is also the PNG's still image, so a viewer without animation shows it.
#include "common/animated_png.h"

#include <zlib.h>

namespace {

void PutU32(std::vector<unsigned char>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<unsigned char>(v >> shift));
}

void PutU16(std::vector<unsigned char>* out, uint32_t v) {
  out->push_back(static_cast<unsigned char>(v >> 8));
  out->push_back(static_cast<unsigned char>(v));
}

// One chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<unsigned char>* out, const char* type, const std::vector<unsigned char>& data) {
  PutU32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  const uLong crc = crc32(0, out->data() + start, static_cast<uInt>(out->size() - start));
  PutU32(out, static_cast<uint32_t>(crc));
}

}  // namespace

AnimatedPng::AnimatedPng(int width, int height, unsigned delayMs)
    : width_(width), height_(height), delayMs_(delayMs), palette_{{0, 0, 0}} {}

bool AnimatedPng::AddFrame(const std::vector<unsigned char>& rgb, std::string* error) {
  const size_t pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  if (rgb.size() != pixels * 3) {
    *error = "a frame of " + std::to_string(rgb.size()) + " bytes, not " + std::to_string(width_) + " x " +
             std::to_string(height_) + " x 3";
    return false;
  }
  // Every pixel's palette entry; colours seen for the first time join the palette only once the
  // whole frame is known to fit.
  std::vector<uint8_t> frame(pixels);
  std::map<uint32_t, uint8_t> added;
  size_t next = palette_.size();
  uint32_t lastColour = 0xFFFFFFFFu;
  uint8_t lastEntry = 0;
  for (size_t p = 0; p < pixels; ++p) {
    const uint32_t colour = uint32_t{rgb[p * 3]} << 16 | uint32_t{rgb[p * 3 + 1]} << 8 | rgb[p * 3 + 2];
    if (colour != lastColour) {
      if (const auto known = entries_.find(colour); known != entries_.end()) {
        lastEntry = known->second;
      } else if (const auto fresh = added.find(colour); fresh != added.end()) {
        lastEntry = fresh->second;
      } else if (next == 256) {
        *error = "the frames hold more than 255 colours, more than one palette can give";
        return false;
      } else {
        lastEntry = static_cast<uint8_t>(next++);
        added.emplace(colour, lastEntry);
      }
      lastColour = colour;
    }
    frame[p] = lastEntry;
  }
  palette_.resize(next);
  for (const auto& [colour, entry] : added) {
    palette_[entry] = {static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 8),
                       static_cast<unsigned char>(colour)};
    entries_.emplace(colour, entry);
  }

  // Rows with filter type 0 (none): entry 0 for a pixel as it was, so the unchanged part of a
  // frame is long runs of zeros, which is what compresses best.
  const bool first = frames_.empty();
  std::vector<unsigned char> rows;
  rows.reserve(pixels + static_cast<size_t>(height_));
  for (size_t y = 0; y < static_cast<size_t>(height_); ++y) {
    rows.push_back(0);
    for (size_t x = 0; x < static_cast<size_t>(width_); ++x) {
      const size_t p = y * static_cast<size_t>(width_) + x;
      rows.push_back(first || frame[p] != shown_[p] ? frame[p] : 0);
    }
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<unsigned char> packed(size);
  if (compress2(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size()), Z_BEST_COMPRESSION) != Z_OK) {
    *error = "zlib could not compress a frame";
    return false;
  }
  packed.resize(size);
  frames_.push_back(std::move(packed));
  shown_ = std::move(frame);
  return true;
}

std::vector<unsigned char> AnimatedPng::Encode() const {
  std::vector<unsigned char> out;
  if (frames_.empty()) return out;
  const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.assign(signature, signature + 8);

  std::vector<unsigned char> data;
  PutU32(&data, static_cast<uint32_t>(width_));
  PutU32(&data, static_cast<uint32_t>(height_));
  data.insert(data.end(), {8, 3, 0, 0, 0});  // 8-bit palette entries; deflate, filters, no interlace
  PutChunk(&out, "IHDR", data);

  data.clear();
  PutU32(&data, static_cast<uint32_t>(frames_.size()));
  PutU32(&data, 0);  // plays: for ever
  PutChunk(&out, "acTL", data);

  data.clear();
  for (const auto& colour : palette_) data.insert(data.end(), colour.begin(), colour.end());
  PutChunk(&out, "PLTE", data);
  PutChunk(&out, "tRNS", {0});  // entry 0 transparent, every other one opaque

  uint32_t sequence = 0;
  for (size_t f = 0; f < frames_.size(); ++f) {
    data.clear();
    PutU32(&data, sequence++);
    PutU32(&data, static_cast<uint32_t>(width_));
    PutU32(&data, static_cast<uint32_t>(height_));
    PutU32(&data, 0);  // x offset
    PutU32(&data, 0);  // y offset
    PutU16(&data, delayMs_);
    PutU16(&data, 1000);  // the delay in milliseconds
    data.push_back(0);    // dispose: none, the next frame is drawn over this one
    // Blend: the first frame replaces the empty canvas; each later one is laid over the last, so
    // its transparent pixels keep what was shown.
    data.push_back(f == 0 ? 0 : 1);
    PutChunk(&out, "fcTL", data);
    if (f == 0) {
      PutChunk(&out, "IDAT", frames_[f]);
    } else {
      data.clear();
      PutU32(&data, sequence++);
      data.insert(data.end(), frames_[f].begin(), frames_[f].end());
      PutChunk(&out, "fdAT", data);
    }
  }
  PutChunk(&out, "IEND", {});
  return out;
}
