#!/usr/bin/env bash
# Proves that lines.sh, black.sh, slow.sh and cpu.sh fail where they must, on small generated files:
# counts that are off, pictures that are not black or change too often, a busy process. Last line:
# "N passed, M failed".
set -u -o pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
PASSED=0
FAILED=0
WORK=$(mktemp -d "${TMPDIR:-/tmp}/sarvello-checks-test.XXXXXX") || exit 1
trap 'rm -rf "$WORK"' EXIT

# expect DESCRIPTION EXIT-STATUS COMMAND...: the command must end with that status.
expect() {
  local what=$1 want=$2 out rc
  shift 2
  out=$("$@" 2>&1)
  rc=$?
  if [ "$rc" = "$want" ]; then
    PASSED=$((PASSED + 1))
    echo "ok   - $what"
  else
    FAILED=$((FAILED + 1))
    echo "FAIL - $what: exit $rc, wanted $want: $out"
  fi
}

w=$WORK
printf 'LOG_INFO: [STATE] WM_CLOSE detected\r\nLOG_INFO: [STATE] Trapped WM_CLOSE message\r\n' >"$w/log"
printf 'LOG_INFO: [STATE] WM_CLOSE detected\r\n' >>"$w/log"
expect "lines: exact counts that hold pass" 0 "$HERE/lines.sh" "$w/log" "2=WM_CLOSE detected" "1=Trapped" "0=WM_DESTROY"
expect "lines: one count too many fails" 1 "$HERE/lines.sh" "$w/log" "1=WM_CLOSE detected"
expect "lines: a missing line fails" 1 "$HERE/lines.sh" "$w/log" "1=WM_DESTROY"
expect "lines: an unwanted line fails" 1 "$HERE/lines.sh" "$w/log" "0=Trapped"
expect "lines: at least 2 holds for 2" 0 "$HERE/lines.sh" "$w/log" "2+=WM_CLOSE detected"
expect "lines: at least 3 fails for 2" 1 "$HERE/lines.sh" "$w/log" "3+=WM_CLOSE detected"
printf '"Speed"=dword:0000001e\n"Density"=dword:0000012c\n' >"$w/export"
expect "lines: text with '=' in it is counted" 0 "$HERE/lines.sh" "$w/export" '1="Speed"=dword:0000001e'
expect "lines: a missing file fails" 1 "$HERE/lines.sh" "$w/none" "0=x"
expect "lines: a malformed expectation is a usage error" 2 "$HERE/lines.sh" "$w/log" "x=WM_CLOSE"

convert -size 320x240 xc:black "PNG24:$w/black.png"
convert -size 320x240 xc:black -fill 'rgb(12,12,12)' -draw 'point 300,200' "PNG24:$w/grey.png"
convert -size 320x240 xc:black -fill 'rgb(40,255,40)' -draw 'rectangle 10,10,99,99' "PNG24:$w/green1.png"
convert -size 320x240 xc:black -fill 'rgb(40,255,40)' -draw 'rectangle 20,10,109,99' "PNG24:$w/green2.png"
expect "black: two black pictures pass" 0 "$HERE/black.sh" "$w/black.png" "$w/black.png" 0,0,240,180
expect "black: one dark grey pixel fails" 1 "$HERE/black.sh" "$w/black.png" "$w/grey.png" 0,0,240,180
expect "black: green glyphs fail" 1 "$HERE/black.sh" "$w/green1.png" "$w/black.png" 0,0,240,180

expect "slow: a still picture passes with no change allowed" 0 "$HERE/slow.sh" 0 "$w/green1.png" "$w/green1.png" "$w/green1.png"
expect "slow: one change among three pairs passes MAX 1" 0 "$HERE/slow.sh" 1 "$w/green1.png" "$w/green1.png" \
  "$w/green2.png" "$w/green2.png"
expect "slow: two changes fail MAX 1" 1 "$HERE/slow.sh" 1 "$w/green1.png" "$w/green2.png" "$w/green1.png"
expect "slow: one picture is a usage error" 2 "$HERE/slow.sh" 1 "$w/green1.png"

# Two samples 4 s apart at 100 ticks per second: Sarvello.scr used 20 ticks (5%), wine 360 (90%).
printf 'ticks-per-second 100\nfirst 2000 41 Sarvello.scr 300\nfirst 2000 42 wine 10\n' >"$w/cpu"
printf 'second 6000 41 Sarvello.scr 320\nsecond 6000 42 wine 370\nnear 2500 41 Sarvello.scr 301\n' >>"$w/cpu"
expect "cpu: a near idle process passes" 0 "$HERE/cpu.sh" "$w/cpu" sarvello.scr first second 10
expect "cpu: the same process above the limit fails" 1 "$HERE/cpu.sh" "$w/cpu" Sarvello.scr first second 4
expect "cpu: a busy process fails" 1 "$HERE/cpu.sh" "$w/cpu" wine first second 50
expect "cpu: a process missing from a sample fails" 1 "$HERE/cpu.sh" "$w/cpu" preview_host.exe first second 50
expect "cpu: samples under a second apart fail" 1 "$HERE/cpu.sh" "$w/cpu" Sarvello.scr first near 50
expect "cpu: a limit that is not a number is a usage error" 2 "$HERE/cpu.sh" "$w/cpu" Sarvello.scr first second x

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
