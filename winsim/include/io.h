// winsim: the C runtime's low-level file calls (<io.h>, with the <fcntl.h> flags of the Windows
// runtime), as the program uses them for its log.
#pragma once

#include <cstddef>

#ifndef _O_RDONLY
#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000
#endif
#ifndef _S_IREAD
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080
#endif

int _open(const char* path, int flags, ...);
int _write(int fd, const void* buffer, unsigned int count);
int _close(int fd);
