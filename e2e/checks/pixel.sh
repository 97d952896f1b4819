#!/usr/bin/env bash
# Checks pixels of a screenshot: pixel.sh SHOT.png X,Y=R,G,B [X,Y=R,G,B ...], each channel within
# a few units (16-bit colours widen with rounding). Prints every probe; fails on any mismatch.
set -uo pipefail
shot=$1
shift
[ -f "$shot" ] || { echo "pixel: no screenshot $shot"; exit 1; }
tolerance=${PIXEL_TOLERANCE:-8}
bad=0
for probe in "$@"; do
  at=${probe%%=*}
  want=${probe#*=}
  x=${at%%,*}
  y=${at#*,}
  got=$(convert "$shot" -format "%[fx:int(255*p{$x,$y}.r)],%[fx:int(255*p{$x,$y}.g)],%[fx:int(255*p{$x,$y}.b)]" info:)
  IFS=, read -r gr gg gb <<<"$got"
  IFS=, read -r wr wg wb <<<"$want"
  ok=1
  for pair in "$gr:$wr" "$gg:$wg" "$gb:$wb"; do
    d=$(( ${pair%%:*} - ${pair#*:} ))
    [ ${d#-} -le "$tolerance" ] || ok=0
  done
  if [ $ok -eq 1 ]; then echo "pixel ($x,$y) = $got, want $want: ok"; else echo "pixel ($x,$y) = $got, want $want: WRONG"; bad=1; fi
done
exit $bad
