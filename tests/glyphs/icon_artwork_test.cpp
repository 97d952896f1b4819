// Sarvello's icon: the committed icon file is exactly what the icon art makes, in the 32 x 32,
// 16-colour form that the resource compiler and every Windows since 95 read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/tool_files.h"
#include "source_files.h"
#include "icon_art/icon_file.h"

namespace {

std::vector<unsigned char> Committed() { return ReadSourceBytes("resources/sarvello.ico"); }
std::string Art() { return ReadSource("tools/icon_art/icon.txt"); }

uint32_t Read(const std::vector<unsigned char>& file, size_t offset, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | file.at(offset + static_cast<size_t>(i));
  return value;
}

constexpr size_t kPalette = 22 + 40;
constexpr size_t kColours = kPalette + 16 * 4;
constexpr size_t kMask = kColours + 32 * 16;

TEST(IconArtwork, CommittedIconIsWhatTheArtMakes) {
  std::string error;
  const std::vector<unsigned char> made = icon_art::IconFileFromArt(Art(), &error);
  ASSERT_FALSE(made.empty()) << error;
  EXPECT_EQ(made, Committed()) << "run the `artwork` target and commit the result";
}

TEST(IconArtwork, HeadersDescribeOne32By32SixteenColourImage) {
  const std::vector<unsigned char> file = Committed();
  ASSERT_EQ(file.size(), 766u);
  const struct {
    const char* field;
    size_t offset;
    int bytes;
    uint32_t value;
  } kFields[] = {
      // clang-format off
      {"reserved", 0, 2, 0}, {"type: icon", 2, 2, 1}, {"image count", 4, 2, 1},
      {"entry width", 6, 1, 32}, {"entry height", 7, 1, 32}, {"entry colours", 8, 1, 16},
      {"entry reserved", 9, 1, 0}, {"entry planes", 10, 2, 1}, {"entry bits", 12, 2, 4},
      {"image bytes", 14, 4, 744}, {"image offset", 18, 4, 22}, {"header size", 22, 4, 40},
      {"bitmap width", 26, 4, 32}, {"bitmap height: colour and mask", 30, 4, 64},
      {"bitmap planes", 34, 2, 1}, {"bitmap bits", 36, 2, 4}, {"compression: none", 38, 4, 0},
      {"bitmap bytes", 42, 4, 640}, {"colours used: all 16", 54, 4, 0},
  };  // clang-format on
  for (const auto& f : kFields) EXPECT_EQ(Read(file, f.offset, f.bytes), f.value) << f.field;
}

TEST(IconArtwork, PaletteIsTheStandardSixteenColours) {
  // Each entry is stored blue, green, red, zero, so read as a little-endian number it is
  // 0x00RRGGBB.
  const uint32_t kStandard[16] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
  };
  const std::vector<unsigned char> file = Committed();
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(Read(file, kPalette + i * 4, 4), kStandard[i]) << "palette entry " << i;
}

TEST(IconArtwork, PixelsAndMaskFollowTheArtBottomRowFirst) {
  std::vector<std::string> rows;
  std::string error;
  ASSERT_TRUE(icon_art::ParseArt(Art(), &rows, &error)) << error;
  const std::vector<unsigned char> file = Committed();
  int transparent = 0;
  for (size_t y = 0; y < 32; ++y) {
    for (size_t x = 0; x < 32; ++x) {
      const size_t fileRow = 31 - y;
      const unsigned byte = file.at(kColours + fileRow * 16 + x / 2);
      const unsigned colour = x % 2 == 0 ? byte >> 4 : byte & 15u;
      const bool masked = (file.at(kMask + fileRow * 4 + x / 8) >> (7 - x % 8) & 1u) != 0;
      const int wanted = icon_art::PaletteIndex(rows[y][x]);
      transparent += masked;
      if (wanted == icon_art::kTransparent) {
        EXPECT_TRUE(masked && colour == 0) << x << "," << y;
      } else {
        EXPECT_TRUE(!masked && colour == static_cast<unsigned>(wanted)) << x << "," << y;
      }
    }
  }
  // The corners are rounded off and the picture is not its own mirror image, so a wrong row or
  // bit order cannot pass unnoticed.
  EXPECT_GT(transparent, 0);
  EXPECT_NE(rows, std::vector<std::string>(rows.rbegin(), rows.rend()));
  std::vector<std::string> mirrored = rows;
  for (std::string& row : mirrored) std::reverse(row.begin(), row.end());
  EXPECT_NE(rows, mirrored);
}

}  // namespace
