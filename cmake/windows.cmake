# The Windows build (MinGW-w64): the program's sources against the real Win32 and DirectDraw
# headers, the resources through windres, and the Windows test programs that run under Wine.
include(cmake/sources.cmake)
include(cmake/heart.cmake)
enable_language(RC)

# Everything linked statically: the program and its test programs import system DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)

add_library(sarvello_core STATIC ${SARVELLO_SOURCES} $<TARGET_OBJECTS:sarvello_heart_objects>)
target_include_directories(sarvello_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
# The resource identifiers (resource.h) that the program shares with its resource script.
target_include_directories(sarvello_core PUBLIC ${CMAKE_SOURCE_DIR}/resources)
# DirectDraw is not among them: the program looks it up at run time (a Windows 95 without DirectX
# has no ddraw.dll); the programs that call it directly link it themselves.
target_link_libraries(sarvello_core PUBLIC user32 gdi32 winmm)
# The configuration dialog: its trackbar (comctl32) and the settings in the registry (advapi32).
target_link_libraries(sarvello_core PUBLIC comctl32 advapi32)

# The resources as one object library, so that every Windows program carries DATAFILE 111.
add_library(sarvello_resources OBJECT ${SARVELLO_RC})
target_include_directories(sarvello_resources PRIVATE ${CMAKE_SOURCE_DIR}/resources)

# GoogleTest from the distribution's sources, built with the cross compiler, for the Windows
# halves of the conformance suite and the e2e programs.
set(SARVELLO_GTEST_SRC /usr/src/googletest/googletest CACHE PATH "GoogleTest sources")
add_library(gtest_win STATIC ${SARVELLO_GTEST_SRC}/src/gtest-all.cc ${SARVELLO_GTEST_SRC}/src/gtest_main.cc)
target_include_directories(gtest_win SYSTEM PUBLIC ${SARVELLO_GTEST_SRC}/include PRIVATE ${SARVELLO_GTEST_SRC})
target_compile_options(gtest_win PRIVATE -w)

# Sarvello.scr, the program. It runs on Windows 95/98 and NT 4.0/2000 on a Pentium, so its code
# keeps to the Pentium's instructions (no CMOV, MMX or SSE on 32-bit x86), and nothing of a C or C++
# runtime is linked (the first Windows 95 has no msvcrt.dll): its own runtime (src/runtime) is its
# entry, which needs no C runtime's start-up, its allocation over the process heap and the few
# memory and string functions that it and the compiler call; and it never throws. The program's
# sources in sarvello_core are compiled the same way; the Windows test programs that link them keep
# the C runtime.
set(SARVELLO_PROGRAM_COMPILE_OPTIONS -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                                     -ffunction-sections -fdata-sections -O2)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND SARVELLO_PROGRAM_COMPILE_OPTIONS -march=i586 -mtune=pentium)
  set(SARVELLO_SYMBOL_PREFIX _)  # the 32-bit system's C names begin with an underscore
else()
  set(SARVELLO_SYMBOL_PREFIX "")
endif()
target_compile_options(sarvello_core PRIVATE ${SARVELLO_PROGRAM_COMPILE_OPTIONS})
target_compile_options(sarvello_heart_objects PRIVATE ${SARVELLO_PROGRAM_COMPILE_OPTIONS})
# The frame benchmark (bench/) is linked as the program is; what it links besides the heart needs
# no C runtime either.
target_compile_options(rain_buffer PRIVATE ${SARVELLO_PROGRAM_COMPILE_OPTIONS})

# The program's own runtime beside its entry: allocation over the process heap and the memory and
# string functions, shared with the frame benchmark, which measures the heart with them.
add_library(sarvello_runtime OBJECT src/runtime/heap.cpp src/runtime/memory.cpp)
target_compile_options(sarvello_runtime PRIVATE ${SARVELLO_PROGRAM_COMPILE_OPTIONS})
target_include_directories(sarvello_runtime PRIVATE ${CMAKE_SOURCE_DIR}/src)

# A GUI program marked for 4.0-era loaders (the display settings of that generation refuse a newer
# subsystem version), with its version resource and manifest. What is linked is listed in full:
# the system DLLs' import libraries and libgcc for what the compiler itself may call.
add_library(sarvello_program_resources OBJECT resources/version.rc)
add_executable(sarvello WIN32 src/runtime/entry.cpp $<TARGET_OBJECTS:sarvello_runtime>
                              $<TARGET_OBJECTS:sarvello_resources>
                              $<TARGET_OBJECTS:sarvello_program_resources>)
set_target_properties(sarvello PROPERTIES OUTPUT_NAME Sarvello SUFFIX .scr)
target_compile_options(sarvello PRIVATE ${SARVELLO_PROGRAM_COMPILE_OPTIONS})
target_include_directories(sarvello PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_options(sarvello PRIVATE -nostdlib -Wl,-e,${SARVELLO_SYMBOL_PREFIX}SaverEntry -Wl,--gc-sections
                    -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
                    -Wl,--image-base,0x400000 -Wl,--disable-dynamicbase)
target_link_libraries(sarvello PRIVATE $<LINK_ONLY:sarvello_core> user32 gdi32 winmm comctl32
                      advapi32 kernel32 gcc)
# The memory and string functions must not be compiled into calls of themselves: the optimiser
# turns a copying or filling loop into a call of memcpy or memset.
set_source_files_properties(src/runtime/memory.cpp PROPERTIES COMPILE_OPTIONS
                            "-ffreestanding;-fno-builtin;-fno-tree-loop-distribute-patterns")
# The shipped file carries no symbols; Sarvello.symbols.scr keeps them, at the same addresses, for
# the check that names the function holding a disallowed instruction.
add_custom_command(TARGET sarvello POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:sarvello>
                           $<TARGET_FILE_DIR:sarvello>/Sarvello.symbols.scr
                   COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:sarvello>
                   VERBATIM)

# The promises of the 32-bit program to the systems of its generation, and its release archive.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_subdirectory(tests/program)
  include(cmake/release.cmake)
  add_subdirectory(tests/release)
endif()
add_subdirectory(tests/conformance)
add_subdirectory(e2e)
add_subdirectory(bench)
