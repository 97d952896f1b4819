// Hexadecimal numbers in text: the digits, the padding to a width, and the end it answers.
#include "diag/hex_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(HexTextTest, DigitsPaddingAndCase) {
  struct Row {
    uint32_t value;
    int width;
    char pad;
    bool upperCase;
    const char* text;
  };
  const Row rows[] = {
      {0, 0, '0', false, "0"},
      {0, 4, '0', false, "0000"},
      {0x1CF, 4, ' ', true, " 1CF"},
      {0x5, 2, ' ', true, " 5"},
      {0xAB, 2, ' ', true, "AB"},
      {0xab, 2, '0', false, "ab"},
      {0x887603E7, 2, '0', false, "887603e7"},
      {0xFFFFFFFF, 8, ' ', true, "FFFFFFFF"},
      {0x10, 1, ' ', true, "10"},
      {0x7, 10, '.', true, ".........7"},
  };
  for (const Row& row : rows) {
    char out[16];
    std::memset(out, 'x', sizeof out);
    char* end = WriteHex(out, row.value, row.width, row.pad, row.upperCase);
    EXPECT_EQ(std::string(out), row.text) << std::hex << row.value << " width " << std::dec << row.width;
    EXPECT_EQ(end, out + std::strlen(row.text)) << row.text << ": the end is the NUL";
  }
}

}  // namespace
