"""Checks on what a run under Wine leaves: screenshots (Pillow images), logs and records (text),
processor time. Each check raises CheckFailed, naming what is wrong, or returns a short summary;
a machine's wait_for_screen takes a check as the condition it waits for."""

import re
from typing import NamedTuple

from PIL import Image, ImageChops

# A green pixel: green at least this far above red and above blue.
GREEN_MARGIN = 48
# A colour the glyphs never have (they are white, greys and greens with red equal to blue): red or
# blue this far above green, or red and blue this far apart.
OFF_MARGIN = 24
# Black: no channel above this; two pictures differ in a pixel where a channel differs by more.
BLACK_MAX = 8
# 16-bit colours widen to 8 bits with rounding: a probe allows this much per channel.
PROBE_TOLERANCE = 8


class CheckFailed(AssertionError):
    pass


def _inside(rect, size):
    x0, y0, x1, y1 = rect
    if x0 >= x1 or y0 >= y1:
        raise ValueError(f"the rectangle {rect} is empty")
    if x1 > size[0] or y1 > size[1]:
        raise CheckFailed(f"the rectangle {rect} reaches past the {size[0]}x{size[1]} picture")


def _colours(picture):
    """(count, colour) for each colour of the picture; a 16-bit screen has at most 65536."""
    return picture.getcolors(1 << 16) or picture.getcolors(1 << 24)


def _name(picture):
    return getattr(picture, "name", None) or "the picture"


def named(picture, name):
    """The picture with a name that the checks' messages use."""
    picture.name = name
    return picture


def rain_frame(picture, rect, min_green=1000, max_off=8):
    """One picture of the rain inside rect (x0, y0, x1, y1; x1, y1 the first pixels past it): at
    least min_green green pixels inside, at most max_off of a colour the glyphs never have, and
    nothing but black outside."""
    _inside(rect, picture.size)
    green = off = 0
    worst = (0, None)
    for count, (r, g, b) in _colours(picture.crop(rect)):
        if g >= r + GREEN_MARGIN and g >= b + GREEN_MARGIN:
            green += count
        if r > g + OFF_MARGIN or b > g + OFF_MARGIN or abs(r - b) > OFF_MARGIN:
            off += count
            worst = max(worst, (count, (r, g, b)))
    if green < min_green:
        raise CheckFailed(f"{_name(picture)} has {green} green pixels inside {rect}, fewer than {min_green}")
    if off > max_off:
        raise CheckFailed(f"{_name(picture)} has {off} pixels inside {rect} in colours the rain never has "
                          f"(most: {worst[0]} of {worst[1]}), more than {max_off}")
    outside = picture.copy()
    outside.paste((0, 0, 0), rect)
    lit = outside.point(lambda v: 255 if v > BLACK_MAX else 0).convert("L").point(lambda v: 255 if v else 0)
    spilled = lit.histogram()[255]
    if spilled:
        common = max((count, colour) for count, colour in _colours(outside) if max(colour) > BLACK_MAX)
        raise CheckFailed(f"{_name(picture)} has {spilled} non-black pixels outside {rect} (within the box "
                          f"{lit.getbbox()}, most often {common[1]})")
    return f"{_name(picture)}: {green} green, {off} off-colour"


def changed_pixels(first, second):
    """How many pixels differ in a channel by more than BLACK_MAX."""
    if first.size != second.size:
        raise CheckFailed(f"{_name(second)} is {second.size}, but {_name(first)} is {first.size}")
    difference = ImageChops.difference(first, second).point(lambda v: 255 if v > BLACK_MAX else 0)
    return difference.convert("L").point(lambda v: 255 if v else 0).histogram()[255]


def rain(first, second, rect, min_green=1000, max_off=8, min_changed=100):
    """Two pictures of the rain inside rect (each as rain_frame has it) that differ in at least
    min_changed pixels: the rain runs."""
    if first.size != second.size:
        raise CheckFailed(f"{_name(second)} is {second.size[0]}x{second.size[1]}, "
                          f"but {_name(first)} is {first.size[0]}x{first.size[1]}")
    report = [rain_frame(picture, rect, min_green, max_off) for picture in (first, second)]
    changed = changed_pixels(first, second)
    if changed < min_changed:
        raise CheckFailed(f"{_name(first)} and {_name(second)} differ in {changed} pixels inside {rect}, fewer "
                          f"than {min_changed}: the picture does not change")
    return f"rain: {'; '.join(report)}; {changed} pixels changed"


def black(picture):
    """A picture black all over (no channel above BLACK_MAX): neither glyphs nor Wine's desktop show."""
    lit = picture.point(lambda v: 255 if v > BLACK_MAX else 0).convert("L").point(lambda v: 255 if v else 0)
    count = lit.histogram()[255]
    if count:
        raise CheckFailed(f"{_name(picture)} has {count} pixels that are not black, within {lit.getbbox()}")
    return f"{_name(picture)} is black all over"


def slow(pictures, max_changes):
    """Among pictures taken one after the other, at most max_changes consecutive pairs differ (in
    100 pixels or more): the frames come slower than the pictures were taken."""
    if len(pictures) < 2:
        raise ValueError("slow needs at least two pictures")
    counts = [changed_pixels(a, b) for a, b in zip(pictures, pictures[1:])]
    changes = sum(count >= 100 for count in counts)
    if changes > max_changes:
        raise CheckFailed(f"{changes} of {len(counts)} pairs changed (pixels changed: {counts}), at most "
                          f"{max_changes} wanted: the frames come faster than the stored delay")
    return f"{changes} of {len(counts)} pairs changed"


def probes(picture, wanted, tolerance=PROBE_TOLERANCE):
    """Pixels {(x, y): (r, g, b)} of a picture, each channel within tolerance; names every one
    that is wrong."""
    wrong = []
    for at, colour in wanted.items():
        got = picture.getpixel(at)
        if any(abs(a - b) > tolerance for a, b in zip(got, colour)):
            wrong.append(f"{at} is {got}, not {colour}")
    if wrong:
        raise CheckFailed(f"{_name(picture)}: " + "; ".join(wrong))
    return f"{len(wanted)} pixels as wanted"


class AtLeast(int):
    """A line count that may be exceeded."""


def lines(text, wanted):
    """Counts the lines of a text (a log, a helper's record, a registry export) that contain each
    text of `wanted` {text: count}: exactly count, or AtLeast(count). Names every count that is off."""
    all_lines = text.splitlines()
    wrong = []
    for needle, count in wanted.items():
        found = sum(needle in line for line in all_lines)
        if found < count or (found > count and not isinstance(count, AtLeast)):
            more = " or more" if isinstance(count, AtLeast) else ""
            wrong.append(f"{found} line(s) with {needle!r}, wanted {count}{more}")
    if wrong:
        raise CheckFailed("; ".join(wrong))
    return f"{len(wanted)} line counts as wanted"


SESSION_START = "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED"
SESSION_END = "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED"
THREAD_ENDED = "LOG_INFO: [DrawTorvane] Thread ended"
CLEANUP = "LOG_GOSSIP: [STATE] Cleanup initiated"


def whole_session(log):
    """A saver's log holds one whole session: it opens and closes as the log does, the drawing thread
    started and ended before the teardown began, and the teardown ran."""
    all_lines = log.splitlines()
    if not all_lines or all_lines[0] != SESSION_START:
        raise CheckFailed(f"the log's first line is {all_lines[:1]}, not {SESSION_START!r}")
    if all_lines[-1] != SESSION_END:
        raise CheckFailed(f"the log's last line is {all_lines[-1]!r}, not {SESSION_END!r}")
    for wanted in ("LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane", THREAD_ENDED, CLEANUP,
                   "LOG_INFO: [Cleanup] Deallocating all objects"):
        if wanted not in all_lines:
            raise CheckFailed(f"the log has no line {wanted!r}")
    if all_lines.index(THREAD_ENDED) > all_lines.index(CLEANUP):
        raise CheckFailed("the drawing thread ended after the cleanup began")
    return f"a whole session in {len(all_lines)} lines"


def first_start_defaults(export, saver_key):
    """The settings a first start writes, in a registry export: "Speed" 30 and, in every display
    device's key, 800 x 600, "Density" 300 and "HighlightDensity" 8."""
    if export.keys.get(saver_key, {}).get("Speed") != 30:
        raise CheckFailed(f"no \"Speed\" 30 in {saver_key}: {export.keys.get(saver_key)}")
    devices = [key for key in export.keys if key.startswith(saver_key + "\\")]
    if not devices:
        raise CheckFailed(f"no display device's key under {saver_key}")
    for device in devices:
        if export[device] != {"Width": 800, "Height": 600, "Density": 300, "HighlightDensity": 8}:
            raise CheckFailed(f"{device} holds {export[device]}, not the first start's values")
    return f"Speed and {len(devices)} device key(s) hold the first start's values"


class CpuSample(NamedTuple):
    """The processor time (user and system, all threads, in seconds) a process had used when it was
    read, at `seconds` on the monotonic clock."""
    pid: int
    name: str
    seconds: float
    processor: float


def idle(before, after, max_percent):
    """The process used at most max_percent of one processor between two samples at least a second
    apart."""
    if before.pid != after.pid:
        raise CheckFailed(f"the samples are of two processes, {before.pid} and {after.pid}")
    seconds = after.seconds - before.seconds
    if seconds < 1:
        raise CheckFailed(f"the samples are only {seconds:.3f} s apart")
    percent = (after.processor - before.processor) / seconds * 100
    if percent > max_percent:
        raise CheckFailed(f"{before.name} (pid {before.pid}) used {percent:.1f}% of one processor over "
                          f"{seconds:.1f} s, more than {max_percent}%")
    return f"{before.name}: {percent:.1f}% of one processor over {seconds:.1f} s"


# Wine's debug lines start with the Windows process and thread ids (WINEDEBUG +pid; a timestamp
# before them with +timestamp).
_DEBUG_LINE = re.compile(r"(?:\d+\.\d+:)?(?:(?P<pid>[0-9a-f]{4,8}):)?(?P<tid>[0-9a-f]{4,8}):(?P<cls>\w+):(?P<channel>\w+):")
# The message with which an unhandled exception starts the debugger.
_UNHANDLED = re.compile(r"wine: Unhandled .*\(thread (?P<tid>[0-9a-f]+)\)")
# A module a process loaded (+loaddll); the first program among them is the process's own.
_PROGRAM = re.compile(r'Loaded L"(?:[^"]*\\)?(?P<name>[^"\\]+\.(?:exe|scr|com))" at', re.IGNORECASE)


def faults(stderr, started):
    """The faults that Wine's standard error of a program reports: each unhandled exception ("wine:
    Unhandled page fault on execute access to ... (thread 0024), starting debugger...") and each line
    of the seh error channel, such as an exception that a window procedure's caller swallowed
    ("err:seh:KiUserCallbackDispatcher ignoring exception"). Each is "PROGRAM: LINE", PROGRAM the
    Windows program whose process faulted (its output also holds that of the programs it starts,
    and that of the prefix's services when it started the wineserver), where the lines of its
    process tell it, else the program started as `started`."""
    programs, processes, found = {}, {}, []
    for line in stderr.splitlines():
        line = line.rstrip("\r")
        debug = _DEBUG_LINE.match(line)
        if debug and debug["pid"]:
            processes[debug["tid"]] = debug["pid"]
            if debug["channel"] == "loaddll" and (program := _PROGRAM.search(line, debug.end())):
                programs[debug["pid"]] = program["name"]
        unhandled = _UNHANDLED.match(line)
        if unhandled or (debug and debug["cls"] == "err" and debug["channel"] == "seh"):
            pid = processes.get(unhandled["tid"]) if unhandled else debug["pid"]
            program = f"{programs[pid]} (process {pid})" if pid in programs else f"a program started as {started}"
            found.append(f"{program}: {line}")
    return found


def open_picture(path):
    """A screenshot file as an RGB picture named after the file."""
    return named(Image.open(path).convert("RGB"), str(path))
