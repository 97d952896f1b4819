#!/usr/bin/env bash
# Sarvello's main job: builds everything (the host tools and the Windows build), renders the
# program's glyph set as the program converts it for a 16-bit screen to out/glyph_sheet.png, and
# a frame of the rain composed by the program's own code on the simulated display to
# out/rain-0060.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in host-release win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

mkdir -p out
build/host-release/tools/render_glyphs out/glyph_sheet.png --scale 4
build/host-release/tools/render out/rain --size 800x600 --drops 300 --highlight 8 --frames 60 --every 60 >/dev/null
echo "run: Windows build in build/win32; glyph set in out/glyph_sheet.png; the rain in out/rain-0060.png"
