# The real Sarvello.scr in each of its run modes under Wine, driven by XTEST input from the harness
# and by helper programs that play the system's part (the display settings, a second start, the
# configuration dialog's user); test libraries stand in for PASSWORD.CPL and MPR.DLL.

# Helper programs: plain Win32, nothing of the program linked in; each starts Sarvello.scr from its
# own folder (C:\sarvello under the harness, where --with puts the program too).
foreach(helper saver_session bring_forward preview_host config_driver)
  add_executable(${helper} programs/${helper}.cpp)
  target_link_libraries(${helper} PRIVATE user32 gdi32)
endforeach()
target_link_libraries(config_driver PRIVATE advapi32)

# The test libraries under the names the program loads; --kill-at exports the 32-bit build's
# stdcall functions without their @N, as the system's own libraries do.
add_library(password_cpl SHARED programs/password_cpl.cpp)
set_target_properties(password_cpl PROPERTIES PREFIX "" OUTPUT_NAME PASSWORD SUFFIX .CPL)
add_library(mpr_dll SHARED programs/mpr_dll.cpp)
set_target_properties(mpr_dll PROPERTIES PREFIX "" OUTPUT_NAME MPR SUFFIX .DLL)
foreach(library password_cpl mpr_dll)
  target_link_libraries(${library} PRIVATE user32)
  target_link_options(${library} PRIVATE -Wl,--kill-at)
endforeach()
