// The program's built-in glyph file, found as the program finds it (DATAFILE IDR_GLYPHS), for tests.
#pragma once

#include <vector>

#include "platform/win32.h"
#include "resource.h"

inline std::vector<unsigned char> ProgramGlyphFile() {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_GLYPHS), "DATAFILE");
  if (found == nullptr) return {};
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  return std::vector<unsigned char>(bytes, bytes + SizeofResource(nullptr, found));
}
