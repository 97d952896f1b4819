# The real Sarvello.scr in each of its run modes under Wine, driven by XTEST input from the harness
# and by helper programs that play the system's role (the display settings, a second start, the
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

# The checks these runs use beyond rain.sh fail where they must (no Wine, about 2 s).
add_test(NAME e2e.checks.lines_black_slow COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/checks/checks_test.sh)
set_tests_properties(e2e.checks.lines_black_slow PROPERTIES LABELS e2e TIMEOUT 60)

set(SAVER_FILE $<TARGET_FILE:sarvello>)
set(SAVER_KEY "HKCU\\Software\\Brenmoor\\Sarvello")
# Wine's one display device (its DirectDraw device identifier, the same in every prefix), as the
# settings name its sub-key: Data4's byte 0x07 is written " 7".
set(DEVICE_KEY "${SAVER_KEY}\\AEB2CDD4-6E41-43EA-941C-8361CC76 781")
set(APP_DEFAULTS "HKCU\\Software\\Wine\\AppDefaults")
set(WINE_FLAGS "HKCU\\Software\\Wine\\Temporary System Parameters")
set(CHECKS ${CMAKE_CURRENT_SOURCE_DIR}/checks)
# Wine's virtual desktop shows this blue wherever no window covers it.
set(DESKTOP 32,109,148)
set(DESKTOP_PROBES 100,100=${DESKTOP} 400,300=${DESKTOP} 700,500=${DESKTOP} 900,700=${DESKTOP} 1000,740=${DESKTOP})

# Adds the checks of one run: NAME CHECK-COMMAND... pairs given as separate add_saver_check calls.
function(add_saver_check run check)
  add_test(NAME e2e.${run}.${check} COMMAND ${ARGN})
  set_tests_properties(e2e.${run}.${check} PROPERTIES LABELS e2e FIXTURES_REQUIRED ${run}_run)
endfunction()

# Full screen, closed by the mouse: moves of 1-2 pixels around the start close nothing (the rain
# goes on), the first click's close request is trapped (the rain still goes on), the second click
# ends the saver with exit code 0; the desktop is back in its 1024 x 768 mode afterwards, showing
# Wine's blue everywhere instead of the 800 x 600 picture.
sarvello_e2e_test(saver_input saver_session --timeout 60 --with ${SAVER_FILE}
                  --action 11:shot:rain1 --action 11.6:shot:rain2
                  --action 12.2:move:513,384 --action 12.4:move:512,385 --action 12.6:move:511,384
                  --action 12.8:move:512,383 --action 13:move:512,384 --action 13.5:shot:jitter
                  --action 14.2:click:1 --action 15:shot:clicked --action 15.6:click:1
                  --action 15.7:wait-file:C:\\sarvello\\run1.ended --action 15.8:shot:desktop
                  --collect "C:\\windows\\torvanecode_fs.log" --collect "C:\\sarvello\\windows.txt"
                  ARGS --linger 1500 0=/s)
set_tests_properties(e2e.saver_input PROPERTIES FIXTURES_SETUP saver_input_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_input)
add_saver_check(saver_input rain ${CHECKS}/rain.sh ${art}/rain1.png ${art}/rain2.png 0,0,800,600)
add_saver_check(saver_input jitter_and_first_click ${CHECKS}/rain.sh ${art}/jitter.png ${art}/clicked.png 0,0,800,600)
add_saver_check(saver_input session ${CHECKS}/session.sh ${art}/torvanecode_fs.log)
add_saver_check(saver_input close_requests ${CHECKS}/lines.sh ${art}/torvanecode_fs.log
                "2=[STATE] WM_CLOSE detected" "1=[STATE] Trapped WM_CLOSE message")
add_saver_check(saver_input desktop_back ${CHECKS}/pixel.sh ${art}/desktop.png ${DESKTOP_PROBES})
add_saver_check(saver_input window ${CHECKS}/lines.sh ${art}/windows.txt
                "1=run 1: class \"WindowsScreenSaverClass\" title \"Screen Saver\" at 0,0 size 800x600" "1=run 1:")

# Stored settings take effect: 640 x 480 and a frame delay of 4 s ("Speed" 4000) for Wine's device.
# Four shots within about 1.5 s span at most one new frame, one 8.8 s after the first shows
# another (Wine shows only every second flip of the drawing thread while the window's thread gets
# no messages, so a still saver's picture changes every 8 s); the rain fills 640 x 480 only. Real mouse moves end it (the first move after the first frame only marks
# the start, the second's close request is trapped, the third closes), and the desktop comes back.
sarvello_e2e_test(saver_settings saver_session --timeout 60 --with ${SAVER_FILE}
                  --reg-add ${SAVER_KEY} Speed REG_DWORD 4000
                  --reg-add ${DEVICE_KEY} Width REG_DWORD 640 --reg-add ${DEVICE_KEY} Height REG_DWORD 480
                  --action 11:shot:slow1 --action 11.4:shot:slow2 --action 11.8:shot:slow3 --action 12.2:shot:slow4
                  --action 19.8:shot:slow5
                  --action 20.3:move:600,450 --action 20.8:move:400,300 --action 21.3:move:200,150
                  --action 21.8:move:100,100
                  --action 21.9:wait-file:C:\\sarvello\\run1.ended --action 22:shot:desktop
                  --reg-export ${SAVER_KEY}
                  --collect "C:\\windows\\torvanecode_fs.log" --collect "C:\\sarvello\\windows.txt"
                  ARGS --linger 1500 0=/s)
set_tests_properties(e2e.saver_settings PROPERTIES FIXTURES_SETUP saver_settings_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_settings)
add_saver_check(saver_settings rain ${CHECKS}/rain.sh ${art}/slow1.png ${art}/slow5.png 0,0,640,480)
add_saver_check(saver_settings speed ${CHECKS}/slow.sh 1 ${art}/slow1.png ${art}/slow2.png ${art}/slow3.png
                ${art}/slow4.png)
add_saver_check(saver_settings session ${CHECKS}/session.sh ${art}/torvanecode_fs.log)
add_saver_check(saver_settings close_requests ${CHECKS}/lines.sh ${art}/torvanecode_fs.log
                "2=[STATE] WM_CLOSE detected" "1=[STATE] Trapped WM_CLOSE message")
add_saver_check(saver_settings desktop_back ${CHECKS}/pixel.sh ${art}/desktop.png ${DESKTOP_PROBES})
add_saver_check(saver_settings window ${CHECKS}/lines.sh ${art}/windows.txt
                "1=run 1: class \"WindowsScreenSaverClass\" title \"Screen Saver\" at 0,0 size 640x480" "1=run 1:")
# The settings written by hand are the ones used: no second device key with defaults appeared.
add_saver_check(saver_settings registry ${CHECKS}/lines.sh ${art}/HKCU_Software_Brenmoor_Sarvello.reg.txt
                "2=HKEY_CURRENT_USER\\Software\\Brenmoor\\Sarvello" "1=Sarvello\\AEB2CDD4-6E41-43EA-941C-8361CC76 781"
                "1=\"Speed\"=dword:00000fa0"
                "1=\"Width\"=dword:00000280" "1=\"Height\"=dword:000001e0" "1=\"Density\"=dword:0000012c")

# "Density" 0: the full-screen saver runs (in the 800 x 600 mode, so Wine's desktop does not show)
# and shows a black picture that rain.sh refuses. A second "Sarvello.scr /s" started meanwhile (by
# bring_forward.exe, after its own window took the foreground; the first saver's close request on
# losing it is trapped) ends with 0 at once, shows nothing and leaves the first saver in the
# foreground; a key then ends the first with 0, one session in its log. On the NT family the saver
# never tells the system that a saver runs: Wine keeps no "WINE_ScreenSaverRunning" then.
sarvello_e2e_test(saver_black sarvello --timeout 60 --with $<TARGET_FILE:bring_forward>
                  --reg-add ${DEVICE_KEY} Density REG_DWORD 0
                  --action 11:shot:black1 --action 12:shot:black2 --action 12.5:runwait:bring_forward.exe
                  --action 13:key:space --action 14:key?:space
                  --reg-export ${SAVER_KEY} --reg-export ${WINE_FLAGS}
                  --collect "C:\\windows\\torvanecode_fs.log" ARGS /s)
set_tests_properties(e2e.saver_black PROPERTIES FIXTURES_SETUP saver_black_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_black)
add_saver_check(saver_black picture ${CHECKS}/black.sh ${art}/black1.png ${art}/black2.png 0,0,800,600)
add_saver_check(saver_black session ${CHECKS}/session.sh ${art}/torvanecode_fs.log)
add_saver_check(saver_black one_session ${CHECKS}/lines.sh ${art}/torvanecode_fs.log
                "1=[InitErrorMsg] DEBUG SESSION STARTED" "1=[STATE] Trapped WM_CLOSE message"
                "1=[DrawTorvane] Thread created")
add_saver_check(saver_black registry ${CHECKS}/lines.sh ${art}/HKCU_Software_Brenmoor_Sarvello.reg.txt
                "2=HKEY_CURRENT_USER\\Software\\Brenmoor\\Sarvello" "1=Sarvello\\AEB2CDD4-6E41-43EA-941C-8361CC76 781"
                "1=\"Density\"=dword:00000000")
add_saver_check(saver_black no_running_flag ${CHECKS}/lines.sh
                ${art}/HKCU_Software_Wine_Temporary_System_Parameters.reg.txt "0=WINE_ScreenSaverRunning"
                "1=[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop]")

# The preview: preview_host.exe plays the display settings (see its opening comment): the saver's
# window becomes a 152 x 112 child of the preview area, ignores input, passes a context-menu
# request on, and the saver ends with 0 once the settings' window is destroyed. Wine does not show
# DirectDraw drawing into a child of another process's window, so the pixels are not judged here;
# the log shows the windowed device and the drawing thread's whole life.
sarvello_e2e_test(saver_preview preview_host --timeout 60 --with ${SAVER_FILE}
                  --action 0:wait-file:C:\\sarvello\\preview.shown --action 0:shot:preview
                  --collect "C:\\windows\\torvanecode.log")
set_tests_properties(e2e.saver_preview PROPERTIES FIXTURES_SETUP saver_preview_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_preview)
add_saver_check(saver_preview session ${CHECKS}/session.sh ${art}/torvanecode.log)
add_saver_check(saver_preview windowed_device ${CHECKS}/lines.sh ${art}/torvanecode.log
                "1=LOG_GOSSIP: [WM_CREATE] Windowed mode"
                "1=LOG_GOSSIP: [DDrawManager::CreateDirectDraw] Back buffer surface created (not fullscreen)"
                "1=LOG_INFO: [WM_CREATE] DirectDraw object created for preview screen" "0=Display mode set"
                "1=LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane" "1=LOG_INFO: [DrawTorvane] Thread ended")

# The preview with the display settings dragged so that the preview area reaches past the right
# edge of the 1024 x 768 screen (x 950..1101), and wholly past it (x 1100..1251). The saver must
# run on near idle (a copy refused for leaving the screen used to be retried at once, for ever,
# and the owner's DestroyWindow never returned) and end with its owner. The CPU samples come from the harness, of the saver's
# own process, over the 6 s between preview.steady and preview.late; the limit is generous for a
# shared machine: the 152 x 112 rain at 30 ms took 0.5-1% here, the endless retry 32% (its
# wineserver 35% more).
foreach(placement edge:950,130 off:1100,130)
  string(REPLACE ":" ";" fields ${placement})
  list(GET fields 0 where)
  list(GET fields 1 at)
  sarvello_e2e_test(saver_preview_${where} preview_host --timeout 90 --with ${SAVER_FILE}
                    --action 0:wait-file:C:\\sarvello\\preview.shown --action 0:shot:preview
                    --action 0:wait-file:C:\\sarvello\\preview.steady --action 0:cpu:steady
                    --action 0:wait-file:C:\\sarvello\\preview.late --action 0:cpu:late
                    --collect "C:\\windows\\torvanecode.log" ARGS --area-at ${at} --steady-ms 7000)
  set_tests_properties(e2e.saver_preview_${where} PROPERTIES FIXTURES_SETUP saver_preview_${where}_run)
  set(art ${SARVELLO_E2E_ARTIFACTS}/saver_preview_${where})
  add_saver_check(saver_preview_${where} session ${CHECKS}/session.sh ${art}/torvanecode.log)
  add_saver_check(saver_preview_${where} idle ${CHECKS}/cpu.sh ${art}/saver_preview_${where}.cpu.txt Sarvello.scr
                  steady late 15)
  add_saver_check(saver_preview_${where} presented ${CHECKS}/lines.sh ${art}/torvanecode.log
                  "1=LOG_INFO: [WM_CREATE] DirectDraw object created for preview screen"
                  "0=Unable to present the cleared buffer" "0=Drawing thread did not end")
endforeach()

# The configuration dialog in its own process, worked by config_driver.exe (see its opening
# comment) from stored values: /c:<owner> shows them, 450 and 150 typed and OK store 400 and 100;
# /c then shows those, and Cancel after other input stores nothing, as the export shows.
sarvello_e2e_test(saver_config config_driver --timeout 60 --with ${SAVER_FILE}
                  --reg-add ${SAVER_KEY} Speed REG_DWORD 40
                  --reg-add ${DEVICE_KEY} Density REG_DWORD 123 --reg-add ${DEVICE_KEY} HighlightDensity REG_DWORD 45
                  --reg-add ${DEVICE_KEY} Width REG_DWORD 640 --reg-add ${DEVICE_KEY} Height REG_DWORD 480
                  --action 0:wait-file:C:\\sarvello\\dialog1.shown --action 0:shot:dialog1
                  --action 0:wait-file:C:\\sarvello\\dialog1.typed --action 0:shot:typed1
                  --reg-export ${SAVER_KEY})
set_tests_properties(e2e.saver_config PROPERTIES FIXTURES_SETUP saver_config_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_config)
add_saver_check(saver_config registry ${CHECKS}/lines.sh ${art}/HKCU_Software_Brenmoor_Sarvello.reg.txt
                "2=HKEY_CURRENT_USER\\Software\\Brenmoor\\Sarvello" "1=Sarvello\\AEB2CDD4-6E41-43EA-941C-8361CC76 781"
                "1=\"Density\"=dword:00000190"
                "1=\"HighlightDensity\"=dword:00000064" "1=\"Speed\"=dword:00000064" "1=\"Width\"=dword:00000280"
                "1=\"Height\"=dword:000001e0")
# The dialog as drawn over its owner: its face, the white density box, Wine's desktop beside it.
add_saver_check(saver_config picture ${CHECKS}/pixel.sh ${art}/dialog1.png 100,300=246,246,246 60,190=255,255,255
                800,300=${DESKTOP})

# The 95/98 family (Wine's per-program version win98) with "ScreenSaveUsePassword" 1 and the test
# PASSWORD.CPL and MPR.DLL beside the program (Wine told to prefer that MPR.DLL to its own). First
# "/a <owner>" hands over to PwdChangePasswordA with "SCRSAVE". Then /s: a key's close request is
# trapped, the next asks the verifier, whose password dialog refuses (the rain goes on once it has
# closed), the next asks again and is accepted: exit 0. The saver tells the system that a saver
# runs while the verifier is loaded: the library sees 0 when loaded, 1 at both calls and when
# unloaded, and Wine's copy of the flag is 0 after the run. The stored resolution, 1234 x 567, is
# no mode of the device: the saver runs in its first mode, 320 x 200, and the registry keeps it.
# The pointer is moved into that corner before the saver starts: the keys reach Wine's desktop
# window only while the pointer is over it.
sarvello_e2e_test(saver_password saver_session --timeout 60 --with ${SAVER_FILE}
                  --with $<TARGET_FILE:password_cpl> --with $<TARGET_FILE:mpr_dll>
                  --with ${CMAKE_CURRENT_SOURCE_DIR}/programs/password_answers.txt
                  --reg-add ${APP_DEFAULTS}\\Sarvello.scr Version REG_SZ win98
                  --reg-add ${APP_DEFAULTS}\\Sarvello.scr\\DllOverrides mpr REG_SZ native
                  --reg-add "HKCU\\Control Panel\\Desktop" ScreenSaveUsePassword REG_DWORD 1
                  --reg-add ${DEVICE_KEY} Width REG_DWORD 1234 --reg-add ${DEVICE_KEY} Height REG_DWORD 567
                  --action 0:move:160,100 --action 0:wait-file:C:\\sarvello\\run2.started
                  --action 13:shot:rain1 --action 14:key:space --action 15.5:key:space
                  --action 17.5:shot:refused1 --action 18:shot:refused2 --action 19:key:space
                  --action 19.1:wait-file:C:\\sarvello\\run2.ended
                  --reg-export ${SAVER_KEY} --reg-export ${WINE_FLAGS}
                  --collect "C:\\sarvello\\password_calls.txt" --collect "C:\\sarvello\\mpr_calls.txt"
                  --collect "C:\\sarvello\\windows.txt" --collect "C:\\windows\\torvanecode_fs.log"
                  ARGS --linger 500 "0=/a %HWND%" 0=/s)
set_tests_properties(e2e.saver_password PROPERTIES FIXTURES_SETUP saver_password_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_password)
add_saver_check(saver_password rain ${CHECKS}/rain.sh ${art}/rain1.png ${art}/refused1.png 0,0,320,200)
add_saver_check(saver_password rain_after_refusal ${CHECKS}/rain.sh ${art}/refused1.png ${art}/refused2.png 0,0,320,200)
add_saver_check(saver_password verifier ${CHECKS}/lines.sh ${art}/password_calls.txt
                "1=loaded: screen saver running 0"
                "1=call 1: window of class WindowsScreenSaverClass, screen saver running 1, password dialog shown, refused"
                "1=call 2: window of class WindowsScreenSaverClass, screen saver running 1, password dialog shown, accepted"
                "1=unloaded after 2 call(s): screen saver running 1" "0=call 3")
add_saver_check(saver_password running_flag_off ${CHECKS}/lines.sh
                ${art}/HKCU_Software_Wine_Temporary_System_Parameters.reg.txt "1=\"WINE_ScreenSaverRunning\"=\"0\"")
add_saver_check(saver_password change_password ${CHECKS}/lines.sh ${art}/mpr_calls.txt
                "1=PwdChangePasswordA provider \"SCRSAVE\" window " "1= (a window) reserved 0 0")
add_saver_check(saver_password session ${CHECKS}/session.sh ${art}/torvanecode_fs.log)
add_saver_check(saver_password close_requests ${CHECKS}/lines.sh ${art}/torvanecode_fs.log
                "3=[STATE] WM_CLOSE detected" "1=[STATE] Trapped WM_CLOSE message" "2=[SCRM_VERIFYPW] Message detected")
add_saver_check(saver_password windows ${CHECKS}/lines.sh ${art}/windows.txt "0=run 1:"
                "1=run 2: class \"WindowsScreenSaverClass\" title \"Screen Saver\" at 0,0 size 320x200"
                "2=run 2: class \"#32770\" title \"Windows Screen Saver\"")
add_saver_check(saver_password registry_kept ${CHECKS}/lines.sh ${art}/HKCU_Software_Brenmoor_Sarvello.reg.txt
                "1=\"Width\"=dword:000004d2" "1=\"Height\"=dword:00000237")

# Switches that are no run mode, a preview without a window, and /a outside the 95/98 family:
# each ends with -1 and shows no window.
sarvello_e2e_test(saver_switches saver_session --timeout 60 --with ${SAVER_FILE}
                  --collect "C:\\sarvello\\windows.txt"
                  ARGS -1=/x -1=/1 -1=/p "-1=/p 0" "-1=/p 99999" -1=/a)
set_tests_properties(e2e.saver_switches PROPERTIES FIXTURES_SETUP saver_switches_run)
add_saver_check(saver_switches nothing_shown ${CHECKS}/lines.sh ${SARVELLO_E2E_ARTIFACTS}/saver_switches/windows.txt
                "0=run " "1=# visible top-level windows")

# A failure the user must see: on Wine's own desktop of the X screen (no virtual desktop, for the
# saver and for the helper that watches it), the stored 800 x 600 cannot be set. Exactly one
# message box shows the kept message; once Return dismisses it the saver ends with -1 (no window
# could be made) and nothing else shows. What lies behind the box is Wine's own: the 64-bit Wine
# leaves the bare X screen black there, the 32-bit one paints its blue desktop.
sarvello_e2e_test(saver_message_box saver_session --timeout 60 --with ${SAVER_FILE}
                  --reg-add ${APP_DEFAULTS}\\Sarvello.scr\\Explorer Desktop REG_SZ Plain
                  --reg-add ${APP_DEFAULTS}\\saver_session.exe\\Explorer Desktop REG_SZ Plain
                  --action 0:wait-file:C:\\sarvello\\box1.shown --action 0.5:shot:box --action 1:key:Return
                  --action 1:wait-file:C:\\sarvello\\run1.ended
                  --collect "C:\\windows\\torvanecode_fs.log" --collect "C:\\sarvello\\windows.txt"
                  ARGS --linger 500 --timeout 30000 -1=/s)
set_tests_properties(e2e.saver_message_box PROPERTIES FIXTURES_SETUP saver_message_box_run)
set(art ${SARVELLO_E2E_ARTIFACTS}/saver_message_box)
add_saver_check(saver_message_box one_box ${CHECKS}/lines.sh ${art}/windows.txt "1=run 1:"
                "1=run 1: class \"#32770\" title \"Sarvello v1.30\""
                "1=text \"Unable to set display mode. Try a diffrent resolution setting\"")
add_saver_check(saver_message_box picture ${CHECKS}/pixel.sh ${art}/box.png 512,420=246,246,246 450,420=246,246,246
                600,400=246,246,246)
add_saver_check(saver_message_box log ${CHECKS}/lines.sh ${art}/torvanecode_fs.log
                "1=LOG_ERROR: Unable to set display mode. Try a diffrent resolution setting" "1=LOG_ERROR:"
                "1+=LOG_INFO: [Cleanup] Deallocating all objects" "0=[DrawTorvane] Thread created")
