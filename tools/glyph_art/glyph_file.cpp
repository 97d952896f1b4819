// Sarvello's glyph artwork: the art reader, the colour rules and the animation file layout.
#include "glyph_art/glyph_file.h"

#include <sstream>

namespace glyph_art {

namespace {

constexpr unsigned char kVersion = 2;

// The dim form keeps 60 % of the green (rounded) and about an eighth of the red and blue, so a
// white core becomes a faintly pale green and never anything near white.
uint8_t DimGreen(uint8_t g) { return static_cast<uint8_t>((g * 3 + 2) / 5); }
uint8_t DimRedBlue(uint8_t v) { return static_cast<uint8_t>((v * 30 + 127) / 255); }

std::string Fail(int line, const std::string& why) { return "line " + std::to_string(line) + ": " + why; }

// The art's lines with comments and blank lines dropped, each with its 1-based line number.
struct ArtLine {
  int number;
  std::string text;
};
std::vector<ArtLine> MeaningfulLines(const std::string& text) {
  std::vector<ArtLine> lines;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    lines.push_back({number, line});
  }
  return lines;
}

void PutPixel(std::vector<unsigned char>* out, Rgb c) {
  out->push_back(c.b);
  out->push_back(c.g);
  out->push_back(c.r);
}

void PutFrame(std::vector<unsigned char>* out, const Shape& shape, Rgb (*colour)(char)) {
  // The file stores the bottom row first.
  for (size_t y = kHeight; y-- > 0;)
    for (size_t x = 0; x < kWidth; ++x) PutPixel(out, colour(shape[y][x]));
}

}  // namespace

bool IsArtCharacter(char c) { return c == '#' || c == '+' || c == '-' || c == '.'; }

Rgb BrightColour(char c) {
  switch (c) {
    case '#': return {255, 255, 255};
    case '+': return {40, 255, 40};
    case '-': return {10, 112, 10};
    default: return {0, 0, 0};
  }
}

Rgb DimColour(char c) {
  const Rgb bright = BrightColour(c);
  return {DimRedBlue(bright.r), DimGreen(bright.g), DimRedBlue(bright.b)};
}

bool ParseArt(const std::string& text, std::vector<Shape>* shapes, std::string* error) {
  const std::vector<ArtLine> lines = MeaningfulLines(text);
  std::vector<Shape> found;
  size_t next = 0;
  while (next < lines.size()) {
    const ArtLine& head = lines[next++];
    const std::string expected = "glyph " + std::to_string(found.size());
    const bool named = head.text.size() > expected.size() && head.text[expected.size()] == ' ';
    if (head.text.compare(0, expected.size(), expected) != 0 || (head.text != expected && !named)) {
      *error = Fail(head.number, "expected \"" + expected + " <name>\"");
      return false;
    }
    if (found.size() == static_cast<size_t>(kShapes)) {
      *error = Fail(head.number, "more than " + std::to_string(kShapes) + " shapes");
      return false;
    }
    Shape shape;
    for (int row = 0; row < kHeight; ++row) {
      if (next >= lines.size()) {
        *error = Fail(head.number, "shape has fewer than " + std::to_string(kHeight) + " rows");
        return false;
      }
      const ArtLine& line = lines[next++];
      if (line.text.size() != static_cast<size_t>(kWidth)) {
        *error = Fail(line.number, "row is not " + std::to_string(kWidth) + " characters wide");
        return false;
      }
      for (char c : line.text) {
        if (!IsArtCharacter(c)) {
          *error = Fail(line.number, std::string("unknown art character '") + c + "'");
          return false;
        }
      }
      shape.push_back(line.text);
    }
    found.push_back(shape);
  }
  if (found.size() != static_cast<size_t>(kShapes)) {
    *error = "the art holds " + std::to_string(found.size()) + " shapes, not " + std::to_string(kShapes);
    return false;
  }
  *shapes = found;
  return true;
}

std::vector<unsigned char> BuildGlyphFile(const std::vector<Shape>& shapes) {
  std::vector<unsigned char> out = {'Q',
                                    'O',
                                    'L',
                                    'B',
                                    kVersion,
                                    static_cast<unsigned char>(kFrames),
                                    kWidth & 0xff,
                                    kWidth >> 8,
                                    kHeight & 0xff,
                                    kHeight >> 8,
                                    0 /* no mask */,
                                    0 /* reserved */};
  out.reserve(kFileBytes);
  for (const Shape& shape : shapes) PutFrame(&out, shape, BrightColour);
  for (const Shape& shape : shapes) PutFrame(&out, shape, DimColour);
  out.resize(kFileBytes, 0);  // the black glyph
  return out;
}

std::vector<unsigned char> GlyphFileFromArt(const std::string& text, std::string* error) {
  std::vector<Shape> shapes;
  if (!ParseArt(text, &shapes, error)) return {};
  return BuildGlyphFile(shapes);
}

}  // namespace glyph_art
