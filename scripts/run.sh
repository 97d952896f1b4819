#!/usr/bin/env bash
# Sarvello's main job: builds Sarvello.scr into dist/ and starts it as the full-screen saver under
# Wine. With a display ($DISPLAY answers) the saver runs there, in a Wine virtual desktop of its own
# prefix (~/.sarvello-wine), until you press a key twice (the first close request is trapped) or
# click. Without one it runs in a private Xvfb, and the screenshots it leaves are in dist/.
# Also renders the glyph set and a frame of the rain with the host tools into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in host-release win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

mkdir -p dist out
cp build/win32/Sarvello.scr dist/Sarvello.scr
build/host-release/tools/render_glyphs out/glyph_sheet.png --scale 4
build/host-release/tools/render out/rain --size 800x600 --drops 300 --highlight 8 --frames 60 --every 60 >/dev/null

# The product is the 32-bit program; a host whose kernel runs no 32-bit code runs the x86_64 build
# of the same sources instead (see e2e/README.md). The saver runs through the e2e tests' own
# machinery (e2e/saver.py), with Debian's Python, which sees Debian's Pillow.
flavour=$(/usr/bin/python3 e2e/machine.py --probe) || { echo "run: no working Wine on this machine"; exit 1; }
saver=dist/Sarvello.scr
if [ "$flavour" = win64 ]; then
  cp build/win64/Sarvello.scr dist/Sarvello-x64.scr
  saver=dist/Sarvello-x64.scr
  echo "run: this host runs no 32-bit programs; starting the x86_64 build of the same sources"
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && [ -z "${SARVELLO_HEADLESS:-}" ]; then
  PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 e2e/saver.py "$saver" dist
else
  echo "run: no display; running $saver /s in a private Xvfb"
  PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 e2e/saver.py "$saver" dist --headless
fi
