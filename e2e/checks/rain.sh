#!/usr/bin/env bash
# Proves that two screenshots show the rain: green glyphs on black inside a rectangle, black
# everywhere else, and a picture that changed between the two.
#
#   rain.sh [--min-green N] [--max-off N] [--min-changed N] IMAGE1 IMAGE2 X0,Y0,X1,Y1
#
# X0,Y0 is the rectangle's top-left pixel, X1,Y1 the first pixel past its bottom-right corner
# (0,0,800,600 is an 800 x 600 frame at the top-left of the screen). Each image must have, inside
# the rectangle, at least --min-green (default 1000) green pixels (green at least 48 above red and
# above blue) and at most --max-off (default 8) pixels of a colour the glyphs never have (red or
# blue more than 24 above green, or red and blue more than 24 apart: the glyphs are white, greys
# and greens with red equal to blue); outside it, no channel above 8. The images must differ in
# at least --min-changed (default 100) pixels. Colours are read as 8 bits per channel.
# Prints one line: "rain: ok (...)" and exit 0, or "rain: FAIL: <reason>" and exit 1; exit 2 on
# wrong arguments or a missing ImageMagick.
set -u -o pipefail

GREEN_MARGIN=48
OFF_MARGIN=24
BLACK_MAX=8

min_green=1000
max_off=8
min_changed=100

usage() {
  sed -n '5p' "$0" | sed 's/^# *//' >&2
  echo "rain: $*" >&2
  exit 2
}

fail() {
  echo "rain: FAIL: $*"
  exit 1
}

while [ $# -gt 0 ]; do
  case $1 in
  --min-green | --max-off | --min-changed)
    [[ ${2-} =~ ^[0-9]+$ ]] || usage "$1 needs a whole number"
    case $1 in
    --min-green) min_green=$2 ;;
    --max-off) max_off=$2 ;;
    --min-changed) min_changed=$2 ;;
    esac
    shift 2
    ;;
  --) shift; break ;;
  -*) usage "unknown option $1" ;;
  *) break ;;
  esac
done
[ $# -eq 3 ] || usage "needs IMAGE1 IMAGE2 X0,Y0,X1,Y1"
image1=$1
image2=$2
[[ $3 =~ ^([0-9]+),([0-9]+),([0-9]+),([0-9]+)$ ]] || usage "the rectangle must be X0,Y0,X1,Y1: '$3'"
x0=$((10#${BASH_REMATCH[1]}))
y0=$((10#${BASH_REMATCH[2]}))
x1=$((10#${BASH_REMATCH[3]}))
y1=$((10#${BASH_REMATCH[4]}))
rect="$x0,$y0,$x1,$y1"
if [ "$x0" -ge "$x1" ] || [ "$y0" -ge "$y1" ]; then usage "the rectangle $rect is empty"; fi
for t in convert identify compare; do
  command -v "$t" >/dev/null 2>&1 || usage "missing $t (Debian package imagemagick)"
done

for image in "$image1" "$image2"; do
  [ -f "$image" ] || fail "no image $image"
done
sizes=$(identify -format '%w %h\n' "${image1}[0]" "${image2}[0]" 2>/dev/null)
[ "$(wc -l <<<"$sizes")" = 2 ] || fail "$image1 or $image2 is not an image ImageMagick reads"
read -r size1 size2 < <(tr ' ' x <<<"$sizes" | tr '\n' ' ')
[ "$size1" = "$size2" ] || fail "$image2 is $size2, but $image1 is $size1"
width=${size1%x*}
height=${size1#*x}
if [ "$x1" -gt "$width" ] || [ "$y1" -gt "$height" ]; then
  fail "the rectangle $rect reaches past the ${width}x${height} image"
fi
crop="$((x1 - x0))x$((y1 - y0))+$x0+$y0"
inside_black="rectangle $x0,$y0,$((x1 - 1)),$((y1 - 1))"

# Judges one image from the histograms of the inside and of the rest (the inside painted black):
# prints "GREEN OFF WORST_OFF_COLOUR WORST_OFF_COUNT NONBLACK_OUTSIDE OUTSIDE_COLOUR".
judge() { # IMAGE
  convert "${1}[0]" -alpha off -depth 8 \
    \( +clone -crop "$crop" +repage -format 'inside\n%c' -write histogram:info:- +delete \) \
    -fill black -draw "$inside_black" -alpha off -format 'outside\n%c' histogram:info:- |
    sed -e 's/^ *\([0-9]*\): *(\([^)]*\)).*/\1 \2/' | tr ',' ' ' |
    awk -v gm=$GREEN_MARGIN -v om=$OFF_MARGIN -v k=$BLACK_MAX '
      $1 == "inside" || $1 == "outside" { part = $1; next }
      part == "inside" {
        n = $1; r = $2; g = $3; b = $4
        if (g >= r + gm && g >= b + gm) green += n
        d = r - b; if (d < 0) d = -d
        if (r > g + om || b > g + om || d > om) {
          off += n
          if (n > worst_n) { worst_n = n; worst = "(" r "," g "," b ")" }
        }
      }
      part == "outside" && ($2 > k || $3 > k || $4 > k) {
        out += $1
        if ($1 > out_n) { out_n = $1; out_c = "(" $2 "," $3 "," $4 ")" }
      }
      END {
        if (part != "outside") exit 1
        printf "%d %d %s %d %d %s\n", green, off, (worst == "" ? "-" : worst), worst_n, out, (out_c == "" ? "-" : out_c)
      }'
}

# Where the non-black pixels outside the rectangle are, as WxH+X+Y.
outside_box() { # IMAGE
  local box
  box=$(convert "${1}[0]" -alpha off -fill black -draw "$inside_black" \
    -fuzz "$(awk -v k=$BLACK_MAX 'BEGIN { printf "%.2f%%", 100 * (k + 0.5) / 255 }')" \
    -bordercolor black -border 1 -format '%@' info: 2>/dev/null)
  if [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]]; then
    echo "${BASH_REMATCH[1]}x${BASH_REMATCH[2]}+$((BASH_REMATCH[3] - 1))+$((BASH_REMATCH[4] - 1))"
  else
    echo "?"
  fi
}

report=""
for image in "$image1" "$image2"; do
  read -r green off worst worst_n nonblack sample < <(judge "$image") || fail "cannot read the colours of $image"
  if [ "$green" -lt "$min_green" ]; then
    fail "$image has $green green pixels inside $rect, fewer than $min_green"
  fi
  if [ "$off" -gt "$max_off" ]; then
    fail "$image has $off pixels inside $rect in colours the rain never has (most: $worst_n of $worst), more than $max_off"
  fi
  if [ "$nonblack" -gt 0 ]; then
    fail "$image has $nonblack non-black pixels outside $rect (within $(outside_box "$image"), most often $sample)"
  fi
  report+="$(basename -- "$image"): $green green, $off off-colour; "
done

# Outside the rectangle both are black by now, so every pixel that differs is inside it.
changed=$(compare -metric AE -fuzz "$(awk -v k=$BLACK_MAX 'BEGIN { printf "%.2f%%", 100 * (k + 0.5) / 255 }')" \
  "${image1}[0]" "${image2}[0]" null: 2>&1 >/dev/null)
[[ $changed =~ ^[0-9.e+]+$ ]] || fail "compare could not compare $image1 and $image2: $changed"
changed=$(awk -v c="$changed" 'BEGIN { printf "%d", c }')
if [ "$changed" -lt "$min_changed" ]; then
  fail "$image1 and $image2 differ in $changed pixels inside $rect, fewer than $min_changed: the picture does not change"
fi
echo "rain: ok (${report}$changed pixels changed inside $rect)"
