# The program's own sources, shared by both platforms. Every folder of src/ adds its files here.

# The heart: the rain model, frame composition, the blitters, the glyph set and its conversion, and
# FixedString. It includes no platform header and no other folder of src/, and is compiled with
# nothing but the standard library on its include path (cmake/heart.cmake).
set(SARVELLO_HEART_SOURCES
  src/heart/fixed_string.cpp
  src/heart/graphics_loader.cpp
  src/heart/draw_switch.cpp
  src/heart/rain_model.cpp
  src/heart/blitters.cpp
  src/heart/compose_rain.cpp
)

# The rest of the program, on the platform's header (src/platform/win32.h).
set(SARVELLO_SOURCES
  src/diag/debug_log.cpp
  src/diag/log_file.cpp
  src/diag/hex_text.cpp
  src/display/ddraw_library.cpp
  src/display/screen_list.cpp
  src/display/select_mode.cpp
  src/display/ddraw_manager.cpp
  src/display/create_direct_draw.cpp
  src/display/frame_access.cpp
  src/rain/random.cpp
  src/rain/shared_flags.cpp
  src/rain/screen_rain.cpp
  src/rain/compose_frame.cpp
  src/rain/draw_torvane.cpp
  src/app/app_objects.cpp
  src/app/app_state.cpp
  src/app/app_window.cpp
  src/app/create_saver.cpp
  src/app/cleanup.cpp
  src/frame/frame_state.cpp
  src/frame/password.cpp
  src/frame/run_modes.cpp
  src/frame/saver_window.cpp
  src/settings/registry_dword.cpp
  src/settings/screen_key_name.cpp
  src/settings/read_settings.cpp
  src/settings/config_dialog.cpp
  src/settings/config_dialog_store.cpp
)
