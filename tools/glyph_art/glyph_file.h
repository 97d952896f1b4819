// Sarvello's glyph artwork: reading the ASCII source art and building the glyph animation file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glyph_art {

constexpr int kWidth = 14;
constexpr int kHeight = 15;
constexpr int kShapes = 27;
constexpr int kFrames = 2 * kShapes + 1;  // bright shapes, their dim forms, one black glyph
constexpr size_t kHeaderBytes = 12;
constexpr size_t kFrameBytes = static_cast<size_t>(kWidth) * kHeight * 3;
constexpr size_t kFileBytes = kHeaderBytes + kFrameBytes * kFrames;

// One shape: kHeight rows of kWidth art characters, top row first.
using Shape = std::vector<std::string>;

struct Rgb {
  uint8_t r, g, b;
};

// True for the characters a shape may hold: '#', '+', '-' and '.'.
bool IsArtCharacter(char c);
// Colour of an art character in a bright glyph and in its dim form.
Rgb BrightColour(char c);
Rgb DimColour(char c);

// Reads the art text (see tools/glyph_art/glyphs.txt). On success fills `shapes` with exactly
// kShapes shapes and returns true; otherwise returns false and says why, with the line, in `error`.
bool ParseArt(const std::string& text, std::vector<Shape>* shapes, std::string* error);

// The animation file for kShapes well-formed shapes: header, then each frame bottom row first,
// blue-green-red pixels.
std::vector<unsigned char> BuildGlyphFile(const std::vector<Shape>& shapes);

// ParseArt then BuildGlyphFile; empty (with `error` set) when the art is refused.
std::vector<unsigned char> GlyphFileFromArt(const std::string& text, std::string* error);

}  // namespace glyph_art
