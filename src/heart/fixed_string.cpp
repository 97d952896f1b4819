// FixedString: construction, assignment and the appending rules, all within the inline buffer.
#include "fixed_string.h"

#include <cstring>

FixedString::FixedString() : Next(nullptr) { text_[0] = '\0'; }

FixedString::FixedString(const char* text) : Next(nullptr) {
  Clear();
  AssignText(text);
}

FixedString::FixedString(const FixedString& other) : Next(nullptr) {
  Clear();
  std::memcpy(text_, other.text_, std::strlen(other.text_) + 1);
}

FixedString::~FixedString() { delete Next; }

FixedString& FixedString::operator=(const char* text) {
  if (text != nullptr) AssignText(text);
  return *this;
}

FixedString& FixedString::operator=(const FixedString& other) {
  if (this != &other) std::memmove(text_, other.text_, std::strlen(other.text_) + 1);
  return *this;
}

void FixedString::Clear() {
  text_[0] = '\0';
  Next = nullptr;
}

int32_t FixedString::Length() const { return static_cast<int32_t>(std::strlen(text_)); }

FixedString& FixedString::Append(const char* text) {
  if (text == nullptr || Length() >= kMaxLength) return *this;
  AddCut(text, static_cast<int>(std::strlen(text)));
  return *this;
}

FixedString& FixedString::AppendInt(int32_t value) {
  char digits[16];
  int n = 0;
  // Work in the unsigned magnitude so that the most negative value needs no special case.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10u);
    magnitude /= 10u;
  } while (magnitude != 0u);
  if (value < 0) digits[n++] = '-';
  char text[16];
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = '\0';
  AddCut(text, n);
  return *this;
}

const char* FixedString::TextOrNull() const { return text_[0] == '\0' ? nullptr : text_; }

FixedString FixedString::operator+(const char* text) const {
  FixedString result(*this);
  result.Append(text);
  return result;
}

FixedString FixedString::operator+(int32_t value) const {
  FixedString result(*this);
  result.AppendInt(value);
  return result;
}

void FixedString::AssignText(const char* text) {
  size_t length = std::strlen(text);
  if (length >= static_cast<size_t>(kMaxLength)) length = kMaxFromText;
  std::memmove(text_, text, length);
  text_[length] = '\0';
}

void FixedString::AddCut(const char* text, int count) {
  const int length = Length();
  const int room = kMaxLength - length;
  if (count > room) count = room;
  if (count <= 0) return;
  std::memmove(text_ + length, text, static_cast<size_t>(count));
  text_[length + count] = '\0';
}
