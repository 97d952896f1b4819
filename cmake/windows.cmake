# The Windows build (MinGW-w64): the program's sources against the real Win32 and DirectDraw
# headers, the resources through windres, and the Windows test programs that run under Wine.
include(cmake/sources.cmake)
enable_language(RC)

# Everything linked statically: the program and its test programs import system DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)

add_library(sarvello_core STATIC ${SARVELLO_SOURCES})
target_include_directories(sarvello_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
# The resource identifiers (resource.h) that the program shares with its resource script.
target_include_directories(sarvello_core PUBLIC ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(sarvello_core PUBLIC ddraw user32 gdi32 winmm)
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

# A Windows program run under Wine by the e2e harness, as CTest test e2e.NAME (label e2e); the
# extra arguments go to the harness (e.g. --collect 'C:\\windows\\torvanecode.log'), those after
# ARGS to the program.
set(SARVELLO_E2E_ARTIFACTS ${CMAKE_BINARY_DIR}/e2e-artifacts)
function(sarvello_e2e_test name target)
  cmake_parse_arguments(PARSE_ARGV 2 E2E "" "" "ARGS")
  add_test(NAME e2e.${name}
           COMMAND ${CMAKE_SOURCE_DIR}/e2e/harness/run.sh --name ${name}
                   --artifacts ${SARVELLO_E2E_ARTIFACTS}/${name} ${E2E_UNPARSED_ARGUMENTS}
                   -- $<TARGET_FILE:${target}> ${E2E_ARGS})
  set_tests_properties(e2e.${name} PROPERTIES LABELS e2e TIMEOUT 300)
endfunction()

# Sarvello.scr, the program: a GUI program marked for 4.0-era loaders (the display settings of that
# generation refuse a newer subsystem version), with its version resource and manifest.
add_library(sarvello_program_resources OBJECT resources/version.rc)
add_executable(sarvello WIN32 src/frame/win_main.cpp $<TARGET_OBJECTS:sarvello_resources>
                              $<TARGET_OBJECTS:sarvello_program_resources>)
set_target_properties(sarvello PROPERTIES OUTPUT_NAME Sarvello SUFFIX .scr)
target_link_libraries(sarvello PRIVATE sarvello_core)
target_link_options(sarvello PRIVATE -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0)

add_subdirectory(tests/conformance)
add_subdirectory(e2e)
