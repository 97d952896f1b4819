// The static constructors of a program linked without a C runtime, which its own entry runs before
// anything else: Sarvello.scr's, and the frame benchmark's that is linked as it is.
#pragma once

// Bounds of the list of static constructors that the linker lays out: a -1 (or a count) first,
// then the constructors, then a 0.
extern "C" void (*__CTOR_LIST__[])();

// The list runs from its end to its start, as the objects' constructors were placed in reverse.
inline void RunStaticConstructors() {
  int count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}
