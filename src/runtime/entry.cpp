// The entry point of Sarvello.scr itself: the platform's loader jumps here. The saver reads its
// command line and ends the process itself, so it needs nothing of a C runtime's start-up: only
// the static constructors of the program's objects run before it.
#include "frame/run_modes.h"

// Bounds of the list of static constructors that the linker lays out: a -1 (or a count) first,
// then the constructors, then a 0.
extern "C" void (*__CTOR_LIST__[])();

namespace {

// The list runs from its end to its start, as the objects' constructors were placed in reverse.
void RunStaticConstructors() {
  int count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

}  // namespace

extern "C" [[noreturn]] void SaverEntry() {
  RunStaticConstructors();
  SaverMain();
}
