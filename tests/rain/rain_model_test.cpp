// The rain model: grid size, the seeded cells and the order of their draws, drops placed, moved,
// restarted and marked, and cells aged, replaced and their highlights moved.
#include "rain/screen_rain.h"

#include <gtest/gtest.h>

#include <string>

#include "diag/debug_log.h"
#include "display/ddraw_manager.h"
#include "heart/rain_model.h"
#include "rain/random.h"
#include "rain/shared_flags.h"
#include "support/program_glyphs.h"
#include "support/write_trap.h"
#include "winsim/control.h"

namespace {

class RainModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winsim::Reset();
    InitErrorMsg(false);
    DrawEnabled = 1;
    mode_ = {800, 600, 16, nullptr};
    screen_ = new ScreenRecord();
    screen_->selectedMode = &mode_;
    screen_->colourType = 1;
    ScreenList = screen_;
  }
  void TearDown() override {
    ScreenList = nullptr;
    CurrentScreen = nullptr;
    FreeScreenRecord(screen_);
    DrawEnabled = 0;
    StopErrorMsg();
  }
  // A grid of the given size with every cell normal glyph 27, age 0, threshold 79, unlit.
  static void Blank(RainGrid& grid, int32_t rows, int32_t columns) {
    grid.rows = rows;
    grid.columns = columns;
    grid.cells.reset(new RainCell[static_cast<size_t>(rows * columns)]);
    for (int32_t i = 0; i < rows * columns; ++i) grid.cells[i] = RainCell{27, 79, 0, 0};
  }
  static std::vector<int> Levels(const RainGrid& grid, int32_t column) {
    std::vector<int> levels;
    for (int32_t r = 0; r < grid.rows; ++r) levels.push_back(grid.cells[r * grid.columns + column].level);
    return levels;
  }

  DisplayMode mode_;
  ScreenRecord* screen_ = nullptr;
  GraphicsLoader loader_;
  RandomState random_;  // the stream the model's rules draw from
};

TEST(RainGridSize, FollowsModeAndGlyphSize) {
  struct Row {
    int32_t width, height, columns, rows;
  } rows[] = {{800, 600, 58, 42}, {1024, 768, 74, 53}, {1920, 1080, 138, 74}, {152, 112, 11, 9}, {10, 10, 1, 2}};
  for (const Row& r : rows) {
    EXPECT_EQ(RainColumns(r.width, 14), r.columns) << r.width;
    EXPECT_EQ(RainRows(r.height, 15), r.rows) << r.height;
  }
}

TEST_F(RainModelTest, InitRainSeedsCellsInTheOrderOfItsDraws) {
  const auto glyphs = ProgramGlyphFile();
  SeedRand(1);
  ASSERT_TRUE(InitRain(screen_, loader_, glyphs.data(), static_cast<uint32_t>(glyphs.size())));
  RainGrid& grid = screen_->rain;
  EXPECT_EQ(CurrentScreen, screen_);
  EXPECT_EQ(loader_.colourType, 1);
  EXPECT_EQ(grid.columns, 58);
  EXPECT_EQ(grid.rows, 42);
  ASSERT_NE(grid.glyphs, nullptr);
  // From state 1: r1, then the glyph (highlighted when r1 % 100 < 5), then the threshold.
  const RainCell expected[] = {{53, 14, 0, 0}, {26, 44, 0, 0}, {36, 2, 0, 0}, {35, 65, 0, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(grid.cells[i].glyph, expected[i].glyph) << i;
    EXPECT_EQ(grid.cells[i].threshold, expected[i].threshold) << i;
  }
  int highlighted = 0;
  for (int i = 0; i < 58 * 42; ++i) {
    ASSERT_LT(grid.cells[i].glyph, 54) << i;
    ASSERT_LT(grid.cells[i].threshold, 80) << i;
    ASSERT_EQ(grid.cells[i].level, 0) << i;
    highlighted += grid.cells[i].glyph < 27;
  }
  EXPECT_GT(highlighted, 58 * 42 * 2 / 100);
  EXPECT_LT(highlighted, 58 * 42 * 8 / 100) << "about 5 % start highlighted";
  EXPECT_EQ(ErrorMsgLevel, LOG_INFO);
}

TEST_F(RainModelTest, CorruptGlyphFileFailsWithTheMakersAddresses) {
  auto glyphs = ProgramGlyphFile();
  glyphs[4] = 1;
  EXPECT_FALSE(InitRain(screen_, loader_, glyphs.data(), static_cast<uint32_t>(glyphs.size())));
  const std::string kept = ErrorMsgText.TextOrNull();
  EXPECT_EQ(kept.rfind("Corrupt screensaver file. Please try downloading the archive\nagain", 0), 0u) << kept;
  EXPECT_NE(kept.find("http://www.example.com/sarvello for updates or\ndrop me an email at sarvello@example.com"),
            std::string::npos)
      << kept;
  EXPECT_EQ(ErrorMsgLevel, LOG_ERROR);
}

TEST_F(RainModelTest, ScatterPlacesDropsFromTheDrawingStream) {
  Blank(screen_->rain, 42, 58);
  screen_->rain.dropCount = 3;
  SeedRand(1);
  ScatterDrops();
  const RainDrop expected[] = {{12, 36, 32, 0}, {6, 30, 34, 0}, {50, 16, 38, 0}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(screen_->rain.drops[i].column, expected[i].column) << i;
    EXPECT_EQ(screen_->rain.drops[i].head, expected[i].head) << i;
    EXPECT_EQ(screen_->rain.drops[i].length, expected[i].length) << i;
  }
  EXPECT_EQ(screen_->rain.drops[3].length, 0) << "only dropCount drops are placed";
}

TEST_F(RainModelTest, ADropCountAbove400UsesThe400DropsThereAre) {
  // The same stream of draws for 400 and for 1000 drops: nothing beyond the 400 is placed or moved
  // (an index past them is caught by the bounds sanitizer).
  std::vector<int> marked[2];
  int32_t next[2] = {};
  const int32_t counts[] = {400, 1000};
  for (int k = 0; k < 2; ++k) {
    Blank(screen_->rain, 42, 58);
    for (RainDrop& d : screen_->rain.drops) d = RainDrop{};
    screen_->rain.dropCount = counts[k];
    SeedRand(9);
    ScatterDrops();
    RandomState random = ThreadRandomState();
    AdvanceDrops(screen_->rain, random);
    for (int32_t c = 0; c < 58; ++c) {
      const std::vector<int> levels = Levels(screen_->rain, c);
      marked[k].insert(marked[k].end(), levels.begin(), levels.end());
    }
    next[k] = NextRandom(random);
  }
  EXPECT_EQ(marked[0], marked[1]);
  EXPECT_EQ(next[0], next[1]) << "the same number of draws";
}

TEST_F(RainModelTest, TrailIsFullThenFadesOverItsLastThreeCells) {
  RainGrid& grid = screen_->rain;
  Blank(grid, 20, 4);
  grid.dropCount = 1;
  grid.drops[0] = RainDrop{2, 11, 10, 1};  // moves to row 12 this frame
  AdvanceDrops(grid, random_);
  EXPECT_EQ(grid.drops[0].head, 12);
  EXPECT_EQ(grid.drops[0].halfStep, 0);
  const std::vector<int> expected = {0, 0, 0, 1, 2, 3, 4, 4, 4, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Levels(grid, 2), expected);
  EXPECT_EQ(Levels(grid, 1), std::vector<int>(20, 0));
  AdvanceDrops(grid, random_);
  EXPECT_EQ(grid.drops[0].head, 12) << "the head moves every other frame";
  EXPECT_EQ(grid.drops[0].halfStep, 1);
}

TEST_F(RainModelTest, TrailIsCutAtTheGridsEdges) {
  RainGrid& grid = screen_->rain;
  Blank(grid, 6, 2);
  grid.dropCount = 2;
  grid.drops[0] = RainDrop{0, 2, 10, 0};   // reaches above row 0
  grid.drops[1] = RainDrop{1, 12, 10, 0};  // head below the last row
  AdvanceDrops(grid, random_);
  EXPECT_EQ(Levels(grid, 0), (std::vector<int>{4, 4, 4, 0, 0, 0}));
  EXPECT_EQ(Levels(grid, 1), (std::vector<int>{0, 0, 0, 1, 2, 3})) << "the faded end of a trail from 12 to 3";
}

TEST_F(RainModelTest, DropsPastTheLastRowRestartAboveTheGrid) {
  RainGrid& grid = screen_->rain;
  Blank(grid, 10, 58);
  grid.dropCount = 3;
  grid.drops[0] = RainDrop{5, 29, 20, 1};   // head 30 - 20 = 10 rows: restarts
  grid.drops[1] = RainDrop{7, 18, 20, 1};   // head 19 - 20 < 10: marks rows 9 .. 0
  grid.drops[2] = RainDrop{5, 255, 12, 1};  // a waiting drop at 255 enters at row 0
  random_ = RandomState{1};
  AdvanceDrops(grid, random_);
  EXPECT_EQ(grid.drops[0].head, 254) << "(-41) % 5 - 1";
  EXPECT_EQ(grid.drops[0].length, 18467 % 35 + 10);
  EXPECT_EQ(grid.drops[0].column, 6334 % 58);
  EXPECT_EQ(grid.drops[2].head, 0);
  EXPECT_EQ(grid.cells[0 * 58 + 5].level, 4) << "the entering drop lights its head cell only";
  EXPECT_EQ(grid.cells[1 * 58 + 5].level, 0);
  EXPECT_EQ(grid.cells[9 * 58 + 7].level, 4);
  EXPECT_EQ(grid.cells[0 * 58 + 7].level, 1) << "the trail's last cell";
  grid.drops[0].halfStep = 0;
  AdvanceDrops(grid, random_);
  EXPECT_GE(grid.drops[0].head, 251) << "a drop above the grid restarts until it reaches 255";
}

TEST_F(RainModelTest, DrawingSwitchedOffStopsTheDrops) {
  RainGrid& grid = screen_->rain;
  Blank(grid, 20, 4);
  grid.dropCount = 2;
  grid.drops[0] = RainDrop{0, 10, 10, 0};
  grid.drops[1] = RainDrop{1, 10, 10, 0};
  DrawEnabled = 0;
  AdvanceDrops(grid, random_);
  EXPECT_EQ(grid.drops[0].halfStep, 0) << "not even the first drop moves";
  EXPECT_EQ(Levels(grid, 0), std::vector<int>(20, 0));
}

// Drawing switched off in the middle of the drops, at the first level stored into the second page
// of the cells (the head of the first drop): its trail stops there, and the next drop is not
// moved at all.
TEST_F(RainModelTest, DrawingSwitchedOffMidTrailStopsTheDropsWhereTheyAre) {
  RainGrid& grid = screen_->rain;
  const int32_t columns = 16;
  const int32_t rowsPerPage = static_cast<int32_t>(WriteTrap::PageSize() / sizeof(RainCell)) / columns;
  WriteTrap trap(2);
  grid.rows = 2 * rowsPerPage;
  grid.columns = columns;
  grid.cells.reset(reinterpret_cast<RainCell*>(trap.memory()));
  for (int32_t i = 0; i < grid.rows * columns; ++i) grid.cells[i] = RainCell{27, 79, 0, 0};
  grid.dropCount = 2;
  const uint8_t head = static_cast<uint8_t>(rowsPerPage + 6);  // in the second page
  grid.drops[0] = RainDrop{0, head, 10, 0};
  grid.drops[1] = RainDrop{1, 30, 10, 0};
  trap.Arm(1);
  AdvanceDrops(grid, random_);
  const std::vector<int> column0 = Levels(grid, 0);
  const std::vector<int> column1 = Levels(grid, 1);
  const RainDrop second = grid.drops[1];
  grid.cells.release();  // the trap's memory, not the grid's
  EXPECT_TRUE(trap.sprung());
  EXPECT_EQ(column0[head], 4) << "the head cell is marked";
  EXPECT_EQ(column0[head - 1], 0) << "the trail stops at the head";
  EXPECT_EQ(column1, std::vector<int>(static_cast<size_t>(2 * rowsPerPage), 0)) << "the second drop marks nothing";
  EXPECT_EQ(second.halfStep, 0) << "the second drop does not move";
}

// The highlight moves as a place, not a shape: each cell it reaches shows its own glyph highlighted.
TEST_F(RainModelTest, HighlightTravelsDownOneRowPerFrame) {
  RainGrid& grid = screen_->rain;
  Blank(grid, 4, 1);
  grid.cells[0].glyph = 3;  // highlighted form of 30; the others show normal glyph 27
  for (int frame = 0; frame < 5; ++frame) {
    for (int32_t row = grid.rows - 1; row >= 0; --row) UpdateCell(grid, row, 0, random_);  // bottom row first
    const int at = frame + 1 < 3 ? frame + 1 : 3;
    for (int32_t row = 0; row < 4; ++row)
      EXPECT_EQ(grid.cells[row].glyph, row == at ? 0 : (row == 0 ? 30 : 27)) << "frame " << frame << " row " << row;
  }
}

TEST_F(RainModelTest, ReplacedGlyphsAreHighlightedOnlyInTheUpperTwoThirds) {
  struct Row {
    int32_t percent;
    bool upperHighlighted;
  } rows[] = {{0, false}, {100, true}};
  for (const Row& r : rows) {
    RainGrid& grid = screen_->rain;
    Blank(grid, 9, 3);
    grid.highlightPercent = r.percent;
    for (int32_t i = 0; i < 27; ++i) grid.cells[i].threshold = 0;  // every cell is replaced now
    for (int32_t row = 8; row >= 0; --row)
      for (int32_t column = 0; column < 3; ++column) UpdateCell(grid, row, column, random_);
    for (int32_t row = 0; row < 9; ++row) {
      for (int32_t column = 0; column < 3; ++column) {
        const RainCell& cell = grid.cells[row * 3 + column];
        EXPECT_EQ(cell.glyph < 27, r.upperHighlighted && row < 6) << r.percent << "% row " << row;
        EXPECT_EQ(cell.age, 0);
        EXPECT_LT(cell.threshold, 80);
        EXPECT_EQ(cell.level, 0);
      }
    }
  }
}

}  // namespace
