// winsim's resource overrides: how tests hand the program a damaged or missing glyph animation.
#include <gtest/gtest.h>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

const unsigned char* Bytes(HRSRC found) {
  return static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
}

TEST(WinsimResourcesTest, OverrideReplacesAndResetRestores) {
  winsim::Reset();
  winsim::OverrideResource("datafile", 111, {1, 2, 3});
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(111), "DATAFILE");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, found), 3u);
  const unsigned char* held = Bytes(found);
  winsim::OverrideResource("DATAFILE", 111, std::vector<unsigned char>(1000, 9));
  EXPECT_EQ(held[2], 3) << "bytes handed out stay valid";
  winsim::Reset();
  found = FindResourceA(nullptr, MAKEINTRESOURCEA(111), "DATAFILE");
  EXPECT_EQ(SizeofResource(nullptr, found), 34662u);
}

TEST(WinsimResourcesTest, RemovedResourceIsNotFound) {
  winsim::Reset();
  winsim::RemoveResource("DATAFILE", 111);
  EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(111), "DATAFILE"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  winsim::OverrideResource("EXTRA", 5, {7});
  EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(5), "extra"), nullptr);
  winsim::Reset();
}

}  // namespace
