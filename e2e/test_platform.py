"""The program's parts on the real platform: its glyphs and log, its display devices, the platform
behaviour it relies on (the conformance programs) and the frame benchmark of its heart, each a
Windows program run under Wine."""

import re
from pathlib import Path

import pytest

import checks
from saver import FULL_SCREEN_LOG, LOG

EXPECTED = Path(__file__).parent / "expected"


def test_the_glyphs_convert_and_the_logs_land_in_the_windows_folder_byte_for_byte(machine, build):
    check = machine.run(build.program("foundation_check.exe"))
    assert check.wait() == 0, check.output()
    for log in (LOG, FULL_SCREEN_LOG):
        name = log.rsplit("\\", 1)[1]
        assert machine.read_bytes(log) == (EXPECTED / name).read_bytes(), f"{name} differs from e2e/expected/{name}"


# The frame display_check draws: green left half, red right half, a white bar across the middle.
# Full screen, the 800 x 600 mode shows it and the rest of the virtual desktop stays black; a window
# of the program's own at (200, 150) shows it amid Wine's blue desktop.
@pytest.mark.parametrize("use, log, frame", [
    ("fullscreen", FULL_SCREEN_LOG, {(100, 100): (0, 255, 0), (700, 100): (255, 0, 0), (400, 300): (255, 255, 255),
                                     (100, 500): (0, 255, 0), (900, 700): (0, 0, 0)}),
    ("windowed", LOG, {(280, 250): (0, 255, 0), (460, 250): (255, 0, 0), (100, 100): (32, 109, 148),
                       (600, 250): (32, 109, 148)}),
], ids=["fullscreen", "windowed"])
def test_a_display_device_presents_the_frame_drawn_into_it(machine, build, use, log, frame):
    check = machine.run(build.program("display_check.exe"), use)
    machine.wait_for_screen(lambda shot: checks.probes(shot, frame), "the frame on the screen", f"display_{use}")
    machine.write_file(r"C:\sarvello\display.seen", "seen\r\n")
    assert check.wait() == 0, check.output()
    assert checks.SESSION_START in machine.read_text(log)


def test_the_platform_behaves_as_the_program_relies_on(machine, build):
    conformance = machine.run(build.conformance_test)
    assert conformance.wait(timeout=240) == 0, conformance.output()


# What Wine prints for the two faults of fault_check.exe, and the exit code it gives: a fault in a
# window procedure that the system's code called is swallowed (exit 0, which alone proves nothing);
# one in the program's own code ends it with the page fault's code (0xC0000005, low 8 bits).
@pytest.mark.parametrize("where, code, line", [
    ("destroy", 0, r"err:seh:KiUserCallbackDispatcher ignoring exception"),
    ("main", 5, r"wine: Unhandled page fault on execute access to 0+10 at address 0+10 \(thread [0-9a-f]+\)"),
], ids=["swallowed in WM_DESTROY", "unhandled"])
def test_the_machine_reads_a_fault_from_wine_naming_the_program_and_line(machine, build, where, code, line):
    program = machine.run(build.program("fault_check.exe"), where)
    assert program.wait() == code, program.output()
    machine.close()
    assert len(machine.faults) == 1 and re.fullmatch(rf"fault_check\.exe \(process [0-9a-f]+\): .*{line}.*",
                                                     machine.faults[0]), machine.faults
    machine.faults.clear()


def test_the_frame_benchmark_runs_the_heart_as_the_program_is_built(machine, build):
    # The figures are not judged here (the machine is shared): scripts/frame_bench.sh shows them.
    bench = machine.run(build.folder / "bench" / "frame_bench.exe", "--rounds", "1")
    assert bench.wait(timeout=120) == 0, bench.output()
    printed = bench.output_files[0].read_text(errors="replace")
    for size in ("800x600", "1024x768", "1920x1080"):
        for row in ("ComposeFrame", "RainModel"):
            assert re.search(rf"^{row} {size} +\d+\.\d\d x rep movsd ", printed, re.MULTILINE), printed
