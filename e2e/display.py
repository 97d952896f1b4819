"""A machine's X display: a private Xvfb, pictures of its screen and input through XTEST."""

import io
import os
import select
import subprocess
import time

from PIL import Image

from prefix import SCREEN, run_wine


def start_xvfb(env, log_path):
    """Starts Xvfb at 16-bit depth (a 5x6x5 desktop, so the windowed preview works) on the first free
    display; -displayfd tells which once it accepts connections."""
    reader, writer = os.pipe()
    with open(log_path, "ab") as log:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", f"{SCREEN}x16", "-nolisten", "tcp"],
                                pass_fds=(writer,), env=env, stdin=subprocess.DEVNULL, stdout=log,
                                stderr=subprocess.STDOUT, start_new_session=True)
    os.close(writer)
    # Xvfb writes the number and its newline apart, and stops if the pipe is gone before the newline.
    number = b""
    try:
        end = time.monotonic() + 30
        while not number.endswith(b"\n") and select.select([reader], [], [], max(0, end - time.monotonic()))[0]:
            more = os.read(reader, 32)
            if not more:
                break
            number += more
    finally:
        os.close(reader)
    number = number.decode().strip()
    if not number.isdigit():
        xvfb.kill()
        xvfb.wait()
        raise RuntimeError(f"Xvfb did not start (its log: {log_path})")
    return xvfb, f":{number}"


def stop_xvfb(xvfb):
    xvfb.terminate()
    try:
        xvfb.wait(5)
    except subprocess.TimeoutExpired:
        xvfb.kill()
        xvfb.wait()


def screenshot(env):
    """The whole screen of env's DISPLAY as an RGB picture."""
    # 8 bits per channel: Pillow reads ImageMagick's 16-bit PPM forty times slower.
    done = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env, capture_output=True,
                          timeout=60)
    if done.returncode != 0:
        raise RuntimeError(f"import -window root failed: {done.stderr.decode(errors='replace')}")
    return Image.open(io.BytesIO(done.stdout)).convert("RGB")


def xdotool(env, *args):
    """Input through XTEST, as a user's; never --window, which sends synthetic events."""
    run_wine(["xdotool", *args], env, timeout=20)
