#!/usr/bin/env bash
# Proves that screenshots of a running full-screen saver are black all over (no channel above 8
# anywhere, so neither glyphs nor Wine's desktop show), and that rain.sh refuses them for want of
# green:
#
#   black.sh IMAGE1 IMAGE2 X0,Y0,X1,Y1
#
# Prints one line per image and rain.sh's verdict; exit 0 when both are black and rain.sh failed
# them, 1 otherwise.
set -u -o pipefail
[ $# -eq 3 ] || { echo "usage: black.sh IMAGE1 IMAGE2 X0,Y0,X1,Y1" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
bad=0
for image in "$1" "$2"; do
  [ -f "$image" ] || { echo "black: no image $image"; exit 1; }
  lit=$(convert "${image}[0]" -alpha off -depth 8 -format '%c' histogram:info:- |
    sed -e 's/^ *\([0-9]*\): *(\([^)]*\)).*/\1 \2/' | tr ',' ' ' |
    awk '$2 > 8 || $3 > 8 || $4 > 8 { n += $1 } END { print n + 0 }')
  if [ "$lit" -eq 0 ]; then
    echo "black: $(basename -- "$image") is black all over"
  else
    echo "black: $(basename -- "$image") has $lit pixels that are not black: WRONG"
    bad=1
  fi
done
verdict=$("$here/rain.sh" "$1" "$2" "$3")
rc=$?
echo "$verdict"
if [ $rc -ne 1 ] || [[ $verdict != *" has 0 green pixels inside "* ]]; then
  echo "black: rain.sh should have failed for want of green (exit $rc)"
  bad=1
fi
exit $bad
