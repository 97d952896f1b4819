#!/usr/bin/python3
"""The renderer's animated PNG holds the frames the renderer drew.

Each run renders a few frames twice over, as still PNGs (every frame) and as one animated PNG, and
decodes the animation with Pillow: frame count, size, loop, each frame's time, and every frame's
pixels against the still of the same frame. A later frame holds only the pixels that changed
(palette entry 0, transparent, laid over the frame before); the Pillow of Debian 12 does not lay a
palette frame over the one before, so the test does it, after checking that each frame asks for it.
The README's picture is checked too: animated, 800 x 600, a frame every 30 ms, at most 3 MB.

Usage: render_animation_test.py RENDER README-PICTURE
"""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from PIL import Image, ImageChops

RENDER = None
README_PICTURE = None

# Each run: size, drops, highlight percentage, frames, milliseconds a frame, colour type.
RUNS = [
    ((200, 150), 60, 8, 12, 30, 1),
    ((96, 64), 20, 50, 6, 45, 0),
]


def frames_of(path):
    """The animation's frames as RGB pictures, each laid over the one before, and each frame's info."""
    shown = None
    frames, infos = [], []
    with Image.open(path) as animation:
        for number in range(animation.n_frames):
            animation.seek(number)
            frame = animation.copy()
            infos.append(dict(animation.info))
            if shown is not None and frame.mode == "P":
                # Entry 0 keeps what the frame before showed.
                unchanged = frame.point(lambda entry: 255 if entry == 0 else 0, "1")
                frame = frame.convert("RGB")
                frame.paste(shown, (0, 0), unchanged)
            shown = frame.convert("RGB")
            frames.append(shown)
    return frames, infos


class RenderAnimationTest(unittest.TestCase):
    def test_the_animation_decodes_to_the_frames_drawn(self):
        for size, drops, highlight, count, speed, colour_type in RUNS:
            run = f"{size[0]}x{size[1]}, {drops} drops, {highlight} %, {count} frames, {speed} ms, type {colour_type}"
            with self.subTest(run), tempfile.TemporaryDirectory(prefix="render-animation.") as work:
                animation = Path(work) / "rain.png"
                subprocess.run([RENDER, f"{work}/still", "--apng", str(animation), "--size", f"{size[0]}x{size[1]}",
                                "--drops", str(drops), "--highlight", str(highlight), "--frames", str(count),
                                "--every", "1", "--speed", str(speed), "--colour-type", str(colour_type)],
                               check=True, capture_output=True)
                with Image.open(animation) as picture:
                    self.assertEqual(picture.size, size)
                    self.assertEqual(picture.n_frames, count)
                    self.assertEqual(picture.info.get("loop"), 0, "plays for ever")
                frames, infos = frames_of(animation)
                for number, (frame, info) in enumerate(zip(frames, infos), 1):
                    self.assertEqual(info.get("duration"), speed, f"frame {number}'s time")
                    self.assertEqual(info.get("disposal"), 0, f"frame {number} stays under the next")
                    self.assertEqual(info.get("blend"), 0 if number == 1 else 1, f"frame {number}'s blending")
                    self.assertEqual(info.get("transparency"), 0, "palette entry 0 is the transparent one")
                    with Image.open(Path(work) / f"still-{number:04d}.png") as still:
                        difference = ImageChops.difference(frame, still.convert("RGB")).getbbox()
                    self.assertIsNone(difference, f"frame {number} differs from its still in {difference}")
                    self.assertIsNotNone(frame.getbbox(), f"frame {number} is black")
                moved = sum(ImageChops.difference(a, b).getbbox() is not None for a, b in zip(frames, frames[1:]))
                self.assertEqual(moved, count - 1, "every frame shows the rain moved")

    def test_the_readme_picture_is_the_default_rain_within_3_mb(self):
        self.assertLessEqual(Path(README_PICTURE).stat().st_size, 3 * 1024 * 1024)
        with Image.open(README_PICTURE) as picture:
            self.assertEqual(picture.size, (800, 600))
            self.assertGreaterEqual(picture.n_frames, 100, "a few seconds")
            self.assertEqual(picture.info.get("duration"), 30, "one frame every 30 ms")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print("usage: render_animation_test.py RENDER README-PICTURE", file=sys.stderr)
        sys.exit(2)
    RENDER, README_PICTURE = sys.argv[1:]
    unittest.main(argv=sys.argv[:1], verbosity=2)
