// The hash by which golden frames are compared: FNV-1a, 64 bits, over the pixels' bytes, low byte
// first.
#pragma once

#include <cstdint>
#include <vector>

inline uint64_t Fnv1a(const std::vector<uint16_t>& pixels) {
  uint64_t hash = 0xCBF29CE484222325u;
  for (uint16_t p : pixels) {
    for (uint8_t byte : {static_cast<uint8_t>(p & 0xFF), static_cast<uint8_t>(p >> 8)}) {
      hash ^= byte;
      hash *= 0x100000001B3u;
    }
  }
  return hash;
}
