// The entry point of Sarvello.scr itself: the platform's loader jumps here. The saver reads its
// command line and ends the process itself, so it needs nothing of a C runtime's start-up: only
// the static constructors of the program's objects run before it.
#include "frame/run_modes.h"
#include "runtime/static_constructors.h"

extern "C" [[noreturn]] void SaverEntry() {
  RunStaticConstructors();
  SaverMain();
}
