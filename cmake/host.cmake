# The Linux host build: the program's sources against winsim, the tests, tools and benchmarks.
include(cmake/sources.cmake)
include(cmake/heart.cmake)

sarvello_embed_resources(${CMAKE_BINARY_DIR}/generated/program_resources.cpp)
add_subdirectory(winsim)

add_library(sarvello_core STATIC ${SARVELLO_SOURCES} $<TARGET_OBJECTS:sarvello_heart_objects>)
target_include_directories(sarvello_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
# The resource identifiers (resource.h) that the program shares with its resource script.
target_include_directories(sarvello_core PUBLIC ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(sarvello_core PUBLIC winsim)

if(SARVELLO_FUZZ)
  add_subdirectory(fuzz)
  return()
endif()

find_package(GTest REQUIRED)
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(benchmark REQUIRED)
include(GoogleTest)

add_subdirectory(tools)
add_subdirectory(tests)
add_subdirectory(bench)
