// winsim's test windows: ClientToScreen adds the client origin of a known window only.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

TEST(WinsimWindowsTest, ClientToScreenAddsTheClientOrigin) {
  winsim::Reset();
  HWND first = winsim::CreateTestWindow({100, 50});
  HWND second = winsim::CreateTestWindow({-20, 700});
  struct Row {
    const char* name;
    HWND window;
    POINT in, out;
  } rows[] = {{"first at its origin", first, {0, 0}, {100, 50}},
              {"first inside", first, {7, 3}, {107, 53}},
              {"second, left of the screen", second, {5, 5}, {-15, 705}}};
  for (const Row& row : rows) {
    POINT point = row.in;
    EXPECT_NE(ClientToScreen(row.window, &point), FALSE) << row.name;
    EXPECT_EQ(point.x, row.out.x) << row.name;
    EXPECT_EQ(point.y, row.out.y) << row.name;
  }
}

TEST(WinsimWindowsTest, UnknownWindowsAreRefused) {
  winsim::Reset();
  HWND window = winsim::CreateTestWindow({10, 10});
  POINT point = {1, 1};
  EXPECT_EQ(ClientToScreen(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(window) + 1), &point), FALSE);
  EXPECT_EQ(ClientToScreen(nullptr, &point), FALSE);
  winsim::Reset();
  EXPECT_EQ(ClientToScreen(window, &point), FALSE) << "forgotten by Reset";
  EXPECT_EQ(point.x, 1) << "a refused point is left as it was";
}

}  // namespace
