"""The real Sarvello.scr under Wine in each of its run modes, driven as the system and a user would:
XTEST input from the test, and helper programs (e2e/programs) that play the system's role: the
screen-saver machinery (saver_session.exe), a second start (bring_forward.exe), the display
settings' preview (preview_host.exe), the configuration dialog's user (config_driver.exe); test
libraries stand in for PASSWORD.CPL and MPR.DLL. Each helper starts the saver from C:\\sarvello."""

import time
from pathlib import Path

import pytest

import checks
from checks import AtLeast
from saver import (APP_DEFAULTS, CLOSE_DETECTED, DESKTOP, DESKTOP_BLUE, DESKTOP_KEY, DEVICE_KEY, FULL_SCREEN_LOG, LOG,
                   MODE_320, MODE_640, MODE_800, SAVER_KEY, TRAPPED, WINE_FLAGS, close_with_keys, wait_for_rain)

PROGRAMS = Path(__file__).parent / "programs"
# What saver_session.exe notes: every visible top-level window of each run's saver process.
WINDOWS = r"C:\sarvello\windows.txt"
SAVER_WINDOW = 'run {run}: class "WindowsScreenSaverClass" title "Screen Saver" at 0,0 size {size}'


def start_session(machine, build, *runs):
    """saver_session.exe starting the saver once for each EXIT=ARGS, checking each exit code."""
    machine.put(build.saver)
    return machine.run(build.program("saver_session.exe"), *runs)


def ended_by_input(machine, session, size):
    """After the input that ends a session's one full-screen run: the desktop comes back in its own
    mode, the run ended with 0 after one trapped close request, and its one window had the mode's size."""
    machine.wait_for_file(r"C:\sarvello\run1.ended")
    machine.wait_for_screen(lambda shot: checks.probes(shot, DESKTOP), "Wine's desktop back at 1024 x 768", "desktop")
    assert session.wait() == 0, session.output()
    log = machine.read_text(FULL_SCREEN_LOG)
    checks.whole_session(log)
    checks.lines(log, {CLOSE_DETECTED: 2, TRAPPED: 1})
    checks.lines(machine.read_text(WINDOWS), {SAVER_WINDOW.format(run=1, size=size): 1, "run 1:": 1})


@pytest.mark.parametrize("version", [None, "win95", "win98", "nt40", "win2k"],
                         ids=["default", "win95", "win98", "nt40", "win2k"])
def test_a_key_ends_the_full_screen_saver(machine, build, version):
    if version:
        # Wine reports this Windows version to the saver alone.
        machine.set_registry({APP_DEFAULTS + r"\Sarvello.scr": {"Version": version}})
    saver = machine.run(build.saver, "/s")
    wait_for_rain(machine, MODE_800)
    assert close_with_keys(machine, saver) == 0
    checks.whole_session(machine.read_text(FULL_SCREEN_LOG))
    checks.first_start_defaults(machine.export_registry(SAVER_KEY), SAVER_KEY)


def test_small_moves_leave_the_rain_running_and_a_quick_double_click_ends_it(machine, build):
    session = start_session(machine, build, "--linger", "1500", "0=/s")
    rain, _ = wait_for_rain(machine, MODE_800)
    for x, y in [(513, 384), (512, 385), (511, 384), (512, 383), (512, 384)]:
        machine.move(x, y)
    machine.wait_for_screen(lambda shot: checks.rain(rain, shot, MODE_800), "the rain after moves", "jitter")
    # The first click's close request is trapped; the second, within the double-click time, comes
    # as WM_LBUTTONDBLCLK (the saver's class asks for double clicks) and ends the saver.
    machine.click(1, times=2)
    ended_by_input(machine, session, "800x600")


def test_the_stored_mode_and_frame_delay_are_used(machine, build):
    machine.set_registry({SAVER_KEY: {"Speed": 4000}, DEVICE_KEY: {"Width": 640, "Height": 480}})
    session = start_session(machine, build, "--linger", "1500", "0=/s")
    first = machine.wait_for_screen(lambda shot: checks.rain_frame(shot, MODE_640), "the rain in 640 x 480", "slow1")
    # Frames come 4 s apart (the drawing thread's flips show only every second time while the
    # window's thread gets no messages, so 8 s): shots taken within a second span one new frame at most.
    checks.slow([first] + [machine.screenshot(f"slow{number}") for number in (2, 3, 4)], max_changes=1)
    machine.wait_for_screen(lambda shot: checks.rain(first, shot, MODE_640), "a later frame", "slow5")
    # The first move only marks where the pointer was, the second's close request is trapped, the
    # third ends the saver.
    machine.move(600, 450)
    machine.move(400, 300)
    machine.wait_for_line(FULL_SCREEN_LOG, TRAPPED)
    machine.move(200, 150)
    ended_by_input(machine, session, "640x480")
    # The values written by hand are the ones used: no second device key with defaults appeared.
    export = machine.export_registry(SAVER_KEY)
    assert list(export.keys) == [SAVER_KEY, DEVICE_KEY]
    assert export[SAVER_KEY] == {"Speed": 4000}
    assert export[DEVICE_KEY] == {"Width": 640, "Height": 480, "Density": 300, "HighlightDensity": 8}


def test_no_drops_show_black_and_a_second_start_gives_way_to_the_first(machine, build):
    machine.set_registry({DEVICE_KEY: {"Density": 0}})
    saver = machine.run(build.saver, "/s")
    machine.wait_for_line(FULL_SCREEN_LOG, "[DrawTorvane] Thread created")
    machine.wait_for_screen(checks.black, "a black screen", "black1")
    time.sleep(1)  # and it stays black while the drawing thread runs
    checks.black(machine.screenshot("black2"))
    # Another program takes the foreground (the saver's close request on losing it is trapped)
    # and starts a second saver, which ends with 0 at once, shows nothing and gives the foreground
    # back to the first.
    second = machine.run(build.program("bring_forward.exe"))
    assert second.wait() == 0, second.output()
    # A key goes to the saver once it is active again.
    for activated in ("[STATE] WM_ACTIVATEAPP: Activated", "[STATE] WM_ACTIVE: Activated"):
        machine.wait_for_line(FULL_SCREEN_LOG, activated, count=2)
    machine.press("space")
    assert saver.wait() == 0
    log = machine.read_text(FULL_SCREEN_LOG)
    checks.whole_session(log)
    checks.lines(log, {"[InitErrorMsg] DEBUG SESSION STARTED": 1, TRAPPED: 1, "[DrawTorvane] Thread created": 1})
    export = machine.export_registry(SAVER_KEY)
    assert list(export.keys) == [SAVER_KEY, DEVICE_KEY] and export[DEVICE_KEY]["Density"] == 0
    # On the NT family the saver never tells the system that a saver runs.
    flags = machine.export_registry(WINE_FLAGS)
    assert WINE_FLAGS + r"\Control Panel\Desktop" in flags.keys
    assert "WINE_ScreenSaverRunning" not in flags.text


# The display settings' preview area (152 x 112) where preview_host.exe puts it by default, dragged
# past the right edge of the 1024 x 768 screen (x 950..1101), and wholly past it (x 1100..1251).
@pytest.mark.parametrize("area_at", [None, "950,130", "1100,130"], ids=["on the screen", "past the edge", "off"])
def test_the_preview_runs_near_idle_in_its_area_and_ends_with_its_owner(machine, build, area_at):
    machine.put(build.saver)
    placement = ["--area-at", area_at] if area_at else []
    # preview_host.exe checks the saver's window: a visible 152 x 112 child of the area, deaf to
    # input, passing a context-menu request on; and that the saver ends with 0 when the settings go.
    host = machine.run(build.program("preview_host.exe"), *placement, "--steady-ms", "7000")
    machine.wait_for_file(r"C:\sarvello\preview.shown")
    machine.screenshot("preview")
    machine.wait_for_file(r"C:\sarvello\preview.steady")
    steady = machine.processor_time("Sarvello.scr")
    machine.wait_for_file(r"C:\sarvello\preview.late")
    late = machine.processor_time("Sarvello.scr")
    assert host.wait() == 0, host.output()
    # The 152 x 112 rain at 30 ms took 0.5-1% of one processor here; a copy refused for leaving the
    # screen, retried at once for ever, took 32%.
    checks.idle(steady, late, max_percent=15)
    # Wine does not show DirectDraw drawing into another process's child window: the log, not the
    # pixels, shows the windowed device, the presented frames and the drawing thread's whole life.
    log = machine.read_text(LOG)
    checks.whole_session(log)
    checks.lines(log, {"LOG_GOSSIP: [WM_CREATE] Windowed mode": 1,
                       "LOG_GOSSIP: [DDrawManager::CreateDirectDraw] Back buffer surface created (not fullscreen)": 1,
                       "LOG_INFO: [WM_CREATE] DirectDraw object created for preview screen": 1,
                       "Display mode set": 0, "Unable to present the cleared buffer": 0,
                       "Drawing thread did not end": 0, "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane": 1,
                       "LOG_INFO: [DrawTorvane] Thread ended": 1})


def test_the_configuration_dialog_shows_and_stores_the_settings(machine, build):
    machine.set_registry({SAVER_KEY: {"Speed": 40},
                          DEVICE_KEY: {"Density": 123, "HighlightDensity": 45, "Width": 640, "Height": 480}})
    machine.put(build.saver)
    # config_driver.exe: /c:<its window> shows the stored values; 450 and 150 typed and OK store
    # 400 and 100 (result 1); then /c shows those, and Cancel after other input stores nothing.
    driver = machine.run(build.program("config_driver.exe"))
    machine.wait_for_file(r"C:\sarvello\dialog1.shown")
    # The dialog as drawn over its owner: its face, the white density box, Wine's desktop beside it.
    machine.wait_for_screen(lambda shot: checks.probes(shot, {(100, 300): (246, 246, 246), (60, 190): (255, 255, 255),
                                                              (800, 300): DESKTOP_BLUE}), "the dialog", "dialog1")
    machine.wait_for_file(r"C:\sarvello\dialog1.typed")
    machine.screenshot("typed1")
    assert driver.wait() == 0, driver.output()
    export = machine.export_registry(SAVER_KEY)
    assert list(export.keys) == [SAVER_KEY, DEVICE_KEY]
    assert export[SAVER_KEY] == {"Speed": 100}
    assert export[DEVICE_KEY] == {"Density": 400, "HighlightDensity": 100, "Width": 640, "Height": 480}


def test_the_password_is_asked_on_the_95_98_family(machine, build):
    machine.set_registry({APP_DEFAULTS + r"\Sarvello.scr": {"Version": "win98"},
                          # Wine prefers its own MPR.DLL unless told otherwise.
                          APP_DEFAULTS + r"\Sarvello.scr\DllOverrides": {"mpr": "native"},
                          DESKTOP_KEY: {"ScreenSaveUsePassword": 1},
                          # No mode of the device: the saver runs in its first, 320 x 200.
                          DEVICE_KEY: {"Width": 1234, "Height": 567}})
    machine.put(build.program("PASSWORD.CPL"), build.program("MPR.DLL"), PROGRAMS / "password_answers.txt")
    # /a <owner> hands over to PwdChangePasswordA; then the saver runs full screen.
    session = start_session(machine, build, "--linger", "500", "0=/a %HWND%", "0=/s")
    machine.wait_for_file(r"C:\sarvello\run2.started")
    rain = machine.wait_for_screen(lambda shot: checks.rain_frame(shot, MODE_320), "the rain in 320 x 200", "rain1")
    # Keys reach Wine's desktop only while the pointer is over it, and the pointer is back at the
    # screen's centre once the saver runs: into the small mode's corner (the first move after the
    # first frame only marks where the pointer is).
    machine.move(160, 100)
    machine.press("space")
    machine.wait_for_line(FULL_SCREEN_LOG, TRAPPED)
    # The next key asks the verifier, whose password dialog refuses: the rain goes on.
    machine.press("space")
    machine.wait_for_line(r"C:\sarvello\password_calls.txt", "call 1:")
    wait_for_rain(machine, MODE_320, names=("refused1", "refused2"), after=rain)
    # The next is accepted.
    machine.press("space")
    machine.wait_for_file(r"C:\sarvello\run2.ended")
    assert session.wait() == 0, session.output()
    # The saver tells the system that a saver runs while the verifier is loaded, and no longer after.
    checks.lines(machine.read_text(r"C:\sarvello\password_calls.txt"), {
        "loaded: screen saver running 0": 1,
        "call 1: window of class WindowsScreenSaverClass, screen saver running 1, password dialog shown, refused": 1,
        "call 2: window of class WindowsScreenSaverClass, screen saver running 1, password dialog shown, accepted": 1,
        "unloaded after 2 call(s): screen saver running 1": 1, "call 3": 0})
    flags = machine.export_registry(WINE_FLAGS)
    assert flags[WINE_FLAGS + r"\Control Panel\Desktop"]["WINE_ScreenSaverRunning"] == "0"
    checks.lines(machine.read_text(r"C:\sarvello\mpr_calls.txt"),
                 {'PwdChangePasswordA provider "SCRSAVE" window ': 1, " (a window) reserved 0 0": 1})
    log = machine.read_text(FULL_SCREEN_LOG)
    checks.whole_session(log)
    checks.lines(log, {CLOSE_DETECTED: 3, TRAPPED: 1, "[SCRM_VERIFYPW] Message detected": 2})
    checks.lines(machine.read_text(WINDOWS), {"run 1:": 0, SAVER_WINDOW.format(run=2, size="320x200"): 1,
                                              'run 2: class "#32770" title "Windows Screen Saver"': 2})
    # The stored resolution stays stored.
    assert {"Width": 1234, "Height": 567}.items() <= machine.export_registry(SAVER_KEY)[DEVICE_KEY].items()


# Switches that are no run mode, a preview without a window, and /a outside the 95/98 family.
@pytest.mark.parametrize("switch", ["/x", "/1", "/p", "/p 0", "/p 99999", "/a"])
def test_a_switch_that_is_no_run_mode_ends_with_minus_one_and_shows_nothing(machine, build, switch):
    session = start_session(machine, build, f"-1={switch}")
    assert session.wait() == 0, session.output()
    checks.lines(machine.read_text(WINDOWS), {"run ": 0, "# visible top-level windows": 1})


def test_a_mode_that_cannot_be_set_is_told_in_one_message_box(machine, build):
    # On Wine's own desktop of the X screen (no virtual desktop, for the saver and for the helper
    # that watches it) the stored 800 x 600 cannot be set.
    machine.set_registry({APP_DEFAULTS + r"\Sarvello.scr\Explorer": {"Desktop": "Plain"},
                          APP_DEFAULTS + r"\saver_session.exe\Explorer": {"Desktop": "Plain"}})
    session = start_session(machine, build, "--linger", "500", "--timeout", "30000", "-1=/s")
    machine.wait_for_file(r"C:\sarvello\box1.shown")
    # The box's face; what lies behind it is Wine's own (the 64-bit Wine leaves the bare X screen
    # black there, the 32-bit one paints its blue desktop).
    machine.wait_for_screen(lambda shot: checks.probes(shot, {(512, 420): (246, 246, 246), (450, 420): (246, 246, 246),
                                                              (600, 400): (246, 246, 246)}), "the message box", "box")
    machine.press("Return")
    machine.wait_for_file(r"C:\sarvello\run1.ended")
    assert session.wait() == 0, session.output()
    checks.lines(machine.read_text(WINDOWS), {
        "run 1:": 1, 'run 1: class "#32770" title "Sarvello v1.30"': 1,
        'text "Unable to set display mode. Try a diffrent resolution setting"': 1})
    checks.lines(machine.read_text(FULL_SCREEN_LOG), {
        "LOG_ERROR: Unable to set display mode. Try a diffrent resolution setting": 1, "LOG_ERROR:": 1,
        "LOG_INFO: [Cleanup] Deallocating all objects": AtLeast(1), "[DrawTorvane] Thread created": 0})
