// Sarvello's glyph artwork: the committed glyph file is exactly what the source art makes, and it
// keeps the promises the rain relies on (layout, bright and dim forms, the black glyph).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/tool_files.h"
#include "source_files.h"
#include "glyph_art/glyph_file.h"

namespace {

using glyph_art::kHeight;
using glyph_art::kShapes;
using glyph_art::kWidth;

std::vector<unsigned char> Committed() { return ReadSourceBytes("resources/glyphs.qolb"); }
std::string Art() { return ReadSource("tools/glyph_art/glyphs.txt"); }

struct Px {
  int r, g, b;
};
bool operator==(Px a, Px b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// Pixel (x, y) of frame f, counting y from the image's top, decoded straight from the file's
// layout: frames of bottom-up rows of blue-green-red pixels after the 12-byte header.
Px PixelOf(const std::vector<unsigned char>& file, int f, int x, int y) {
  const size_t at = 12 + static_cast<size_t>(f) * 630 + static_cast<size_t>((kHeight - 1 - y) * kWidth + x) * 3;
  return {file.at(at + 2), file.at(at + 1), file.at(at)};
}

TEST(GlyphArtwork, CommittedFileIsWhatTheArtMakes) {
  std::string error;
  const std::vector<unsigned char> made = glyph_art::GlyphFileFromArt(Art(), &error);
  ASSERT_FALSE(made.empty()) << error;
  EXPECT_TRUE(made == Committed()) << "run the `artwork` target and commit the result";
}

TEST(GlyphArtwork, HeaderDescribesFiftyFiveFramesOf14By15) {
  const std::vector<unsigned char> file = Committed();
  ASSERT_EQ(file.size(), 34662u);
  const struct {
    const char* field;
    size_t offset;
    int bytes;
    uint32_t value;
  } kFields[] = {
      // clang-format off
      {"magic \"QOLB\"", 0, 4, 0x424C4F51u}, {"version", 4, 1, 2}, {"frame count", 5, 1, 55},
      {"width", 6, 2, 14}, {"height", 8, 2, 15}, {"hasMask", 10, 1, 0}, {"reserved", 11, 1, 0},
  };  // clang-format on
  for (const auto& f : kFields) {
    uint32_t value = 0;
    for (int i = f.bytes - 1; i >= 0; --i) value = value << 8 | file.at(f.offset + static_cast<size_t>(i));
    EXPECT_EQ(value, f.value) << f.field;
  }
}

// Decoded independently of the generator, each bright frame shows its shape the right way up:
// lit exactly where the art has a stroke or glow, pure white exactly at the stroke cores.
TEST(GlyphArtwork, FramesHoldTheArtBottomRowFirst) {
  std::vector<glyph_art::Shape> shapes;
  std::string error;
  ASSERT_TRUE(glyph_art::ParseArt(Art(), &shapes, &error)) << error;
  // Row order only shows on shapes that are not their own upside-down image.
  bool someShapeIsLopsided = false;
  for (const auto& shape : shapes) someShapeIsLopsided |= shape != glyph_art::Shape(shape.rbegin(), shape.rend());
  ASSERT_TRUE(someShapeIsLopsided);

  const std::vector<unsigned char> file = Committed();
  for (int k = 0; k < kShapes; ++k) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const char c = shapes[static_cast<size_t>(k)][static_cast<size_t>(y)][static_cast<size_t>(x)];
        const Px p = PixelOf(file, k, x, y);
        ASSERT_EQ(p.g > 0, c != '.') << "glyph " << k << " at " << x << "," << y;
        ASSERT_EQ(p == (Px{255, 255, 255}), c == '#') << "glyph " << k << " at " << x << "," << y;
      }
    }
  }
}

TEST(GlyphArtwork, ShapesAreClearlyDistinct) {
  const std::vector<unsigned char> file = Committed();
  // Two shapes must differ in at least this many lit pixels to be told apart in the rain.
  constexpr int kMinDifferentPixels = 24;
  for (int i = 0; i < kShapes; ++i) {
    for (int j = i + 1; j < kShapes; ++j) {
      int different = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) different += (PixelOf(file, i, x, y).g > 0) != (PixelOf(file, j, x, y).g > 0);
      EXPECT_GE(different, kMinDifferentPixels) << "glyphs " << i << " and " << j;
    }
  }
}

// Rules every pixel of a shape obeys, seen as the pair (bright form, dim form).
TEST(GlyphArtwork, BrightAndDimFormsKeepTheirColours) {
  const struct {
    const char* rule;
    bool (*holds)(Px bright, Px dim);
  } kPixelRules[] = {
      {"bright pixels are green or white, never tinted",
       [](Px b, Px) { return b.g >= b.r && b.g >= b.b && b.r == b.b; }},
      {"the dim form is never near white", [](Px, Px d) { return !(d.r > 200 && d.g > 200 && d.b > 200); }},
      {"the dim form has little red and blue", [](Px, Px d) { return d.r <= 30 && d.b <= 30; }},
      {"the dim green is 60 % of the bright green", [](Px b, Px d) { return std::abs(d.g * 5 - b.g * 3) <= 5; }},
      {"a pixel is lit in both forms or in neither", [](Px b, Px d) { return (b.g > 0) == (d.g > 0); }},
  };
  const std::vector<unsigned char> file = Committed();
  for (const auto& rule : kPixelRules) {
    int broken = 0;
    for (int k = 0; k < kShapes; ++k)
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
          broken += !rule.holds(PixelOf(file, k, x, y), PixelOf(file, k + kShapes, x, y));
    EXPECT_EQ(broken, 0) << rule.rule;
  }
}

TEST(GlyphArtwork, EveryFrameKeepsItsPromises) {
  const auto count = [](const std::vector<unsigned char>& file, int f, bool (*pick)(int, int, Px)) {
    int n = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) n += pick(x, y, PixelOf(file, f, x, y));
    return n;
  };
  const struct {
    const char* promise;
    int first, last;  // frames it holds for
    bool (*pick)(int x, int y, Px p);
    bool some;  // true: at least one pixel is picked; false: none is
  } kPromises[] = {
      {"bright glyphs have pure white cores", 0, 26,
       [](int, int, Px p) { return p.r == 255 && p.g == 255 && p.b == 255; }, true},
      {"bright glyphs have bright green edges", 0, 26,
       [](int, int, Px p) { return p.g == 255 && p.r < 64 && p.b < 64; }, true},
      {"glyphs keep a black border, so a column's glyphs never touch", 0, 53,
       [](int x, int y, Px p) { return (x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1) && p.g > 0; }, false},
      {"the black glyph is all black", 54, 54, [](int, int, Px p) { return p.r + p.g + p.b > 0; }, false},
  };
  const std::vector<unsigned char> file = Committed();
  for (const auto& promise : kPromises)
    for (int f = promise.first; f <= promise.last; ++f)
      EXPECT_EQ(count(file, f, promise.pick) > 0, promise.some) << promise.promise << ", frame " << f;
}

// The art reader refuses damaged art and says where, instead of writing a wrong file.
TEST(GlyphArtwork, DamagedArtIsRefused) {
  const std::string art = Art();
  const auto replace = [&art](const std::string& from, const std::string& to) {
    std::string damaged = art;
    const size_t at = damaged.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? damaged : damaged.replace(at, from.size(), to);
  };
  const std::string firstRow = "\n..............\n";
  const struct {
    const char* damage;
    std::string text;
    const char* says;
  } kCases[] = {
      {"a short row", replace(firstRow, "\n.............\n"), "characters wide"},
      {"an unknown character", replace(firstRow, "\n.......x......\n"), "unknown art character 'x'"},
      {"a shape numbered out of turn", replace("glyph 1 ", "glyph 2 "), "expected \"glyph 1"},
      {"a missing shape", art.substr(0, art.find("glyph 26 ")), "holds 26 shapes"},
      {"a shape too many", art + "\n" + replace("glyph 26 ", "glyph 27 ").substr(art.find("glyph 26 ")),
       "more than 27 shapes"},
      {"a shape cut short", art.substr(0, art.size() - 16), "fewer than 15 rows"},
  };
  for (const auto& c : kCases) {
    std::string error;
    EXPECT_TRUE(glyph_art::GlyphFileFromArt(c.text, &error).empty()) << c.damage;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.damage << ": " << error;
  }
}

TEST(GlyphArtwork, WindowsLineEndingsMakeTheSameFile) {
  std::string crlf;
  for (char c : Art()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  std::string error;
  EXPECT_EQ(glyph_art::GlyphFileFromArt(crlf, &error), Committed()) << error;
}

}  // namespace
