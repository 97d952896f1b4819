// winsim: the C runtime's thread start and end (<process.h>), as the program starts its drawing
// thread.
#pragma once

#include <cstdint>

// Starts `start(argument)` on a new thread; the stack size is not modelled beyond 0 (the default).
// Answers (uintptr_t)-1 when the thread cannot be started.
std::uintptr_t _beginthread(void (*start)(void*), unsigned stackSize, void* argument);
// Ends the calling thread, which must have been started with _beginthread.
[[noreturn]] void _endthread();
