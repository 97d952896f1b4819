// Sarvello's icon: the art reader and the icon file layout (directory, BITMAPINFOHEADER, palette,
// colour rows, mask rows).
#include "icon_art/icon_file.h"

#include <sstream>

namespace icon_art {

const Rgb kPalette[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

namespace {

constexpr int kNotArt = -2;
constexpr size_t kColourRowBytes = kSize / 2;
constexpr size_t kMaskRowBytes = kSize / 8;  // already a multiple of 4, so no row padding

void PutU16(std::vector<unsigned char>* out, uint32_t v) {
  out->push_back(static_cast<unsigned char>(v & 0xff));
  out->push_back(static_cast<unsigned char>(v >> 8 & 0xff));
}
void PutU32(std::vector<unsigned char>* out, uint32_t v) {
  PutU16(out, v & 0xffff);
  PutU16(out, v >> 16);
}

}  // namespace

int PaletteIndex(char c) {
  switch (c) {
    case '.': return 0;
    case 'd': return 8;
    case 'g': return 2;
    case 'G': return 10;
    case 'W': return 15;
    case '~': return kTransparent;
    default: return kNotArt;
  }
}

bool ParseArt(const std::string& text, std::vector<std::string>* rows, std::string* error) {
  std::istringstream in(text);
  std::string line;
  std::vector<std::string> found;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    if (found.size() == static_cast<size_t>(kSize)) {
      *error = where + "more than " + std::to_string(kSize) + " rows";
      return false;
    }
    if (line.size() != static_cast<size_t>(kSize)) {
      *error = where + "row is not " + std::to_string(kSize) + " characters wide";
      return false;
    }
    for (char c : line) {
      if (PaletteIndex(c) == kNotArt) {
        *error = where + "unknown art character '" + c + "'";
        return false;
      }
    }
    found.push_back(line);
  }
  if (found.size() != static_cast<size_t>(kSize)) {
    *error = "the art holds " + std::to_string(found.size()) + " rows, not " + std::to_string(kSize);
    return false;
  }
  *rows = found;
  return true;
}

std::vector<unsigned char> BuildIconFile(const std::vector<std::string>& rows) {
  std::vector<unsigned char> out;
  out.reserve(kFileBytes);
  // The directory: one 32 x 32 image of 16 colours.
  PutU16(&out, 0);
  PutU16(&out, 1);  // an icon, not a cursor
  PutU16(&out, 1);
  out.insert(out.end(), {kSize, kSize, 16, 0});
  PutU16(&out, 1);  // planes
  PutU16(&out, 4);  // bits per pixel
  PutU32(&out, kImageBytes);
  PutU32(&out, kDirectoryBytes);
  // BITMAPINFOHEADER; the height counts the colour rows and the mask rows together.
  PutU32(&out, 40);
  PutU32(&out, kSize);
  PutU32(&out, kSize * 2);
  PutU16(&out, 1);
  PutU16(&out, 4);
  PutU32(&out, 0);  // BI_RGB
  PutU32(&out, kSize * (kColourRowBytes + kMaskRowBytes));
  for (int i = 0; i < 4; ++i) PutU32(&out, 0);  // resolution, colours used (all), important
  for (const Rgb& c : kPalette) out.insert(out.end(), {c.b, c.g, c.r, 0});
  // Colour rows, bottom row first, two pixels a byte with the left one in the high half.
  for (size_t y = kSize; y-- > 0;) {
    for (size_t x = 0; x < kSize; x += 2) {
      const int left = PaletteIndex(rows[y][x]);
      const int right = PaletteIndex(rows[y][x + 1]);
      out.push_back(static_cast<unsigned char>((left < 0 ? 0 : left) << 4 | (right < 0 ? 0 : right)));
    }
  }
  // Mask rows, bottom row first, the leftmost pixel in the top bit; 1 lets the desktop through.
  for (size_t y = kSize; y-- > 0;) {
    for (size_t x = 0; x < kSize; x += 8) {
      unsigned bits = 0;
      for (size_t i = 0; i < 8; ++i)
        if (PaletteIndex(rows[y][x + i]) == kTransparent) bits |= 0x80u >> i;
      out.push_back(static_cast<unsigned char>(bits));
    }
  }
  return out;
}

std::vector<unsigned char> IconFileFromArt(const std::string& text, std::string* error) {
  std::vector<std::string> rows;
  if (!ParseArt(text, &rows, error)) return {};
  return BuildIconFile(rows);
}

}  // namespace icon_art
