// Animated PNG output for the host renderers: a run of frames of one size, each shown for the same
// time, looping for ever. The rain has few colours, so the frames share one palette, and each frame
// after the first holds only the pixels that changed (palette entry 0, transparent, keeps the rest):
// seconds of full-size rain stay a few megabytes.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class AnimatedPng {
 public:
  // Frames of `width` x `height` pixels, each shown for `delayMs` milliseconds (1 to 65535).
  AnimatedPng(int width, int height, unsigned delayMs);

  // Adds the next frame: width x height pixels of 8-bit red, green and blue, rows top first. False
  // with `error` set (and nothing added) when the frames would hold more colours than the 255 a
  // palette beside the transparent entry can give.
  bool AddFrame(const std::vector<unsigned char>& rgb, std::string* error);

  // The PNG file of every frame added so far; empty when none was.
  std::vector<unsigned char> Encode() const;

  size_t FrameCount() const { return frames_.size(); }
  size_t ColourCount() const { return palette_.size() - 1; }

 private:
  int width_;
  int height_;
  unsigned delayMs_;
  std::vector<std::array<unsigned char, 3>> palette_;  // entry 0: "as the frame before", transparent
  std::map<uint32_t, uint8_t> entries_;                // 0xRRGGBB to its palette entry
  std::vector<uint8_t> shown_;                         // the palette entries of the last frame added
  std::vector<std::vector<unsigned char>> frames_;     // each frame's compressed image data
};
