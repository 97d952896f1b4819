// The program's memory and string functions against the C library's: every alignment of source
// and destination (the copy goes in words, halves or bytes by how the two line up), overlapping
// moves both ways, fills with a value beyond a byte, and the string functions' edge cases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

extern "C" {
void* ProgramMemcpy(void* destination, const void* source, size_t count);
void* ProgramMemmove(void* destination, const void* source, size_t count);
void* ProgramMemset(void* destination, int value, size_t count);
size_t ProgramStrlen(const char* text);
int ProgramStrcmp(const char* a, const char* b);
char* ProgramStrncpy(char* destination, const char* source, size_t count);
}

namespace {

constexpr size_t kLengths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 100};
constexpr size_t kSpace = 160;

std::vector<unsigned char> Pattern() {
  std::vector<unsigned char> bytes(kSpace);
  for (size_t i = 0; i < kSpace; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
  return bytes;
}

TEST(ProgramMemoryTest, CopyMatchesTheLibraryAtEveryAlignment) {
  const std::vector<unsigned char> source = Pattern();
  for (size_t to = 0; to < 8; ++to)
    for (size_t from = 0; from < 8; ++from)
      for (size_t n : kLengths) {
        std::vector<unsigned char> got(kSpace, 0xAA), want(kSpace, 0xAA);
        EXPECT_EQ(ProgramMemcpy(got.data() + to, source.data() + from, n), got.data() + to);
        std::memcpy(want.data() + to, source.data() + from, n);
        EXPECT_EQ(got, want) << "to +" << to << " from +" << from << ", " << n << " bytes";
      }
}

TEST(ProgramMemoryTest, MoveMatchesTheLibraryForOverlapsBothWays) {
  for (int shift = -9; shift <= 9; ++shift)
    for (size_t from = 10; from < 18; ++from)
      for (size_t n : kLengths) {
        std::vector<unsigned char> got = Pattern(), want = Pattern();
        const size_t to = static_cast<size_t>(static_cast<int>(from) + shift);
        EXPECT_EQ(ProgramMemmove(got.data() + to, got.data() + from, n), got.data() + to);
        std::memmove(want.data() + to, want.data() + from, n);
        EXPECT_EQ(got, want) << "shift " << shift << " from +" << from << ", " << n << " bytes";
      }
}

TEST(ProgramMemoryTest, FillMatchesTheLibraryAndUsesTheLowByteOnly) {
  for (int value : {0, 0xAB, 0x1FF, -1})
    for (size_t to = 0; to < 8; ++to)
      for (size_t n : kLengths) {
        std::vector<unsigned char> got = Pattern(), want = Pattern();
        EXPECT_EQ(ProgramMemset(got.data() + to, value, n), got.data() + to);
        std::memset(want.data() + to, value, n);
        EXPECT_EQ(got, want) << "value " << value << " at +" << to << ", " << n << " bytes";
      }
}

TEST(ProgramMemoryTest, StringFunctionsMatchTheLibrary) {
  for (const char* text : {"", "a", "abc", "\xff\x80z"}) EXPECT_EQ(ProgramStrlen(text), std::strlen(text)) << text;
  const struct {
    const char* a;
    const char* b;
  } compared[] = {{"", ""},      {"abc", "abc"}, {"abc", "abd"}, {"abd", "abc"}, {"ab", "abc"},
                  {"abc", "ab"}, {"\xff", "a"},  {"a", "\xff"},  {"", "a"}};
  for (const auto& row : compared) {
    const int got = ProgramStrcmp(row.a, row.b);
    const int want = std::strcmp(row.a, row.b);
    EXPECT_EQ((got > 0) - (got < 0), (want > 0) - (want < 0)) << '"' << row.a << "\" against \"" << row.b << '"';
  }
  // Shorter sources are padded with NULs to the count; a longer one is cut without a NUL.
  for (const char* source : {"", "ab", "abcdef", "abcdefghij"})
    for (size_t n : {0, 1, 3, 6, 8}) {
      std::string got(12, '#'), want(12, '#');
      EXPECT_EQ(ProgramStrncpy(&got[0], source, n), &got[0]);
      std::strncpy(&want[0], source, n);
      EXPECT_EQ(got, want) << '"' << source << "\", " << n;
    }
}

}  // namespace
