#!/usr/bin/env bash
# Sarvello's main job: builds everything (the host tools and the Windows build) and renders the
# program's glyph set, as the program converts it for a 16-bit screen, to out/glyph_sheet.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in host-release win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

mkdir -p out
build/host-release/tools/render_glyphs out/glyph_sheet.png --scale 4
echo "run: Windows build in build/win32; glyph set rendered to out/glyph_sheet.png"
