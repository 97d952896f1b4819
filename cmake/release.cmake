# The release archive of the 32-bit program, dist/Sarvello-<version>-win32.zip: the checked,
# stripped Sarvello.scr and the readme a Windows user opens in Notepad
# (resources/release/README.TXT, kept CR LF in the repository). `cmake --build --preset release`
# (the target `release` of the win32 build) makes it. The program checks of tests/program run
# first, so an archive is never made of a program that breaks its promises; the previous archive
# is removed before them and the new one appears whole, under its name, only at the end.
set(SARVELLO_RELEASE_ZIP ${CMAKE_SOURCE_DIR}/dist/Sarvello-${PROJECT_VERSION}-win32.zip)
set(SARVELLO_RELEASE_README ${CMAKE_SOURCE_DIR}/resources/release/README.TXT)
set(_stage ${CMAKE_BINARY_DIR}/release)
set(_check ${CMAKE_SOURCE_DIR}/tests/program/check_program.sh)
set(_imports ${CMAKE_SOURCE_DIR}/tests/program/imports.txt)
add_custom_command(
  OUTPUT ${SARVELLO_RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${SARVELLO_RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP} OBJCOPY=${CMAKE_OBJCOPY}
          ${_check} $<TARGET_FILE:sarvello> $<TARGET_FILE_DIR:sarvello>/Sarvello.symbols.scr ${_imports}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage} ${CMAKE_SOURCE_DIR}/dist
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:sarvello> ${SARVELLO_RELEASE_README} ${_stage}
  COMMAND ${CMAKE_COMMAND} -E chdir ${_stage}
          ${CMAKE_COMMAND} -E tar cf ${SARVELLO_RELEASE_ZIP}.part --format=zip Sarvello.scr README.TXT
  COMMAND ${CMAKE_COMMAND} -E rename ${SARVELLO_RELEASE_ZIP}.part ${SARVELLO_RELEASE_ZIP}
  DEPENDS sarvello ${SARVELLO_RELEASE_README} ${_check} ${_imports}
  COMMENT "Checking Sarvello.scr and packing it with README.TXT into ${SARVELLO_RELEASE_ZIP}"
  VERBATIM)
add_custom_target(release DEPENDS ${SARVELLO_RELEASE_ZIP})
