# Cross toolchain for the 64-bit build of the same sources (PE32+, x86_64 MinGW-w64): proves the
# code 64-bit clean, and is the flavour run under Wine on hosts that cannot execute 32-bit code.
# The posix thread model: the C++ library's threads and mutexes exist (GoogleTest needs them);
# linked statically like the rest, so nothing but system DLLs is imported.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
