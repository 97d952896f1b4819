"""The checks refuse what they must, on small made pictures, texts and samples (no Wine)."""

import random
import re
import subprocess
import time

import pytest
from PIL import Image, ImageDraw

import checks
from checks import AtLeast, CheckFailed, CpuSample
from machine import RegistryExport, processor_time

# The pictures are 320 x 240 with the rain in RECT.
SIZE = (320, 240)
RECT = (0, 0, 240, 180)
# The glyphs' colours: bright and dim forms and their shades, white and greys with red equal to blue.
GLYPH_COLOURS = [(255, 255, 255), (40, 255, 40), (10, 112, 10), (30, 153, 30), (5, 153, 5), (1, 67, 1),
                 (127, 127, 127), (20, 127, 20), (15, 76, 15)]


def picture(name, draw=None, base=None):
    made = base.copy() if base else Image.new("RGB", SIZE)
    if draw:
        draw(ImageDraw.Draw(made))
    return checks.named(made, name)


def rain_picture(seed, colours=GLYPH_COLOURS):
    """Columns of glyph-sized blocks in the glyphs' colours inside RECT."""
    chance = random.Random(seed)

    def draw(pen):
        for _ in range(14):
            x, y = chance.randrange(226), chance.randrange(60)
            for top in range(y, 168, 16):
                pen.rectangle((x, top, x + 11, top + 11), fill=chance.choice(colours))

    return picture(f"rain{seed}", draw)


RAIN1, RAIN2 = rain_picture(1), rain_picture(2)
BLACK = picture("black")


def patch(colour, box):
    return lambda pen: pen.rectangle(box, fill=colour)


def test_rain_passes_two_different_pictures_of_rain():
    assert "pixels changed" in checks.rain(RAIN1, RAIN2, RECT)


@pytest.mark.parametrize("first, second, options, reason", [
    (BLACK, RAIN2, {}, "black has 0 green pixels inside"),
    (RAIN1, BLACK, {}, "black has 0 green pixels"),
    (RAIN1, RAIN1, {}, "the picture does not change"),
    (RAIN1, picture("few", patch((40, 255, 40), (10, 10, 13, 12)), RAIN1), {}, "differ in 12 pixels"),
    (rain_picture(3, [(255, 40, 40)]), RAIN2, {}, "green pixels inside"),
    (picture("sparse", patch((40, 255, 40), (10, 10, 19, 19))), RAIN2, {}, "sparse has 100 green pixels"),
    (picture("red4", patch((255, 0, 0), (100, 100, 101, 101)), RAIN1), RAIN2, {"max_off": 3}, "4 pixels inside"),
    (picture("grey9", patch((9, 9, 9), (250, 10, 259, 19)), RAIN1), RAIN2, {}, "100 non-black pixels outside"),
    (RAIN1, picture("spill2", patch((40, 255, 40), (300, 10, 300, 10)), RAIN2), {}, "spill2 has 1 non-black"),
    (RAIN1, picture("narrow", base=RAIN2.crop((0, 0, 300, 240))), {}, "narrow is 300x240, but rain1 is 320x240"),
], ids=["black first", "black second", "still", "12 pixels changed", "red rain", "too little green",
        "4 off-colour pixels over 3", "dark grey outside", "second spills", "sizes differ"])
def test_rain_refuses(first, second, options, reason):
    with pytest.raises(CheckFailed, match=reason):
        checks.rain(first, second, RECT, **options)


@pytest.mark.parametrize("colour", [(255, 0, 0), (0, 0, 255), (255, 255, 0), (32, 109, 148)],
                         ids=["red", "blue", "yellow", "Wine's desktop blue"])
def test_rain_refuses_a_3_by_3_patch_of_a_colour_the_glyphs_never_have(colour):
    off = picture("off", patch(colour, (100, 100, 102, 102)), RAIN1)
    reason = f"9 pixels inside {RECT} in colours the rain never has (most: 9 of {colour})"
    with pytest.raises(CheckFailed, match=re.escape(reason)):
        checks.rain(off, RAIN2, RECT)


@pytest.mark.parametrize("at", [(240, 50), (50, 180), (300, 200)])
def test_rain_refuses_and_locates_a_dim_green_pixel_just_outside(at):
    spilled = picture("spilled", lambda pen: pen.point(at, fill=(20, 127, 20)), RAIN1)
    box = (at[0], at[1], at[0] + 1, at[1] + 1)
    with pytest.raises(CheckFailed, match=re.escape(f"1 non-black pixels outside {RECT} (within the box {box}, "
                                                    "most often (20, 127, 20))")):
        checks.rain(spilled, RAIN2, RECT)


@pytest.mark.parametrize("first, second, options", [
    (picture("last", lambda pen: pen.point((239, 179), fill=(20, 127, 20)), RAIN1), RAIN2, {}),
    (picture("grey8", patch((8, 8, 8), (250, 10, 259, 19)), RAIN1), RAIN2, {}),
    (picture("red4", patch((255, 0, 0), (100, 100, 101, 101)), RAIN1), RAIN2, {}),
    (picture("few", patch((40, 255, 40), (10, 10, 13, 12)), RAIN1), RAIN1, {"min_changed": 10}),
    (picture("sparse", patch((40, 255, 40), (10, 10, 19, 19))), RAIN2, {"min_green": 100, "min_changed": 10}),
], ids=["last pixel inside", "(8,8,8) is black", "4 off-colour pixels", "min_changed 10", "min_green 100"])
def test_rain_passes_within_its_limits(first, second, options):
    checks.rain(first, second, RECT, **options)


def test_rain_takes_an_empty_or_oversized_rectangle_as_a_fault():
    with pytest.raises(ValueError):
        checks.rain(RAIN1, RAIN2, (10, 10, 10, 20))
    with pytest.raises(CheckFailed, match="reaches past the 320x240 picture"):
        checks.rain(RAIN1, RAIN2, (0, 0, 321, 100))


def test_black_passes_black_and_refuses_anything_lit():
    checks.black(BLACK)
    for lit in (picture("grey", lambda pen: pen.point((300, 200), fill=(12, 12, 12))), RAIN1):
        with pytest.raises(CheckFailed, match="not black"):
            checks.black(lit)
    with pytest.raises(CheckFailed, match="0 green pixels"):
        checks.rain_frame(BLACK, RECT)


@pytest.mark.parametrize("pictures, most, holds", [
    ([RAIN1, RAIN1, RAIN1], 0, True),
    ([RAIN1, RAIN1, RAIN2, RAIN2], 1, True),
    ([RAIN1, RAIN2, RAIN1], 1, False),
])
def test_slow_counts_the_pairs_that_changed(pictures, most, holds):
    if holds:
        checks.slow(pictures, most)
    else:
        with pytest.raises(CheckFailed, match="2 of 2 pairs changed"):
            checks.slow(pictures, most)


def test_probes_name_every_pixel_off_by_more_than_the_tolerance():
    shot = picture("probed", patch((32, 109, 148), (0, 0, 9, 9)))
    checks.probes(shot, {(5, 5): (40, 101, 156), (20, 20): (0, 0, 0)})
    with pytest.raises(CheckFailed, match=r"\(5, 5\) is \(32, 109, 148\), not \(41, 109, 148\); \(20, 20\)"):
        checks.probes(shot, {(5, 5): (41, 109, 148), (20, 20): (9, 0, 0)})


LOG = "LOG_INFO: [STATE] WM_CLOSE detected\nLOG_INFO: [STATE] Trapped\nLOG_INFO: [STATE] WM_CLOSE detected\n"


@pytest.mark.parametrize("wanted, wrong", [
    ({"WM_CLOSE detected": 2, "Trapped": 1, "WM_DESTROY": 0}, None),
    ({"WM_CLOSE detected": AtLeast(2)}, None),
    ({"WM_CLOSE detected": 1}, "2 line(s) with 'WM_CLOSE detected', wanted 1"),
    ({"WM_DESTROY": 1}, "0 line(s) with 'WM_DESTROY', wanted 1"),
    ({"Trapped": 0}, "1 line(s) with 'Trapped', wanted 0"),
    ({"WM_CLOSE detected": AtLeast(3)}, "wanted 3 or more"),
])
def test_lines_counts_each_text(wanted, wrong):
    if wrong is None:
        checks.lines(LOG, wanted)
    else:
        with pytest.raises(CheckFailed) as failed:
            checks.lines(LOG, wanted)
        assert wrong in str(failed.value)


SESSION = ["LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED", "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane",
           "LOG_INFO: [DrawTorvane] Thread ended", "LOG_GOSSIP: [STATE] Cleanup initiated",
           "LOG_INFO: [Cleanup] Deallocating all objects", "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED"]


@pytest.mark.parametrize("log, wrong", [
    (SESSION, None),
    (SESSION[:-1], "last line"),
    (SESSION[1:], "first line"),
    (SESSION[:2] + SESSION[3:], "no line 'LOG_INFO: [DrawTorvane] Thread ended'"),
    (SESSION[:2] + SESSION[3:4] + SESSION[2:3] + SESSION[4:], "ended after the cleanup began"),
])
def test_whole_session_wants_the_session_from_start_to_end(log, wrong):
    if wrong is None:
        checks.whole_session("\n".join(log))
    else:
        with pytest.raises(CheckFailed, match=re.escape(wrong)):
            checks.whole_session("\n".join(log))


EXPORT = r"""Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Brenmoor\Sarvello]
"Speed"=dword:0000001e
@="two \"words\" and a \\"

[HKEY_CURRENT_USER\Software\Brenmoor\Sarvello\AEB2CDD4-6E41-43EA-941C-8361CC76 781]
"Width"=dword:00000320
"Height"=dword:00000258
"Density"=dword:0000012c
"HighlightDensity"=dword:00000008
"Blob"=hex:01,02,\
  03
"""
SAVER = r"HKEY_CURRENT_USER\Software\Brenmoor\Sarvello"


def test_a_registry_export_reads_as_keys_and_values():
    export = RegistryExport(EXPORT)
    assert list(export.keys) == [SAVER, SAVER + r"\AEB2CDD4-6E41-43EA-941C-8361CC76 781"]
    assert export[SAVER] == {"Speed": 30, "@": 'two "words" and a \\'}
    assert export[SAVER + r"\AEB2CDD4-6E41-43EA-941C-8361CC76 781"]["Blob"] == "hex:01,02,03"


def test_first_start_defaults_want_every_default_in_every_device_key():
    export = RegistryExport(EXPORT.replace('"Blob"=hex:01,02,\\\n  03\n', ""))
    checks.first_start_defaults(export, SAVER)
    for wrong in (EXPORT, EXPORT.replace("dword:0000001e", "dword:0000001f")):
        with pytest.raises(CheckFailed):
            checks.first_start_defaults(RegistryExport(wrong), SAVER)


@pytest.mark.parametrize("after, limit, reason", [
    (CpuSample(41, "Sarvello.scr", 6.0, 3.2), 10, None),
    (CpuSample(41, "Sarvello.scr", 6.0, 3.2), 4, "used 5.0% of one processor over 4.0 s"),
    (CpuSample(41, "Sarvello.scr", 6.0, 6.6), 50, "used 90.0%"),
    (CpuSample(41, "Sarvello.scr", 2.5, 3.01), 50, "only 0.500 s apart"),
    (CpuSample(42, "Sarvello.scr", 6.0, 3.2), 50, "two processes"),
], ids=["idle", "over the limit", "busy", "too close", "another process"])
def test_idle_judges_processor_time_between_two_samples(after, limit, reason):
    before = CpuSample(41, "Sarvello.scr", 2.0, 3.0)
    if reason is None:
        checks.idle(before, after, limit)
    else:
        with pytest.raises(CheckFailed, match=re.escape(reason)):
            checks.idle(before, after, limit)


def test_idle_refuses_a_busy_process_as_the_system_reports_it():
    busy = subprocess.Popen(["/bin/sh", "-c", "while :; do :; done"])
    try:
        before = processor_time(busy.pid)
        time.sleep(1.2)
        with pytest.raises(CheckFailed, match="more than 15%"):
            checks.idle(before, processor_time(busy.pid), 15)
    finally:
        busy.kill()
        busy.wait()


# Wine's standard error of a saver_session run: the modules its processes loaded, benign error lines
# of other channels, and what Wine prints for a fault.
LOADED = ['0020:0024:trace:loaddll:build_module Loaded L"C:\\\\sarvello\\\\saver_session.exe" at 00400000: native',
          '0030:0034:trace:loaddll:build_module Loaded L"C:\\\\sarvello\\\\Sarvello.scr" at 00400000: native',
          '0040:0044:trace:loaddll:build_module Loaded L"C:\\\\windows\\\\system32\\\\explorer.exe" at 00400000: builtin',
          '0030:0034:trace:loaddll:build_module Loaded L"C:\\\\sarvello\\\\ddraw.dll" at 10000000: native',
          "0040:0048:err:ole:CoGetClassObject class not registered", "0030:0034:fixme:ddraw:ddraw7_Initialize"]
SWALLOWED = "0030:0034:err:seh:KiUserCallbackDispatcher ignoring exception"
UNHANDLED = ("wine: Unhandled page fault on execute access to 6FFC1234 at address 6FFC1234 (thread 0048), "
             "starting debugger...")


@pytest.mark.parametrize("lines, wanted", [
    (LOADED, []),
    (LOADED + [SWALLOWED], [f"Sarvello.scr (process 0030): {SWALLOWED}"]),
    (LOADED + ["0040:0048:warn:seh:dispatch_exception EXCEPTION_ACCESS_VIOLATION exception (code=c0000005) raised",
               UNHANDLED], [f"explorer.exe (process 0040): {UNHANDLED}"]),
    ([UNHANDLED, "0034:err:seh:setup_exception stack overflow 1040 bytes\r"],
     [f"a program started as saver_session: {UNHANDLED}",
      "a program started as saver_session: 0034:err:seh:setup_exception stack overflow 1040 bytes"]),
], ids=["benign lines", "swallowed in the saver", "unhandled in another process", "no process ids"])
def test_faults_name_each_fault_and_its_program(lines, wanted):
    assert checks.faults("\n".join(lines), "saver_session") == wanted
