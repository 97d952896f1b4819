// FixedString: the allocation-free value string with which log lines are composed and in which the
// debug log keeps its most severe message. Portable: no platform header.
#pragma once

#include <cstdint>

class FixedString {
 private:
  static constexpr int kCapacity = 256;     // bytes of text, NUL included
  static constexpr int kMaxLength = 255;    // characters that fit before the NUL
  static constexpr int kMaxFromText = 254;  // characters kept from a text on construction/assignment

  char text_[kCapacity];  // first member: the text, then the link

 public:
  FixedString();
  // Keeps the text's first characters: all of a text shorter than 255, else exactly 254.
  FixedString(const char* text);  // NOLINT(google-explicit-constructor): used as "text" + n
  FixedString(const FixedString& other);
  ~FixedString();

  // A null text leaves the string as it is; `Next` is never touched by assignment.
  FixedString& operator=(const char* text);
  FixedString& operator=(const FixedString& other);

  void Clear();
  int32_t Length() const;
  // Adds `text` when it is not null and the string is not full; what does not fit in 255
  // characters is cut off.
  FixedString& Append(const char* text);
  // Adds `value` in decimal; what does not fit in 255 characters is cut off.
  FixedString& AppendInt(int32_t value);
  // Null for the empty string, otherwise the text; valid while the string lives unchanged.
  const char* TextOrNull() const;

  FixedString operator+(const char* text) const;
  FixedString operator+(int32_t value) const;

  // Link to a further string, owned; empty after construction, copying and Clear. Nothing in the
  // program sets it, and copies never carry it.
  FixedString* Next;

 private:
  void AssignText(const char* text);
  void AddCut(const char* text, int count);
};
