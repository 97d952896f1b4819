// The program's own resources: DATAFILE 111 found through the null module, its size and bytes,
// and the errors for a missing name or type.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32.h"

namespace {

TEST(ResourcesConformance, GlyphAnimationIsFoundWithItsSize) {
  for (const char* type : {"DATAFILE", "datafile", "DataFile"}) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(111), type);
    ASSERT_NE(found, nullptr) << type;
    EXPECT_EQ(SizeofResource(nullptr, found), 34662u) << type;
    HGLOBAL loaded = LoadResource(nullptr, found);
    ASSERT_NE(loaded, nullptr) << type;
    const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
    ASSERT_NE(bytes, nullptr) << type;
    EXPECT_EQ(std::memcmp(bytes, "QOLB", 4), 0) << type;
    EXPECT_EQ(bytes[4], 2) << type;
    EXPECT_EQ(bytes[5], 55) << type;
  }
}

TEST(ResourcesConformance, MissingResourcesReportWhy) {
  struct Row {
    int id;
    const char* type;
    DWORD error;
  } rows[] = {{112, "DATAFILE", ERROR_RESOURCE_NAME_NOT_FOUND}, {111, "NOSUCHTYPE", ERROR_RESOURCE_TYPE_NOT_FOUND}};
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(row.id), row.type), nullptr) << row.id << " " << row.type;
    EXPECT_EQ(GetLastError(), row.error) << row.id << " " << row.type;
  }
}

}  // namespace
