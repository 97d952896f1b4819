// Sarvello's icon: the committed icon file is exactly what the icon art makes, in the 32 x 32,
// 16-colour form that the resource compiler and every Windows since 95 read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/tool_files.h"
#include "icon_art/icon_file.h"

namespace {

std::string ReadSource(const char* relative) {
  std::string text;
  EXPECT_TRUE(tool_files::ReadFile(std::string(SARVELLO_SOURCE_DIR) + "/" + relative, &text)) << relative;
  return text;
}
std::vector<unsigned char> Committed() {
  const std::string text = ReadSource("resources/sarvello.ico");
  return {text.begin(), text.end()};
}
std::string Art() { return ReadSource("tools/icon_art/icon.txt"); }

uint32_t Read(const std::vector<unsigned char>& file, size_t offset, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | file[offset + static_cast<size_t>(i)];
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
      {"reserved", 0, 2, 0},        {"type: icon", 2, 2, 1},          {"image count", 4, 2, 1},
      {"entry width", 6, 1, 32},    {"entry height", 7, 1, 32},       {"entry colours", 8, 1, 16},
      {"entry reserved", 9, 1, 0},  {"entry planes", 10, 2, 1},       {"entry bits", 12, 2, 4},
      {"image bytes", 14, 4, 744},  {"image offset", 18, 4, 22},      {"header size", 22, 4, 40},
      {"bitmap width", 26, 4, 32},  {"bitmap height: colour and mask", 30, 4, 64},
      {"bitmap planes", 34, 2, 1},  {"bitmap bits", 36, 2, 4},        {"compression: none", 38, 4, 0},
      {"bitmap bytes", 42, 4, 640}, {"colours used: all 16", 54, 4, 0},
  };
  for (const auto& f : kFields) EXPECT_EQ(Read(file, f.offset, f.bytes), f.value) << f.field;
}

TEST(IconArtwork, PaletteIsTheStandardSixteenColours) {
  // Blue, green, red, zero: the order the bitmap header's palette is stored in.
  const uint32_t kStandard[16] = {
      0x00000000, 0x00000080, 0x00008000, 0x00008080, 0x00800000, 0x00800080, 0x00808000, 0x00C0C0C0,
      0x00808080, 0x000000FF, 0x0000FF00, 0x0000FFFF, 0x00FF0000, 0x00FF00FF, 0x00FFFF00, 0x00FFFFFF,
  };
  const std::vector<unsigned char> file = Committed();
  for (size_t i = 0; i < 16; ++i) {
    const uint32_t bgr0 = Read(file, kPalette + i * 4, 1) << 24 | Read(file, kPalette + i * 4 + 1, 1) << 16 |
                          Read(file, kPalette + i * 4 + 2, 1) << 8 | Read(file, kPalette + i * 4 + 3, 1);
    EXPECT_EQ(bgr0 >> 8, kStandard[i]) << "palette entry " << i;
    EXPECT_EQ(bgr0 & 0xff, 0u) << "palette entry " << i;
  }
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
      const unsigned byte = file[kColours + fileRow * 16 + x / 2];
      const unsigned colour = x % 2 == 0 ? byte >> 4 : byte & 15u;
      const bool masked = (file[kMask + fileRow * 4 + x / 8] >> (7 - x % 8) & 1u) != 0;
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

TEST(IconArtwork, DamagedArtIsRefused) {
  const std::string art = Art();
  const size_t firstRow = art.find("\n~~") + 1;
  const size_t rowEnd = art.find('\n', firstRow);
  std::string shortRow = art;
  shortRow.erase(firstRow, 1);
  std::string unknown = art;
  unknown[firstRow + 5] = 'R';
  const struct {
    const char* damage;
    std::string text;
    const char* says;
  } kCases[] = {
      {"a short row", shortRow, "characters wide"},
      {"an unknown character", unknown, "unknown art character 'R'"},
      {"a missing row", art.substr(0, firstRow) + art.substr(rowEnd + 1), "holds 31 rows"},
      {"a row too many", art + art.substr(firstRow, rowEnd + 1 - firstRow), "more than 32 rows"},
  };
  for (const auto& c : kCases) {
    std::string error;
    EXPECT_TRUE(icon_art::IconFileFromArt(c.text, &error).empty()) << c.damage;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.damage << ": " << error;
  }
}

}  // namespace
