#!/usr/bin/env bash
# Counts lines of a text file that a run left behind (a log, a helper's record, a registry export):
#
#   lines.sh FILE COUNT=TEXT...
#
# Each COUNT=TEXT wants exactly COUNT lines that contain TEXT (fixed text, case-sensitive, CR line
# ends ignored); COUNT+ wants at least COUNT such lines. TEXT may itself contain '='. Prints every
# expectation with what was found; exit 0 when all hold, 1 otherwise, 2 on wrong arguments.
set -u -o pipefail
[ $# -ge 2 ] || { echo "usage: lines.sh FILE COUNT=TEXT..." >&2; exit 2; }
file=$1
shift
[ -f "$file" ] || { echo "lines: no file $file"; exit 1; }
text=$(tr -d '\r' <"$file")
bad=0
for want in "$@"; do
  [[ $want =~ ^([0-9]+)(\+?)=(.+)$ ]] || { echo "lines: COUNT=TEXT or COUNT+=TEXT, not '$want'" >&2; exit 2; }
  count=${BASH_REMATCH[1]}
  atleast=${BASH_REMATCH[2]}
  needle=${BASH_REMATCH[3]}
  found=$(grep -cF -- "$needle" <<<"$text")
  if { [ -n "$atleast" ] && [ "$found" -ge "$count" ]; } || { [ -z "$atleast" ] && [ "$found" -eq "$count" ]; }; then
    echo "lines: $found line(s) with '$needle', want $count$atleast: ok"
  else
    echo "lines: $found line(s) with '$needle', want $count$atleast: WRONG ($(basename -- "$file"))"
    bad=1
  fi
done
exit $bad
