#!/usr/bin/env bash
# The frame benchmark of both builds, from one command: ComposeFrame at 800x600, 1024x768 and
# 1920x1080 (and the rain model's share of it) as a multiple of a fast copy of the same frame,
# measured in the same run, by the Windows build under Wine (the heart compiled as the program
# compiles it and linked as Sarvello.scr is: src/runtime's memory functions, no C runtime; the copy
# is `rep movsd`) and by the optimised host build (the copy is the C library's memcpy). Each
# program prints its own rows; a table of both follows. The Windows build is the 32-bit program
# where this host runs 32-bit code, otherwise the 64-bit build of the same sources
# (e2e/machine.py --probe decides, as for the tests under Wine).
# Usage: scripts/frame_bench.sh [--rounds N]   (default 15; the medians of the rounds are shown)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

flavour=$(/usr/bin/python3 e2e/machine.py --probe)
if [ -z "$flavour" ]; then
  echo "frame_bench: no working Wine on this machine" >&2
  exit 1
fi
for preset in host-release "$flavour"; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target frame_bench >/dev/null
done

if [ "$flavour" = win32 ]; then
  loader=/usr/lib/wine/wine
  what="Windows build (32-bit, -march=i586 -mtune=pentium -O2, under Wine)"
else
  loader=/usr/lib/wine/wine64
  what="Windows build (64-bit: this host runs no 32-bit code, under Wine)"
fi
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32
prefix=$PWD/build/$flavour/bench-wine  # made by the first run, which takes a few seconds more
windows=$(WINEPREFIX=$prefix WINEARCH=$flavour WINELOADER=$loader WINESERVER=$server WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" "$loader" "build/$flavour/bench/frame_bench.exe" "$@" | tr -d '\r')
host=$(build/host-release/bench/frame_bench "$@")
echo "$windows"
echo "$host"

# "ComposeFrame 800x600    2.95 x rep movsd  (frame ...": the name and size, then the ratio and the copy.
rows() { sed -nE 's/^(ComposeFrame|RainModel) ([0-9]+x[0-9]+) +([0-9.]+ x [^(]*[^ (]) +\(.*/\1 \2|\3/p'; }
echo
echo "As a multiple of a copy of the same frame (medians, each build's copy in its own run);"
echo "RainModel is the same frame with nothing drawn: the drops moved and every cell updated:"
printf '  %-22s  %-70s  %s\n' "" "$what" "host build (x86-64, optimised)"
while IFS='|' read -r row ratio; do
  printf '  %-22s  %-70s  %s\n' "$row" "$ratio" "$(rows <<<"$host" | awk -F'|' -v s="$row" '$1 == s { print $2 }')"
done < <(rows <<<"$windows")
