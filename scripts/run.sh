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
# of the same sources instead (see e2e/README.md).
flavour=$(e2e/harness/run.sh --probe) || { echo "run: no working Wine on this machine"; exit 1; }
saver=dist/Sarvello.scr
if [ "$flavour" = win64 ]; then
  cp build/win64/Sarvello.scr dist/Sarvello-x64.scr
  saver=dist/Sarvello-x64.scr
  echo "run: this host runs no 32-bit programs; starting the x86_64 build of the same sources"
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && [ -z "${SARVELLO_HEADLESS:-}" ]; then
  export WINEPREFIX=${SARVELLO_WINEPREFIX:-$HOME/.sarvello-wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$flavour" = win64 ]; then
    export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
    wine=/usr/lib/wine/wine64
  else
    export WINEARCH=win32
    wine=/usr/lib/wine/wine
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "run: preparing the Wine prefix $WINEPREFIX (once)"
    "$wine" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w 2>/dev/null || true
  fi
  # Full-screen DirectDraw needs a virtual desktop; making it the prefix's default keeps the exit code.
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  echo "run: starting $saver /s on $DISPLAY; a key (twice) or a click ends it"
  set +e
  "$wine" "$saver" /s
  code=$?
  set -e
  echo "run: the saver ended with exit code $code; its log is $WINEPREFIX/drive_c/windows/torvanecode_fs.log"
else
  echo "run: no display; running $saver /s in a private Xvfb"
  e2e/harness/run.sh --name saver --artifacts dist/run --timeout 60 \
    --action 11:shot:rain-1 --action 13:shot:rain-2 --action 14:key:space --action 15:key?:space \
    --collect 'C:\windows\torvanecode_fs.log' -- "$saver" /s
  cp dist/run/rain-1.png dist/run/rain-2.png dist/run/torvanecode_fs.log dist/
  echo "run: screenshots dist/rain-1.png and dist/rain-2.png, the saver's log dist/torvanecode_fs.log"
fi
