/* A Windows program that breaks the promises check_program.sh holds (an import newer than the
   program's systems, a Pentium Pro instruction, a later subsystem, a moved image base, symbols),
   so that its test can prove the check names each one. It is never run. */
#define _WIN32_WINNT 0x0600
#include <windows.h>

__attribute__((noinline)) int LargerOfTwo(int a, int b) {
  int larger = a;
  __asm__("cmpl %1, %2\n\tcmovl %1, %0" : "+r"(larger) : "r"(b), "r"(a) : "cc");
  return larger;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  return LargerOfTwo(show, (int)GetTickCount64());
}
