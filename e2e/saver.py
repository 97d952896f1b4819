#!/usr/bin/env python3
"""The saver's names as the tests under Wine use them (registry keys, log files and lines, what the
screen shows), the steps that the tests and scripts/run.sh share, and scripts/run.sh's way of
running Sarvello.scr:

    saver.py SAVER.scr DIR                on $DISPLAY, in the prefix ~/.sarvello-wine (or
                                          $SARVELLO_WINEPREFIX), until the user ends it
    saver.py SAVER.scr DIR --headless     in a private Xvfb, leaving DIR/rain-1.png and
                                          DIR/rain-2.png
Both leave the saver's log as DIR/torvanecode_fs.log, and what the run did in DIR/run/.
"""

import argparse
import logging
import os
import shutil
import sys
from pathlib import Path

import checks
from machine import Flavour, Machine, Template, pe_flavour

SAVER_KEY = r"HKEY_CURRENT_USER\Software\Brenmoor\Sarvello"
# Wine's one display device, as the settings name its key from its DirectDraw device identifier
# (the same in every prefix): Data4's byte 0x07 is written " 7".
DEVICE_KEY = SAVER_KEY + r"\AEB2CDD4-6E41-43EA-941C-8361CC76 781"
APP_DEFAULTS = r"HKEY_CURRENT_USER\Software\Wine\AppDefaults"
# Where Wine keeps the saver-running flag ("WINE_ScreenSaverRunning").
WINE_FLAGS = r"HKEY_CURRENT_USER\Software\Wine\Temporary System Parameters"
DESKTOP_KEY = r"HKEY_CURRENT_USER\Control Panel\Desktop"

FULL_SCREEN_LOG = r"C:\windows\torvanecode_fs.log"
LOG = r"C:\windows\torvanecode.log"
TRAPPED = "[STATE] Trapped WM_CLOSE message"
CLOSE_DETECTED = "[STATE] WM_CLOSE detected"

# The stored mode's area at the screen's top-left.
MODE_800 = (0, 0, 800, 600)
MODE_640 = (0, 0, 640, 480)
MODE_320 = (0, 0, 320, 200)
# Wine's virtual desktop shows this blue wherever no window covers it.
DESKTOP_BLUE = (32, 109, 148)
DESKTOP = {(100, 100): DESKTOP_BLUE, (400, 300): DESKTOP_BLUE, (700, 500): DESKTOP_BLUE, (900, 700): DESKTOP_BLUE,
           (1000, 740): DESKTOP_BLUE}


def wait_for_rain(machine, rect, names=("rain1", "rain2"), after=None):
    """Waits until the screen shows the rain inside rect and then a new frame of it; returns both
    pictures. With `after`, the first must already differ from that picture."""
    if after is None:
        first = machine.wait_for_screen(lambda shot: checks.rain_frame(shot, rect), "the rain", names[0])
    else:
        first = machine.wait_for_screen(lambda shot: checks.rain(after, shot, rect), "the rain going on", names[0])
    second = machine.wait_for_screen(lambda shot: checks.rain(first, shot, rect), "a new frame of the rain", names[1])
    return first, second


def close_with_keys(machine, saver):
    """Ends a running full-screen saver as a user does: a key, whose close request is trapped, then
    another."""
    machine.press("space")
    machine.wait_for_line(FULL_SCREEN_LOG, TRAPPED)
    machine.press("space")
    return saver.wait()


def main():
    parser = argparse.ArgumentParser(description="Runs Sarvello.scr as the full-screen saver under Wine.")
    parser.add_argument("saver", type=Path)
    parser.add_argument("out", type=Path, help="where the log (and the pictures) go")
    parser.add_argument("--headless", action="store_true", help="in a private Xvfb instead of on $DISPLAY")
    options = parser.parse_args()
    logging.basicConfig(level=logging.INFO, format="run: %(asctime)s %(message)s", datefmt="%H:%M:%S")
    flavour = Flavour(pe_flavour(options.saver))
    out = options.out
    kept = ["torvanecode_fs.log"]
    if not options.headless:
        prefix = Path(os.environ.get("SARVELLO_WINEPREFIX", Path.home() / ".sarvello-wine"))
        with Machine(flavour, out / "run", prefix=prefix, display=os.environ["DISPLAY"]) as machine:
            print(f"run: starting {options.saver.name} /s on {machine.display}; a key (twice) or a click ends it")
            code = machine.run(options.saver, "/s").wait(timeout=None)
            machine.read_text(FULL_SCREEN_LOG)
    else:
        with Machine(flavour, out / "run", template=Template(flavour)) as machine:
            saver = machine.run(options.saver, "/s")
            wait_for_rain(machine, MODE_800, names=("rain-1", "rain-2"))
            code = close_with_keys(machine, saver)
            machine.read_text(FULL_SCREEN_LOG)
        kept += ["rain-1.png", "rain-2.png"]
    for name in kept:
        shutil.copy(out / "run" / name, out / name)
    print(f"run: the saver ended with exit code {code}; left in {out}: {', '.join(kept)}")
    for fault in machine.faults:
        print(f"run: Wine reported a fault: {fault}")
    return 0 if code == 0 and not machine.faults else 1

if __name__ == "__main__":
    sys.exit(main())
