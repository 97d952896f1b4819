// Typed look-up of a function exported by a library loaded at run time.
#pragma once

#include "platform/win32.h"

// The export `name` of `library` as a `Function`, or null when the library lacks it. The cast
// goes through void(*)(): a cast between unrelated function types, as GetProcAddress requires.
template <typename Function>
Function ProcAddress(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}
