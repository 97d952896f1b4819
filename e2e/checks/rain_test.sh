#!/usr/bin/env bash
# Proves that rain.sh tells the rain from what it is not, on small generated pictures: rain in
# the glyphs' colours passes; black, a still picture, red or blue or yellow parts, too little
# green, or anything outside the rectangle fails with the reason named. Last line:
# "N passed, M failed".
set -u -o pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
RAIN=$HERE/rain.sh
PASSED=0
FAILED=0
WORK=$(mktemp -d "${TMPDIR:-/tmp}/sarvello-rain-test.XXXXXX") || exit 1
trap 'rm -rf "$WORK"' EXIT

# The pictures are 320 x 240 with the rain in 0,0,240,180.
SIZE=320x240
RECT=0,0,240,180

ok() { PASSED=$((PASSED + 1)); echo "ok   - $*"; }
bad() { FAILED=$((FAILED + 1)); echo "FAIL - $*"; }

# Runs rain.sh; OUT holds its output, RC its exit status.
rain() {
  OUT=$("$RAIN" "$@" 2>&1)
  RC=$?
}

passes() { # DESCRIPTION RAIN-ARGS...
  local what=$1
  shift
  rain "$@"
  if [ "$RC" = 0 ] && [[ $OUT == "rain: ok ("* ]]; then ok "$what"; else bad "$what: exit $RC: $OUT"; fi
}

fails_with() { # DESCRIPTION TEXT RAIN-ARGS...: exit 1, one line, naming TEXT
  local what=$1 text=$2
  shift 2
  rain "$@"
  if [ "$RC" = 1 ] && [[ $OUT == "rain: FAIL: "*"$text"* ]] && [ "$(wc -l <<<"$OUT")" = 1 ]; then
    ok "$what"
  else
    bad "$what: exit $RC, wanted 1 and a line with '$text': $OUT"
  fi
}

# Columns of glyph-sized blocks in the glyphs' colours (bright and dim forms, and their shades),
# placed from SEED, inside 0,0-239,179.
rain_draw() { # SEED
  awk -v seed="$1" 'BEGIN {
    srand(seed)
    split("255,255,255 40,255,40 10,112,10 30,153,30 5,153,5 1,67,1 127,127,127 20,127,20 15,76,15", c, " ")
    for (col = 0; col < 14; col++) {
      x = int(rand() * 226); y = int(rand() * 60)
      for (; y < 168; y += 16) printf "fill rgb(%s) rectangle %d,%d,%d,%d ", c[1 + int(rand() * 9)], x, y, x + 11, y + 11
    }
  }'
}

picture() { # FILE DRAW-PRIMITIVES
  convert -size "$SIZE" xc:black +antialias -draw "$2" "PNG24:$1" || { echo "cannot make $1"; exit 1; }
}

main() {
  local w=$WORK
  picture "$w/rain1.png" "$(rain_draw 1)"
  picture "$w/rain2.png" "$(rain_draw 2)"
  convert -size "$SIZE" xc:black "PNG24:$w/black.png"
  picture "$w/red.png" "$(rain_draw 3 | sed 's/fill rgb([^)]*)/fill rgb(255,40,40)/g')"
  picture "$w/sparse.png" "fill rgb(40,255,40) rectangle 10,10,19,19"
  convert "$w/rain2.png" -fill 'rgb(40,255,40)' -draw 'point 300,10' "PNG24:$w/rain2-outside.png"
  convert "$w/rain1.png" -fill 'rgb(40,255,40)' -draw 'rectangle 10,10,13,12' "PNG24:$w/rain1-few.png"
  convert "$w/rain1.png" -crop 300x240+0+0 +repage "PNG24:$w/narrow.png"

  passes "two different pictures of rain pass" "$w/rain1.png" "$w/rain2.png" "$RECT"
  fails_with "an all-black first picture fails on the green count" "has 0 green pixels inside $RECT" \
    "$w/black.png" "$w/rain2.png" "$RECT"
  fails_with "an all-black second picture fails too" "black.png has 0 green pixels" \
    "$w/rain1.png" "$w/black.png" "$RECT"
  fails_with "the same picture twice fails: the picture does not change" "the picture does not change" \
    "$w/rain1.png" "$w/rain1.png" "$RECT"
  fails_with "a picture changed in 12 pixels fails the default 100" "differ in 12 pixels" \
    "$w/rain1.png" "$w/rain1-few.png" "$RECT"
  passes "... and passes --min-changed 10" --min-changed 10 "$w/rain1.png" "$w/rain1-few.png" "$RECT"
  fails_with "rain drawn in red fails" "green pixels inside" "$w/red.png" "$w/rain2.png" "$RECT"
  fails_with "one green block fails the default green count of 1000" "has 100 green pixels" \
    "$w/sparse.png" "$w/rain2.png" "$RECT"
  passes "... and passes --min-green 100" --min-green 100 --min-changed 10 "$w/sparse.png" "$w/rain2.png" "$RECT"

  # Colours the glyphs never have, in a 3 x 3 patch amid the rain.
  local colour name
  for colour in "255,0,0:red" "0,0,255:blue" "255,255,0:yellow" "32,109,148:Wine's desktop blue"; do
    name=${colour#*:}
    colour=${colour%%:*}
    convert "$w/rain1.png" -fill "rgb($colour)" -draw 'rectangle 100,100,102,102' "PNG24:$w/off.png"
    fails_with "a 3 x 3 $name patch inside fails" "9 pixels inside $RECT in colours the rain never has (most: 9 of ($colour))" \
      "$w/off.png" "$w/rain2.png" "$RECT"
  done
  convert "$w/rain1.png" -fill 'rgb(255,0,0)' -draw 'rectangle 100,100,101,101' "PNG24:$w/off4.png"
  passes "4 red pixels are within the default --max-off 8" "$w/off4.png" "$w/rain2.png" "$RECT"
  fails_with "... but not within --max-off 3" "4 pixels inside" --max-off 3 "$w/off4.png" "$w/rain2.png" "$RECT"

  # Outside the rectangle: X1,Y1 is the first pixel past it.
  local at
  for at in "240,50" "50,180" "300,200"; do
    convert "$w/rain1.png" -fill 'rgb(20,127,20)' -draw "point $at" "PNG24:$w/out.png"
    fails_with "a dim green pixel at $at, outside $RECT, fails and is located" \
      "1 non-black pixels outside $RECT (within 1x1+${at/,/+}, most often (20,127,20))" \
      "$w/out.png" "$w/rain2.png" "$RECT"
  done
  convert "$w/rain1.png" -fill 'rgb(20,127,20)' -draw "point 239,179" "PNG24:$w/in.png"
  passes "a pixel at 239,179, the last inside, is no fault" "$w/in.png" "$w/rain2.png" "$RECT"
  convert "$w/rain1.png" -fill 'rgb(9,9,9)' -draw "rectangle 250,10,259,19" "PNG24:$w/grey9.png"
  fails_with "a patch of (9,9,9) outside is not black" "100 non-black pixels outside" \
    "$w/grey9.png" "$w/rain2.png" "$RECT"
  convert "$w/rain1.png" -fill 'rgb(8,8,8)' -draw "rectangle 250,10,259,19" "PNG24:$w/grey8.png"
  passes "... but (8,8,8) still counts as black" "$w/grey8.png" "$w/rain2.png" "$RECT"
  fails_with "a second picture with a pixel outside fails" "rain2-outside.png has 1 non-black pixels outside" \
    "$w/rain1.png" "$w/rain2-outside.png" "$RECT"

  # Wrong inputs.
  fails_with "pictures of different sizes fail" "narrow.png is 300x240, but" "$w/rain1.png" "$w/narrow.png" "$RECT"
  fails_with "a rectangle past the picture fails" "reaches past the 320x240 image" \
    "$w/rain1.png" "$w/rain2.png" 0,0,321,100
  fails_with "a missing picture fails" "no image $w/none.png" "$w/rain1.png" "$w/none.png" "$RECT"
  rain "$w/rain1.png" "$w/rain2.png" 10,10,10,20
  if [ "$RC" = 2 ]; then ok "an empty rectangle is a usage error (exit 2)"; else bad "empty rectangle: exit $RC: $OUT"; fi
  rain "$w/rain1.png" "$w/rain2.png"
  if [ "$RC" = 2 ]; then ok "a missing rectangle is a usage error (exit 2)"; else bad "no rectangle: exit $RC: $OUT"; fi
}

main
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
