// Sarvello's icon: reading its ASCII source art and building the 32 x 32, 16-colour icon file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace icon_art {

constexpr int kSize = 32;
constexpr int kTransparent = -1;  // PaletteIndex of the character that lets the desktop through
// Directory (6) + one entry (16) + BITMAPINFOHEADER (40) + palette (16 x 4) + 4-bit colour
// rows (32 x 16) + 1-bit mask rows (32 x 4).
constexpr size_t kDirectoryBytes = 6 + 16;
constexpr size_t kImageBytes = 40 + 16 * 4 + kSize * 16 + kSize * 4;
constexpr size_t kFileBytes = kDirectoryBytes + kImageBytes;

// The standard 16-colour Windows palette, as red, green, blue.
struct Rgb {
  uint8_t r, g, b;
};
extern const Rgb kPalette[16];

// Palette index of an art character, kTransparent for '~', or -2 for a character the art may not
// hold.
int PaletteIndex(char c);

// Reads the art text (see tools/icon_art/icon.txt): kSize rows of kSize characters, top row first.
// False, with the line in `error`, when it is not exactly that.
bool ParseArt(const std::string& text, std::vector<std::string>* rows, std::string* error);

// The icon file for well-formed rows: one 4-bit image with its AND mask, rows bottom first.
std::vector<unsigned char> BuildIconFile(const std::vector<std::string>& rows);

// ParseArt then BuildIconFile; empty (with `error` set) when the art is refused.
std::vector<unsigned char> IconFileFromArt(const std::string& text, std::string* error);

}  // namespace icon_art
