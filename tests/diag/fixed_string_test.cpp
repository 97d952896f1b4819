// FixedString: truncation on construction and assignment, appending up to the buffer's end,
// decimal conversion, and that copies never carry the link.
#include "heart/fixed_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string Text(const FixedString& s) {
  const char* t = s.TextOrNull();
  return t ? std::string(t) : std::string();
}

TEST(FixedStringTest, ConstructionFromTextKeepsAtMost254) {
  struct Row {
    size_t given;
    size_t kept;
  } rows[] = {{0, 0}, {1, 1}, {253, 253}, {254, 254}, {255, 254}, {256, 254}, {300, 254}, {1000, 254}};
  for (const Row& row : rows) {
    std::string text(row.given, 'q');
    if (row.given > 0) text[0] = 'A';
    FixedString s(text.c_str());
    EXPECT_EQ(s.Length(), static_cast<int32_t>(row.kept)) << "from " << row.given << " characters";
    EXPECT_EQ(Text(s), text.substr(0, row.kept)) << "from " << row.given << " characters";
  }
}

TEST(FixedStringTest, EmptyStringHasNoText) {
  FixedString fromEmpty("");
  FixedString byDefault;
  for (const FixedString* s : {&fromEmpty, &byDefault}) {
    EXPECT_EQ(s->Length(), 0);
    EXPECT_EQ(s->TextOrNull(), nullptr);
    EXPECT_EQ(s->Next, nullptr);
  }
}

TEST(FixedStringTest, AppendStopsAt255AndRefusesWhenFull) {
  FixedString s(std::string(254, 'x').c_str());
  s.Append("y");
  EXPECT_EQ(s.Length(), 255);
  EXPECT_EQ(Text(s).back(), 'y');
  s.Append("z");
  EXPECT_EQ(s.Length(), 255);
  EXPECT_EQ(Text(s).back(), 'y');
}

TEST(FixedStringTest, AppendAndAppendIntCutAt255) {
  // Both must never write past the buffer: what does not fit is cut.
  struct Row {
    const char* name;
    size_t start;
    bool appendInt;
    std::string expectTail;
  } rows[] = {
      {"long text onto 250", 250, false, "abcde"},
      {"long text onto 10", 10, false, std::string(245, 'L')},
      {"int onto 250", 250, true, "-2147"},
      {"int onto 253", 253, true, "-2"},
      {"int onto 254", 254, true, "-"},
      {"int onto 255", 255, true, ""},
  };
  for (const Row& row : rows) {
    FixedString s(std::string(row.start > 254 ? 254 : row.start, 'x').c_str());
    if (row.start == 255) s.Append("x");
    ASSERT_EQ(s.Length(), static_cast<int32_t>(row.start)) << row.name;
    if (row.appendInt) {
      s.AppendInt(INT32_MIN);
    } else if (row.start == 250) {
      s.Append("abcdefghijklmnopqrstuvwxyz");
    } else {
      s.Append(std::string(400, 'L').c_str());
    }
    EXPECT_EQ(s.Length(), static_cast<int32_t>(row.start + row.expectTail.size())) << row.name;
    EXPECT_LE(s.Length(), 255) << row.name;
    EXPECT_EQ(Text(s).substr(row.start), row.expectTail) << row.name;
  }
}

TEST(FixedStringTest, AppendIntWritesPlainDecimal) {
  struct Row {
    int32_t value;
    const char* text;
  } rows[] = {{0, "0"},
              {7, "7"},
              {-1, "-1"},
              {10, "10"},
              {-305, "-305"},
              {INT32_MAX, "2147483647"},
              {INT32_MIN, "-2147483648"}};
  for (const Row& row : rows) {
    FixedString s("n=");
    s.AppendInt(row.value);
    EXPECT_EQ(Text(s), std::string("n=") + row.text) << row.value;
  }
}

TEST(FixedStringTest, AppendOfNullChangesNothing) {
  FixedString s("abc");
  s.Append(nullptr);
  EXPECT_EQ(Text(s), "abc");
}

TEST(FixedStringTest, PlusBuildsNewStringsAndLeavesTheOperand) {
  FixedString a("a");
  FixedString result = a + 1 + "x" + 2;
  EXPECT_EQ(Text(result), "a1x2");
  EXPECT_EQ(Text(a), "a");
  FixedString empty;
  FixedString line = empty + "[DDEnumModesCallback] Found mode <" + 640 + "x" + 480 + ", 16bit>";
  EXPECT_EQ(Text(line), "[DDEnumModesCallback] Found mode <640x480, 16bit>");
}

TEST(FixedStringTest, AssignmentFromText) {
  FixedString s("abc");
  s = static_cast<const char*>(nullptr);
  EXPECT_EQ(Text(s), "abc");
  s = std::string(300, 'w').c_str();
  EXPECT_EQ(s.Length(), 254);
  s = "";
  EXPECT_EQ(s.TextOrNull(), nullptr);
}

TEST(FixedStringTest, AssignmentFromStringCopiesWholeText) {
  FixedString full(std::string(254, 'f').c_str());
  full.Append("g");  // 255 characters: more than assignment from a text would keep
  FixedString target("old");
  target = full;
  EXPECT_EQ(target.Length(), 255);
  target = target;  // self-assignment keeps the text
  EXPECT_EQ(target.Length(), 255);
}

TEST(FixedStringTest, CopiesNeverCarryTheLink) {
  FixedString original("linked");
  original.Next = new FixedString("tail");
  original.Next->Next = new FixedString("end");  // the destructor frees the whole chain
  FixedString copy(original);
  EXPECT_EQ(copy.Next, nullptr);
  EXPECT_EQ(Text(copy), "linked");
  FixedString sum = original + "!";
  EXPECT_EQ(sum.Next, nullptr);
  FixedString assigned;
  assigned = original;
  EXPECT_EQ(assigned.Next, nullptr);
  // ASan's leak check proves the chain is freed with `original`.
}

TEST(FixedStringTest, ClearEmptiesTextAndDropsLinkWithoutFreeing) {
  FixedString owner("x");
  FixedString* tail = new FixedString("t");
  owner.Next = tail;
  owner.Clear();
  EXPECT_EQ(owner.TextOrNull(), nullptr);
  EXPECT_EQ(owner.Next, nullptr);
  EXPECT_EQ(Text(*tail), "t");  // still alive: Clear frees nothing
  delete tail;
}

}  // namespace
