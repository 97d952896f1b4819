// ScreenKeyName: 36 characters, upper-case hexadecimal padded with blanks, zero parts as zeros.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/screen_key_name.h"

namespace {

TEST(ScreenKeyNameTest, GuidPartsArePaddedWithBlanks) {
  struct Row {
    const char* name;
    GUID guid;
    const char* key;
  } rows[] = {
      {"primary display driver", {}, "00000000-0000-0000-0000-000000000000"},
      {"every digit used",
       {0x67685F01, 0x3A21, 0x11D0, {0x9B, 0x6D, 0xC0, 0xA0, 0xC9, 0x0A, 0x53, 0xFF}},
       "67685F01-3A21-11D0-9B6D-C0A0C9 A53FF"},
      {"seven-digit Data1",
       {0x1234567, 0x1CF, 0xABC, {0, 0, 0, 0, 0, 0, 0, 0}},
       " 1234567- 1CF- ABC-0000-000000000000"},
      {"one digit everywhere",
       {0x5, 0x5, 0x5, {0x5, 0x5, 0x5, 0x5, 0x5, 0x5, 0x5, 0x5}},
       "       5-   5-   5- 5 5- 5 5 5 5 5 5"},
      {"lower-case input",
       {0xabcdef12, 0xabcd, 0xef01, {0xab, 0xcd, 0xef, 0x01, 0x23, 0x45, 0x67, 0x89}},
       "ABCDEF12-ABCD-EF01-ABCD-EF 123456789"},
      {"zero bytes between others",
       {0x10000000, 0, 0x1000, {0x10, 0, 0x10, 0, 0x10, 0, 0x10, 0}},
       "10000000-0000-1000-1000-100010001000"},
  };
  for (const Row& row : rows) {
    ScreenRecord screen{};
    screen.guid = row.guid;
    const char* key = ScreenKeyName(&screen);
    EXPECT_STREQ(key, row.key) << row.name;
    EXPECT_EQ(std::strlen(key), 36u) << row.name;
  }
}

TEST(ScreenKeyNameTest, TheNextCallOverwritesTheShared) {
  ScreenRecord first{};
  ScreenRecord second{};
  second.guid.Data1 = 0xABCDEF;
  const char* name = ScreenKeyName(&first);
  const std::string kept = name;
  EXPECT_EQ(ScreenKeyName(&second), name) << "one process-wide buffer";
  EXPECT_STREQ(name, "  ABCDEF-0000-0000-0000-000000000000");
  EXPECT_EQ(kept, "00000000-0000-0000-0000-000000000000");
}

}  // namespace
