# The heart as a library of its own: compiled once, linked into the program with the rest of its
# sources (sarvello_core) and on its own (sarvello_heart) into whatever draws through the heart
# alone — the renderer, the golden frames, the benchmarks.
#
# The heart's files include one another by their bare names, so they compile with no include
# directory at all, nothing but the standard library: a header of the platform or of another folder
# of src/ is simply not found. The host build proves it at every build, since there even windows.h
# is winsim's and comes only with the winsim target.
add_library(sarvello_heart_objects OBJECT ${SARVELLO_HEART_SOURCES})

# Its users name its headers as the program does ("heart/blitters.h") and see no other folder.
set(SARVELLO_HEART_INCLUDE ${CMAKE_BINARY_DIR}/heart_alone)
file(MAKE_DIRECTORY ${SARVELLO_HEART_INCLUDE})
file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/heart ${SARVELLO_HEART_INCLUDE}/heart SYMBOLIC)
add_library(sarvello_heart STATIC $<TARGET_OBJECTS:sarvello_heart_objects>)
target_include_directories(sarvello_heart INTERFACE ${SARVELLO_HEART_INCLUDE})

# The rain of one screen in a plain buffer, with the program's glyphs built in: how the renderer,
# the golden frames and the benchmarks draw through the heart alone.
sarvello_embed_glyph_file(${CMAKE_BINARY_DIR}/generated/glyph_file.cpp)
add_library(rain_buffer STATIC tools/common/rain_buffer.cpp ${CMAKE_BINARY_DIR}/generated/glyph_file.cpp)
target_include_directories(rain_buffer PUBLIC ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(rain_buffer PUBLIC sarvello_heart)
