// The memory and string functions of Sarvello.scr, which carries no C runtime: the ones its code
// calls (strlen, strcmp, strncpy) and the ones the compiler calls for it (memcpy, memmove and memset
// for structure copies, fills and the blitters' row copies). Compiled so that the optimiser cannot
// turn these very loops back into calls of themselves.
#include <cstddef>
#include <cstdint>

namespace {

// A machine word that may alias any other type, so that copying in words is well defined.
typedef std::uintptr_t __attribute__((may_alias)) Word;
typedef std::uint16_t __attribute__((may_alias)) Half;

bool AlignedAlike(const void* a, const void* b, std::size_t unit) {
  return ((reinterpret_cast<std::uintptr_t>(a) ^ reinterpret_cast<std::uintptr_t>(b)) & (unit - 1)) == 0;
}

bool Aligned(const void* p, std::size_t unit) { return (reinterpret_cast<std::uintptr_t>(p) & (unit - 1)) == 0; }

// Copies from the lowest address up; safe for overlapping ranges whose destination lies below the
// source, since every unit is read before anything at or above it is written.
void CopyUp(unsigned char* to, const unsigned char* from, std::size_t count) {
  // 16-bit pixel rows come here from the blitters: in words where both sides line up, else in
  // halves, else in bytes.
  const std::size_t unit = AlignedAlike(to, from, sizeof(Word))   ? sizeof(Word)
                           : AlignedAlike(to, from, sizeof(Half)) ? sizeof(Half)
                                                                  : 1;
  while (count > 0 && !Aligned(to, unit)) {
    *to++ = *from++;
    --count;
  }
  if (unit == sizeof(Word)) {
    for (; count >= sizeof(Word); count -= sizeof(Word), to += sizeof(Word), from += sizeof(Word))
      *reinterpret_cast<Word*>(to) = *reinterpret_cast<const Word*>(from);
  } else if (unit == sizeof(Half)) {
    for (; count >= sizeof(Half); count -= sizeof(Half), to += sizeof(Half), from += sizeof(Half))
      *reinterpret_cast<Half*>(to) = *reinterpret_cast<const Half*>(from);
  }
  while (count > 0) {
    *to++ = *from++;
    --count;
  }
}

}  // namespace

extern "C" {

void* memcpy(void* destination, const void* source, std::size_t count) {
  CopyUp(static_cast<unsigned char*>(destination), static_cast<const unsigned char*>(source), count);
  return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
  auto* to = static_cast<unsigned char*>(destination);
  const auto* from = static_cast<const unsigned char*>(source);
  if (to <= from || to >= from + count) {
    CopyUp(to, from, count);
  } else {
    // The destination overlaps the source's end: from the top down.
    while (count > 0) {
      --count;
      to[count] = from[count];
    }
  }
  return destination;
}

void* memset(void* destination, int value, std::size_t count) {
  auto* to = static_cast<unsigned char*>(destination);
  const auto byte = static_cast<unsigned char>(value);
  while (count > 0 && !Aligned(to, sizeof(Word))) {
    *to++ = byte;
    --count;
  }
  Word pattern = 0;
  for (std::size_t i = 0; i < sizeof(Word); ++i) pattern = (pattern << 8) | byte;
  for (; count >= sizeof(Word); count -= sizeof(Word), to += sizeof(Word)) *reinterpret_cast<Word*>(to) = pattern;
  while (count > 0) {
    *to++ = byte;
    --count;
  }
  return destination;
}

std::size_t strlen(const char* text) {
  const char* end = text;
  while (*end != '\0') ++end;
  return static_cast<std::size_t>(end - text);
}

int strcmp(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) {
    ++a;
    ++b;
  }
  return static_cast<int>(static_cast<unsigned char>(*a)) - static_cast<int>(static_cast<unsigned char>(*b));
}

char* strncpy(char* destination, const char* source, std::size_t count) {
  std::size_t i = 0;
  for (; i < count && source[i] != '\0'; ++i) destination[i] = source[i];
  // The rest of the destination is filled with NULs, as the C library's strncpy does.
  for (; i < count; ++i) destination[i] = '\0';
  return destination;
}

}  // extern "C"
