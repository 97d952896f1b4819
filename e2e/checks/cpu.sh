#!/usr/bin/env bash
# Proves that a process stayed near idle between two CPU samples of a run (the harness's cpu:LABEL
# actions, written to NAME.cpu.txt):
#
#   cpu.sh FILE COMM FROM TO MAX-PERCENT
#
# Takes the process whose comm is COMM (compared without regard to case; Wine names a Windows
# process after its program) in the samples FROM and TO, and its processor time between them as a
# share of one processor. Passes when that share is at most MAX-PERCENT; fails when it is above,
# when either sample lacks the process, or when the samples are less than a second apart. Prints
# "cpu: ok (...)" or "cpu: FAIL: <reason>"; exit 0, 1, or 2 for wrong arguments.
set -u -o pipefail
[ $# -eq 5 ] || { echo "usage: cpu.sh FILE COMM FROM TO MAX-PERCENT" >&2; exit 2; }
file=$1 comm=$2 from=$3 to=$4 max=$5
[[ $max =~ ^[0-9]+$ ]] || { echo "cpu: MAX-PERCENT must be a whole number, not '$max'" >&2; exit 2; }
[ -f "$file" ] || { echo "cpu: FAIL: no file $file"; exit 1; }

awk -v comm="$comm" -v from="$from" -v to="$to" -v max="$max" '
  NR == 1 && $1 == "ticks-per-second" { hz = $2; next }
  tolower($4) == tolower(comm) && $1 == from { fms[$3] = $2; fticks[$3] = $5 }
  tolower($4) == tolower(comm) && $1 == to { tms[$3] = $2; tticks[$3] = $5 }
  END {
    if (hz <= 0) { print "cpu: FAIL: no ticks-per-second line in the file"; exit 1 }
    for (p in fms) if (p in tms) pid = p
    if (pid == "") { printf "cpu: FAIL: no process %s in both samples %s and %s\n", comm, from, to; exit 1 }
    seconds = (tms[pid] - fms[pid]) / 1000
    if (seconds < 1) { printf "cpu: FAIL: samples %s and %s only %.3f s apart\n", from, to, seconds; exit 1 }
    percent = (tticks[pid] - fticks[pid]) / hz / seconds * 100
    verdict = percent <= max ? "ok" : "FAIL"
    printf "cpu: %s (%s pid %s: %.1f%% of one processor over %.1f s, at most %d%%)\n", verdict, comm, pid, percent, seconds, max
    exit percent <= max ? 0 : 1
  }' "$file"
