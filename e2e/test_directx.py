"""Sarvello.scr on the systems of its generation as they come: a Windows 95 without DirectX (Wine
told to give the saver no ddraw.dll at all), and DirectX 3, the only DirectX of Windows NT 4.0 and
of many Windows 95 machines (a test ddraw.dll beside the saver, built from
e2e/programs/ddraw_dx3.cpp, that refuses the cooperative levels DirectX 3 does not know); and on
the systems of today with a compatibility ddraw.dll beside it that subclasses its window and does
not keep itself loaded (e2e/programs/ddraw_subclassing.cpp)."""

import pytest

import checks
from checks import AtLeast
from saver import APP_DEFAULTS, FULL_SCREEN_LOG, LOG, MODE_800, SAVER_KEY, close_with_keys, wait_for_rain

OVERRIDES = APP_DEFAULTS + r"\Sarvello.scr\DllOverrides"
# What the DirectX 3 library notes of every SetCooperativeLevel.
DDRAW_CALLS = r"C:\sarvello\ddraw_calls.txt"
NO_DIRECTDRAW = ("Unable to initialize DirectDraw.\n\nMake sure you have DirectX installed, or go to\n"
                 "http://www.microsoft.com/directx and download the latest version")
FALLBACK = ("LOG_WARNING: [DDrawManager::CreateDirectDraw] Focus window refused, cooperative mode set without it "
            "as DirectX 3 knows it")
# DDSCL_SETFOCUSWINDOW, refused with DDERR_INVALIDPARAMS.
FOCUS_REFUSED = "SetCooperativeLevel flags 0x80 answer 0x80070057"


def without_directx(machine):
    # An empty override takes the library away from the saver alone, as on a system that never had it.
    machine.set_registry({OVERRIDES: {"ddraw": ""}})


def with_directx3(machine, build, version=None):
    with_library(machine, build, "directx3", version)


def with_library(machine, build, folder, version=None):
    machine.put(build.program(folder + "/ddraw.dll"))
    values = {OVERRIDES: {"ddraw": "native,builtin"}}
    if version:
        values[APP_DEFAULTS + r"\Sarvello.scr"] = {"Version": version}
    machine.set_registry(values)


# The full-screen saver and the preview (into a hidden window of saver_session.exe's): the
# program's own box tells the user what is missing and where to get it; answered, the run ends as a
# failed window creation does.
@pytest.mark.parametrize("switch, log", [("/s", FULL_SCREEN_LOG), ("/p %HWND%", LOG)], ids=["full screen", "preview"])
def test_without_directx_the_saver_says_so_in_its_own_box(machine, build, switch, log):
    without_directx(machine)
    machine.put(build.saver)
    session = machine.run(build.program("saver_session.exe"), "--linger", "500", f"-1={switch}")
    machine.wait_for_file(r"C:\sarvello\box1.shown")
    assert machine.read_text(r"C:\sarvello\box1.shown") == NO_DIRECTDRAW + "\n"
    machine.screenshot("box")
    machine.press("Return")
    machine.wait_for_file(r"C:\sarvello\run1.ended")
    assert session.wait() == 0, session.output()
    checks.lines(machine.read_text(r"C:\sarvello\windows.txt"),
                 {"run 1:": 1, 'run 1: class "#32770" title "Sarvello v1.30"': 1})
    text = machine.read_text(log)
    assert text.startswith("LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED\n")
    checks.lines(text, {"LOG_ERROR: Unable to initialize DirectDraw.": 1, "LOG_ERROR:": 1,
                        "http://www.microsoft.com/directx": 1, "LOG_INFO: [Cleanup] Deallocating all objects": 1,
                        "LOG_INFO: [DDrawManager::~DDrawManager] *LEAVE*": 1, "[DrawTorvane] Thread created": 0})


def test_without_directx_the_settings_open_with_no_device(machine, build):
    without_directx(machine)
    machine.put(build.saver)
    # config_driver.exe: both dialogs list no device and no mode; OK ends the first with 1, Cancel
    # the second with 0.
    driver = machine.run(build.program("config_driver.exe"), "--no-devices")
    machine.wait_for_file(r"C:\sarvello\dialog1.shown")
    machine.screenshot("dialog")
    assert driver.wait() == 0, driver.output()
    export = machine.export_registry(SAVER_KEY)
    assert list(export.keys) == [SAVER_KEY], "no device key without a device"
    assert "Speed" in export[SAVER_KEY]


# DirectX 3 refuses the focus window; the saver sets its level the way DirectX 3 knows and runs.
@pytest.mark.parametrize("version", ["nt40", "win95"])
def test_on_directx3_the_rain_runs_and_a_key_ends_it(machine, build, version):
    with_directx3(machine, build, version)
    saver = machine.run(build.saver, "/s")
    wait_for_rain(machine, MODE_800)
    assert close_with_keys(machine, saver) == 0
    log = machine.read_text(FULL_SCREEN_LOG)
    checks.whole_session(log)
    checks.lines(log, {FALLBACK: 1, "LOG_ERROR:": 0})
    # EXCLUSIVE | FULLSCREEN | ALLOWREBOOT, accepted.
    checks.lines(machine.read_text(DDRAW_CALLS),
                 {FOCUS_REFUSED: 1, "SetCooperativeLevel flags 0x13 answer 0x00000000": AtLeast(1)})


def test_on_directx3_the_preview_runs_and_ends_with_its_owner(machine, build):
    with_directx3(machine, build)
    machine.put(build.saver)
    host = machine.run(build.program("preview_host.exe"))
    machine.wait_for_file(r"C:\sarvello\preview.shown")
    assert host.wait() == 0, host.output()
    log = machine.read_text(LOG)
    checks.whole_session(log)
    checks.lines(log, {FALLBACK: 1, "LOG_ERROR:": 0,
                       "LOG_INFO: [WM_CREATE] DirectDraw object created for preview screen": 1})
    # DDSCL_NORMAL, accepted.
    checks.lines(machine.read_text(DDRAW_CALLS),
                 {FOCUS_REFUSED: 1, "SetCooperativeLevel flags 0x8 answer 0x00000000": 1})


# The library's window procedure is on the stack whenever the saver handles a message of its window:
# the saver must not free it there, or WM_DESTROY returns into unmapped memory (the suite's fault
# check names the page fault; the library's own line shows the return came back).
@pytest.mark.parametrize("mode", ["full screen", "preview"])
def test_a_library_that_subclasses_the_window_sees_the_saver_end_cleanly(machine, build, mode):
    with_library(machine, build, "subclassing")
    if mode == "full screen":
        saver = machine.run(build.saver, "/s")
        wait_for_rain(machine, MODE_800)
        assert close_with_keys(machine, saver) == 0
        log = FULL_SCREEN_LOG
    else:
        machine.put(build.saver)
        host = machine.run(build.program("preview_host.exe"))
        machine.wait_for_file(r"C:\sarvello\preview.shown")
        assert host.wait() == 0, host.output()
        log = LOG
    checks.whole_session(machine.read_text(log))
    checks.lines(machine.read_text(DDRAW_CALLS), {"subclassed the window given to SetCooperativeLevel": 1,
                                                  "WM_DESTROY came back through the subclass": 1})
