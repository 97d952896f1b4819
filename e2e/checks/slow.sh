#!/usr/bin/env bash
# Proves that a picture changes seldom: among screenshots taken one after the other, at most MAX of
# the consecutive pairs differ (in 100 pixels or more, each channel compared within 8), so the frames
# come slower than the screenshots. Used for a long stored frame delay: shots taken within less
# than one delay can span at most one new frame.
#
#   slow.sh MAX IMAGE1 IMAGE2 [IMAGE3...]
#
# Prints each pair's count; exit 0 when at most MAX pairs differ, 1 otherwise, 2 on wrong arguments.
set -u -o pipefail
[ $# -ge 3 ] && [[ $1 =~ ^[0-9]+$ ]] || { echo "usage: slow.sh MAX IMAGE1 IMAGE2 [IMAGE3...]" >&2; exit 2; }
max=$1
shift
fuzz=$(awk 'BEGIN { printf "%.2f%%", 100 * 8.5 / 255 }')
changes=0
previous=""
for image in "$@"; do
  [ -f "$image" ] || { echo "slow: no image $image"; exit 1; }
  if [ -n "$previous" ]; then
    differ=$(compare -metric AE -fuzz "$fuzz" "${previous}[0]" "${image}[0]" null: 2>&1 >/dev/null)
    [[ $differ =~ ^[0-9.e+]+$ ]] || { echo "slow: compare failed on $previous and $image: $differ"; exit 1; }
    differ=$(awk -v c="$differ" 'BEGIN { printf "%d", c }')
    if [ "$differ" -ge 100 ]; then changes=$((changes + 1)); fi
    echo "slow: $(basename -- "$previous") -> $(basename -- "$image"): $differ pixels differ"
  fi
  previous=$image
done
if [ "$changes" -le "$max" ]; then
  echo "slow: ok ($changes of $(($# - 1)) pairs changed, at most $max wanted)"
  exit 0
fi
echo "slow: FAIL: $changes of $(($# - 1)) pairs changed, at most $max wanted: the frames come faster than the stored delay"
exit 1
