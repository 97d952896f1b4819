// GraphicsLoader: the built-in glyphs, both pixel conversions, the file's row order and masks,
// and the refusal of files that are wrong or promise more than they hold.
#include "heart/graphics_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "diag/debug_log.h"
#include "platform/win32.h"
#include "support/program_glyphs.h"
#include "winsim/control.h"

namespace {

struct Pixel {
  unsigned char blue, green, red;
};

// An animation file in the program's format; `pixels(frame, x, y)` gives the image's pixel, y = 0
// the top row.
template <typename PixelOf>
std::vector<unsigned char> MakeFile(int count, int width, int height, bool mask, PixelOf pixels,
                                    unsigned char version = 2) {
  std::vector<unsigned char> file = {'Q',
                                     'O',
                                     'L',
                                     'B',
                                     version,
                                     static_cast<unsigned char>(count),
                                     static_cast<unsigned char>(width & 0xFF),
                                     static_cast<unsigned char>(width >> 8),
                                     static_cast<unsigned char>(height & 0xFF),
                                     static_cast<unsigned char>(height >> 8),
                                     static_cast<unsigned char>(mask ? 1 : 0),
                                     0};
  for (int f = 0; f < count; ++f) {
    for (int y = height - 1; y >= 0; --y) {
      for (int x = 0; x < width; ++x) {
        const Pixel p = pixels(f, x, y);
        file.insert(file.end(), {p.blue, p.green, p.red});
      }
    }
    if (mask) file.insert(file.end(), static_cast<size_t>(width * height), 0xA5);
  }
  return file;
}

class GraphicsLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winsim::Reset();
    InitErrorMsg(false);
  }
  void TearDown() override { StopErrorMsg(); }

  std::unique_ptr<GlyphSet> Load(const std::vector<unsigned char>& file, int32_t colourType) {
    loader_.colourType = colourType;
    return loader_.LoadAnimation(file.data(), static_cast<uint32_t>(file.size()));
  }
  static std::string Kept() {
    const char* t = ErrorMsgText.TextOrNull();
    return t ? t : "";
  }

  GraphicsLoader loader_;
};

TEST_F(GraphicsLoaderTest, BuiltInFileGives55GlyphsInEitherFormat) {
  const auto file = ProgramGlyphFile();
  ASSERT_EQ(file.size(), 34662u);
  auto set555 = Load(file, 0);
  auto set565 = Load(file, 1);
  for (const auto* set : {set555.get(), set565.get()}) {
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->width, 14);
    EXPECT_EQ(set->height, 15);
    EXPECT_EQ(set->count, 55);
    for (int i = 0; i < 55; ++i) EXPECT_NE(set->frames[i], nullptr) << i;
    for (int i = 55; i < GlyphSet::kMaxFrames; ++i) EXPECT_EQ(set->frames[i], nullptr) << i;
    for (int p = 0; p < 14 * 15; ++p) ASSERT_EQ(set->frames[GLYPH_BLANK][p], 0) << "blank glyph pixel " << p;
  }
  bool differs = false;
  for (int p = 0; p < 14 * 15; ++p) differs |= set555->frames[0][p] != set565->frames[0][p];
  EXPECT_TRUE(differs) << "the two formats must give different pixels for glyph 0";
  EXPECT_EQ(ErrorMsgLevel, LOG_INFO) << "nothing logged but the start";
}

TEST_F(GraphicsLoaderTest, ConvertsByTruncation) {
  struct Row {
    Pixel in;
    uint16_t as555;
    uint16_t as565;
  } rows[] = {
      {{255, 255, 255}, 0x7FFF, 0xFFFF},
      {{0, 0, 0}, 0x0000, 0x0000},
      {{7, 3, 7}, 0x0000, 0x0000},    // every channel below the kept bits
      {{0, 0, 255}, 0x7C00, 0xF800},  // red
      {{0, 255, 0}, 0x03E0, 0x07E0},  // green
      {{255, 0, 0}, 0x001F, 0x001F},  // blue
      {{8, 4, 8}, 0x0401, 0x0821},    // the lowest kept bit of each channel (green 4: 5x6x5 only)
      {{0x12, 0x34, 0x56},
       (0x56 >> 3) << 10 | (0x34 >> 3) << 5 | (0x12 >> 3),
       (0x56 >> 3) << 11 | (0x34 >> 2) << 5 | (0x12 >> 3)},
  };
  for (const Row& row : rows) {
    const auto file = MakeFile(1, 1, 1, false, [&](int, int, int) { return row.in; });
    auto set555 = Load(file, 0);
    auto set565 = Load(file, 1);
    auto set565b = Load(file, -3);  // any colour type but 0 means 5x6x5
    ASSERT_TRUE(set555 && set565 && set565b);
    const std::string name = "pixel b" + std::to_string(row.in.blue) + " g" + std::to_string(row.in.green) + " r" +
                             std::to_string(row.in.red);
    EXPECT_EQ(set555->frames[0][0], row.as555) << name;
    EXPECT_EQ(set565->frames[0][0], row.as565) << name;
    EXPECT_EQ(set565b->frames[0][0], row.as565) << name;
  }
}

TEST_F(GraphicsLoaderTest, FileRowsAreBottomFirstAndMasksAreSkipped) {
  // Every pixel carries its frame, column and row in its channels.
  auto tagged = [](int f, int x, int y) {
    return Pixel{static_cast<unsigned char>(x * 8), static_cast<unsigned char>(y * 8),
                 static_cast<unsigned char>(f * 8)};
  };
  for (bool mask : {false, true}) {
    const auto file = MakeFile(3, 3, 4, mask, tagged);
    auto set = Load(file, 0);
    ASSERT_NE(set, nullptr) << "mask " << mask;
    for (int f = 0; f < 3; ++f) {
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
          const uint16_t expected = static_cast<uint16_t>(f << 10 | y << 5 | x);
          EXPECT_EQ(set->frames[f][y * 3 + x], expected)
              << "mask " << mask << " frame " << f << " x " << x << " y " << y;
        }
      }
    }
  }
}

TEST_F(GraphicsLoaderTest, MagicIsNotExaminedAndZeroFramesGiveAnEmptySet) {
  auto file = MakeFile(2, 2, 2, false, [](int, int, int) { return Pixel{255, 255, 255}; });
  file[0] = 'X';
  file[3] = 0;
  auto set = Load(file, 1);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->count, 2);

  const auto empty = MakeFile(0, 14, 15, false, [](int, int, int) { return Pixel{}; });
  auto none = Load(empty, 1);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->count, 0);
  EXPECT_EQ(none->width, 14);
  EXPECT_EQ(none->frames[0], nullptr);
  EXPECT_EQ(ErrorMsgLevel, LOG_INFO);
}

TEST_F(GraphicsLoaderTest, WrongVersionIsRefusedWithItsNumber) {
  for (unsigned char version : {0, 1, 3, 255}) {
    const auto file = MakeFile(
        1, 1, 1, false, [](int, int, int) { return Pixel{}; }, version);
    EXPECT_EQ(Load(file, 0), nullptr) << int(version);
    EXPECT_EQ(Kept(), "[GraphicsLoader::LoadAnimation] Wrong file format version, found " + std::to_string(version));
    EXPECT_EQ(ErrorMsgLevel, LOG_ERROR);
  }
}

TEST_F(GraphicsLoaderTest, RefusesFilesThatPromiseMoreThanTheyHoldOrTheTablesTake) {
  const auto plain = [](int, int, int) { return Pixel{1, 2, 3}; };
  struct Row {
    const char* name;
    std::vector<unsigned char> file;
    size_t cut;  // bytes taken off the end
    const char* logged;
  } rows[] = {
      {"empty file", {}, 0, "[GraphicsLoader::LoadAnimation] File too short for its header, size 0"},
      {"header cut", MakeFile(0, 1, 1, false, plain), 1,
       "[GraphicsLoader::LoadAnimation] File too short for its header, size 11"},
      {"last frame short", MakeFile(2, 3, 3, false, plain), 1,
       "[GraphicsLoader::LoadAnimation] File shorter than its header promises, size 65"},
      {"last mask short", MakeFile(2, 3, 3, true, plain), 1,
       "[GraphicsLoader::LoadAnimation] File shorter than its header promises, size 83"},
      {"frames missing", MakeFile(1, 14, 15, false, plain), 630,
       "[GraphicsLoader::LoadAnimation] File shorter than its header promises, size 12"},
      {"101 frames", MakeFile(101, 1, 1, false, plain), 0,
       "[GraphicsLoader::LoadAnimation] Too many frames, found 101"},
      {"255 frames", MakeFile(255, 1, 1, false, plain), 0,
       "[GraphicsLoader::LoadAnimation] Too many frames, found 255"},
      {"frame over 480000 pixels", MakeFile(1, 801, 600, false, plain), 0,
       "[GraphicsLoader::LoadAnimation] Frame too large, found 801x600"},
      {"largest header",
       {'Q', 'O', 'L', 'B', 2, 100, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0},
       0,
       "[GraphicsLoader::LoadAnimation] Frame too large, found 65535x65535"},
  };
  for (Row& row : rows) {
    row.file.resize(row.file.size() - row.cut);
    EXPECT_EQ(Load(row.file, 1), nullptr) << row.name;
    EXPECT_EQ(Kept(), row.logged) << row.name;
    EXPECT_EQ(ErrorMsgLevel, LOG_ERROR) << row.name;
  }
}

TEST_F(GraphicsLoaderTest, LoadsUpToTheTablesLimits) {
  const auto plain = [](int, int, int) { return Pixel{255, 255, 255}; };
  auto hundred = Load(MakeFile(100, 1, 1, false, plain), 0);
  ASSERT_NE(hundred, nullptr);
  EXPECT_EQ(hundred->frames[99][0], 0x7FFF);
  auto largest = Load(MakeFile(1, 800, 600, false, plain), 1);
  ASSERT_NE(largest, nullptr);
  EXPECT_EQ(largest->frames[0][800 * 600 - 1], 0xFFFF);
  // A file longer than its frames loads; what follows the last frame is not read.
  auto longer = MakeFile(1, 2, 2, false, plain);
  longer.insert(longer.end(), 100, 0x42);
  EXPECT_NE(Load(longer, 0), nullptr);
  EXPECT_EQ(ErrorMsgLevel, LOG_INFO);
}

TEST_F(GraphicsLoaderTest, SetsOutliveTheirLoader) {
  const auto file = ProgramGlyphFile();
  std::unique_ptr<GlyphSet> set;
  {
    GraphicsLoader loader;
    loader.colourType = 1;
    set = loader.LoadAnimation(file.data(), static_cast<uint32_t>(file.size()));
  }
  ASSERT_NE(set, nullptr);
  uint32_t sum = 0;
  for (int p = 0; p < 14 * 15; ++p) sum += set->frames[0][p];
  EXPECT_GT(sum, 0u);
}

}  // namespace
