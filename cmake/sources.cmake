# The program's own sources, shared by both platforms. Every folder of src/ adds its files here.
set(SARVELLO_SOURCES
  src/diag/fixed_string.cpp
  src/diag/debug_log.cpp
  src/diag/log_file.cpp
  src/glyphs/graphics_loader.cpp
  src/display/screen_list.cpp
  src/display/ddraw_manager.cpp
  src/display/create_direct_draw.cpp
  src/display/frame_access.cpp
  src/rain/random.cpp
  src/rain/shared_flags.cpp
  src/rain/rain_model.cpp
  src/rain/blitters.cpp
  src/rain/compose_frame.cpp
  src/rain/draw_torvane.cpp
  src/app/app_objects.cpp
)
