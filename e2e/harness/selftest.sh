#!/usr/bin/env bash
# Checks e2e/harness/run.sh end to end with tiny Windows programs built here by MinGW: verdicts,
# captured output, collected files, screenshots, timeouts, signals, the template prefix and that
# no process the harness started outlives it. Last line: "N passed, M failed".
set -u -o pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
RUN=$HERE/run.sh
PASSED=0
FAILED=0
WORK=""
BG_PIDS=()
FULL_RUNS=() # artifact names of runs that got as far as starting Xvfb and the program

ok() {
  PASSED=$((PASSED + 1))
  echo "ok   - $*"
}

bad() {
  FAILED=$((FAILED + 1))
  echo "FAIL - $*"
}

check() { # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then ok "$what"; else bad "$what"; fi
}

finish() {
  local p
  for p in "${BG_PIDS[@]}"; do
    kill -TERM "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  [ -n "$WORK" ] && rm -rf "$WORK"
}
trap finish EXIT

now_ms() {
  local t=${EPOCHREALTIME/./}
  echo $((10#$t / 1000))
}

# Runs the harness with artifacts under $ART/NAME; leaves its exit code in RC and output in OUT.
harness() { # NAME ARGS...
  local name=$1
  shift
  OUT=$ART/$name.out
  "$RUN" --name "$name" --artifacts "$ART/$name" "$@" >"$OUT" 2>&1
  RC=$?
}

last_line() { tail -n 1 "$1"; }

has() { # FILE TEXT: the file holds TEXT (fixed string)
  grep -qF -- "$2" "$1"
}

lacks() { ! grep -qF -- "$2" "$1"; }

# The file has TEXT as a whole line; a Windows program's text-mode output ends lines with CRLF,
# which the harness keeps as written.
line_in() { # FILE TEXT
  tr -d '\r' <"$1" | grep -qxF -- "$2"
}

line_in_i() { # FILE TEXT, any case
  tr -d '\r' <"$1" | grep -qixF -- "$2"
}

# Reads one pixel of a PNG as "R G B" in 0..255.
pixel() { # FILE X Y
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" info: 2>/dev/null
}

near() { # "R G B" R G B TOLERANCE
  local a
  read -r -a a <<<"$1"
  [ ${#a[@]} -eq 3 ] || return 1
  local d i want=("$2" "$3" "$4")
  for i in 0 1 2; do
    d=$((a[i] - want[i]))
    [ ${d#-} -le "$5" ] || return 1
  done
}

not_near() { ! near "$@"; }

# --- programs ------------------------------------------------------------------------------------

write_sources() {
  cat >"$SRC/ret7.c" <<'EOF'
#include <stdio.h>
int main(int argc, char **argv) {
  for (int i = 0; i < argc; i++) printf("arg[%d]=%s\n", i, argv[i]);
  fprintf(stderr, "ret7 stderr line\n");
  return 7;
}
EOF
  cat >"$SRC/writer.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
#include <string.h>
int main(void) {
  char dir[MAX_PATH], path[MAX_PATH], buf[128] = {0};
  GetCurrentDirectoryA(MAX_PATH, dir);
  printf("cwd=%s\n", dir);
  GetModuleFileNameA(NULL, path, MAX_PATH);
  strcpy(strrchr(path, '\\') + 1, "sibling.txt");
  FILE *in = fopen(path, "r");
  if (!in) { printf("no %s\n", path); return 3; }
  fgets(buf, sizeof buf, in);
  fclose(in);
  FILE *out = fopen("C:\\windows\\probe.txt", "w");
  if (!out) return 4;
  fprintf(out, "probe got: %s", buf);
  fclose(out);
  return 0;
}
EOF
  cat >"$SRC/hang.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
int main(void) {
  printf("hanging\n");
  fflush(stdout);
  Sleep(INFINITE);
  return 0;
}
EOF
  cat >"$SRC/version.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
int main(void) {
  OSVERSIONINFOA v;
  v.dwOSVersionInfoSize = sizeof v;
  GetVersionExA(&v);
  printf("platform %lu version %lu.%lu\n", v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
  return (int)v.dwPlatformId;
}
EOF
  # Appends to C:\windows\hh.exe in place: a file the harness shares with the template.
  cat >"$SRC/scribble.c" <<'EOF'
#include <windows.h>
int main(void) {
  HANDLE f = CreateFileA("C:\\windows\\hh.exe", FILE_APPEND_DATA, 0, NULL, OPEN_EXISTING, 0, NULL);
  if (f == INVALID_HANDLE_VALUE) return 2;
  DWORD n;
  if (!WriteFile(f, "x", 1, &n, NULL) || n != 1) return 3;
  CloseHandle(f);
  return 0;
}
EOF
  # A top-most popup filled with one colour at (100,100)-(500,400) of the desktop; it ends itself
  # with exit code 5 after SHOW_MS.
  cat >"$SRC/solid.c" <<'EOF'
#include <windows.h>
#define SHOW_MS 10000
static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_TIMER) { PostQuitMessage(5); return 0; }
  return DefWindowProcA(w, m, wp, lp);
}
int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
  (void)prev; (void)cmd; (void)show;
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = proc;
  wc.hInstance = inst;
  wc.lpszClassName = "solid";
  wc.hbrBackground = CreateSolidBrush(RGB(200, 40, 120));
  if (!RegisterClassA(&wc)) return 2;
  HWND w = CreateWindowExA(WS_EX_TOPMOST, "solid", "solid", WS_POPUP | WS_VISIBLE,
                           100, 100, 400, 300, NULL, NULL, inst, NULL);
  if (!w) return 3;
  SetTimer(w, 1, SHOW_MS, NULL);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
  return (int)msg.wParam;
}
EOF
}

build() { # COMPILER OUT SRC [FLAGS...]: SRC in $SRC unless it is a path
  local cc=$1 out=$2 src=$3
  shift 3
  [[ $src == */* ]] || src=$SRC/$src
  if ! "$cc" -O2 -Wall -o "$BIN/$out" "$src" "$@" >"$BIN/$out.build.log" 2>&1; then
    echo "selftest: cannot build $out with $cc:"
    cat "$BIN/$out.build.log"
    exit 1
  fi
}

# --- checks on processes ------------------------------------------------------------------------

# Every process recorded in a pids file is gone (a recorded pid that is alive counts only if it
# still carries that run's mark, so a reused pid is no false alarm). Threads are read one by one:
# a process whose main thread has ended but another lives on is still there.
no_recorded_process_left() {
  local f pid comm role id left=0
  for f in "$ART"/*/*.pids; do
    [ -f "$f" ] || continue
    while read -r pid comm role id; do
      if grep -qszxF "SARVELLO_E2E_RUN=$id" /proc/"$pid"/task/[0-9]*/environ; then
        echo "  still running: $pid $comm ($role) from $f"
        left=1
      fi
    done <"$f"
  done
  [ "$left" = 0 ]
}

records_xvfb_and_wineserver() { # NAME
  local f=$ART/$1/$1.pids
  grep -q ' xvfb ' "$f" 2>/dev/null && grep -q ' wineserver ' "$f" 2>/dev/null &&
    grep -q ' program ' "$f" 2>/dev/null
}

# Scans every process for the mark of a run of this selftest (the run ids are in its pids files).
no_marked_process_at_all() {
  local f p id found=""
  while read -r f; do
    p=${f#/proc/}
    p=${p%%/*}
    id=$(tr '\0' '\n' 2>/dev/null <"$f" | sed -n 's/^SARVELLO_E2E_RUN=//p')
    if [ -n "$id" ] && grep -qs " $id\$" "$ART"/*/*.pids; then
      found+="  marked process $p ($(cat "/proc/$p/comm" 2>/dev/null)) of run $id"$'\n'
    fi
  done < <(grep -lzF "SARVELLO_E2E_RUN=" /proc/[0-9]*/task/[0-9]*/environ 2>/dev/null)
  printf '%s' "$found"
  [ -z "$found" ]
}

no_leftover_warning() { ! grep -l 'ending leftover process' "$ART"/*.out; }

# --- actions and the registry ------------------------------------------------------------------

# The lines "action TEXT: at ..." of a harness output, in the order the actions ran, as TEXTs.
actions_run() { # OUT-FILE
  sed -n 's/^e2e [^:]*: action \(.*\): at [0-9.]*s$/\1/p' "$1" | tr '\n' ' '
}

# Lines of a file in this order (other lines between them allowed).
in_order() { # FILE TEXT...
  local file=$1 line
  shift
  while IFS= read -r line; do
    [ $# -gt 0 ] || break
    if [[ $line == *"$1"* ]]; then shift; fi
  done <"$file"
  [ $# -eq 0 ]
}

plain_export() { # FILE: what reg export wrote, as UTF-8 with LF line ends
  [ "$(head -n 1 "$1")" = "Windows Registry Editor Version 5.00" ] && ! grep -q $'\r' "$1"
}

action_and_registry_tests() {
  local rain=$HERE/../checks/rain.sh ready='C:\windows\inputprobe.ready' t0 ms

  # Refused before anything starts.
  harness act-verb --action 5:jump:x -- "$BIN/ret7.exe"
  check "an unknown action verb is refused with exit 2" test "$RC" = 2
  check "... naming the verbs" has "$OUT" "unknown verb 'jump'"
  harness act-late --timeout 10 --action 10:key:space -- "$BIN/ret7.exe"
  check "an action at or after --timeout is refused with exit 2" test "$RC" = 2
  harness act-dup --action 1:shot:a --action '2:shot?:a' -- "$BIN/ret7.exe"
  check "two screenshots of one name are refused with exit 2" test "$RC" = 2
  harness act-move --action 1:move:10 -- "$BIN/ret7.exe"
  check "move:X without Y is refused with exit 2" test "$RC" = 2
  harness act-cpu --action '1:cpu:a b' -- "$BIN/ret7.exe"
  check "cpu:LABEL with a blank in the label is refused with exit 2" test "$RC" = 2
  harness reg-type --reg-add 'HKCU\Software\Brenmoor\SelfTest' Width REG_WORD 1 -- "$BIN/ret7.exe"
  check "--reg-add with an unknown type is refused with exit 2" test "$RC" = 2
  harness reg-short --reg-add 'HKCU\Software\Brenmoor\SelfTest' Width REG_DWORD -- "$BIN/ret7.exe"
  check "--reg-add with three of its four arguments is refused with exit 2" test "$RC" = 2
  harness act-noprog --action '1:run:nothere.exe' -- "$BIN/ret7.exe"
  check "a run: program that is not beside the program is refused with exit 2" test "$RC" = 2
  check "... saying where it looked" has "$OUT" 'no C:\sarvello\nothere.exe in the prefix'

  # Input through XTEST reaches the Wine window; screenshots come at their times.
  harness input --timeout 60 \
    --action "0:wait-file:$ready" --action 0.5:shot:before --action 1:move:200,300 --action 1.5:click:1 \
    --action 1.7:click:3 --action 2:key:space --action 2.5:shot:after --action 3:key:Escape \
    --action '25:shot?:late' -- "$BIN/inputprobe.exe"
  FULL_RUNS+=(input)
  local so=$ART/input/input.stdout
  check "key:Escape through XTEST ends the window's program with its exit 0" test "$RC" = 0
  check "... move:200,300 reaches it as a mouse move to (200,300)" line_in "$so" 'move 200 300'
  check "... click:1 as a left button press there" line_in "$so" 'button 1 200 300'
  check "... click:3 as a right button press" line_in "$so" 'button 3 200 300'
  check "... key:space as VK_SPACE" line_in "$so" 'key 0x20'
  check "... in the order given" in_order "$so" 'move 200 300' 'button 1' 'button 3' 'key 0x20' 'key 0x1B'
  check "the actions ran in time order after the wait-file found its file" \
    test "$(actions_run "$OUT")" = "0:wait-file:$ready 0.5:shot:before 1:move:200,300 1.5:click:1 1.7:click:3 2:key:space 2.5:shot:after 3:key:Escape "
  check "... the wait-file held them back until the file was there" \
    in_order "$OUT" "the file is there after" "action 0.5:shot:before: at"
  check "an optional action after the program's end is skipped" has "$OUT" "action 25:shot?:late: skipped"
  check "the two screenshots are before.png and after.png" test -s "$ART/input/before.png" -a -s "$ART/input/after.png"
  check "rain.sh passes the window's green stripes on black, which the key shifted" \
    "$rain" "$ART/input/before.png" "$ART/input/after.png" 100,100,500,400
  check "rain.sh fails them with a rectangle 20 pixels too narrow, naming the outside" \
    has <("$rain" "$ART/input/before.png" "$ART/input/after.png" 100,100,480,400) "non-black pixels outside 100,100,480,400"
  check "rain.sh fails one screenshot twice: the picture does not change" \
    has <("$rain" "$ART/input/after.png" "$ART/input/after.png" 100,100,500,400) "the picture does not change"

  harness missed --timeout 60 --action "0:wait-file:$ready" --action 0:key:Escape --action 40:key:space \
    -- "$BIN/inputprobe.exe"
  FULL_RUNS+=(missed)
  check "an action whose time comes after the program ended fails the test" test "$RC" = 1
  check "... saying which" has <(last_line "$OUT") "exit 0, but the program ended after"
  check "... naming the action" has <(last_line "$OUT") "before action 40:key:space"

  # --reg-add before the program, a runwait helper that reads and writes the registry, the key
  # after it, and --reg-export after the program.
  t0=$(now_ms)
  harness registry --timeout 60 --with "$BIN/regprobe.exe" \
    --reg-add 'HKCU\Software\Brenmoor\SelfTest' Width REG_DWORD 640 \
    --reg-add 'HKCU\Software\Brenmoor\SelfTest' Caption REG_SZ 'two words' \
    --reg-add 'HKCU\Software\Brenmoor\SelfTest\Named' @ REG_SZ 'the default' \
    --reg-add 'HKCU\Software\Brenmoor\SelfTest\Empty' '' REG_SZ 'also default' \
    --reg-add 'HKCU\Control Panel\Desktop' ScreenSaveUsePassword REG_DWORD 0x1 \
    --reg-export 'HKCU\Software\Brenmoor\SelfTest' --reg-export 'HKCU\Control Panel\Desktop' \
    --action "0:wait-file:$ready" --action 0:runwait:regprobe.exe --action 0:key:Escape -- "$BIN/inputprobe.exe"
  ms=$(($(now_ms) - t0))
  FULL_RUNS+=(registry)
  local ex=$ART/registry/HKCU_Software_Brenmoor_SelfTest.reg.txt desk=$ART/registry/HKCU_Control_Panel_Desktop.reg.txt
  check "a run with --reg-add, runwait and --reg-export passes (took $ms ms)" test "$RC" = 0
  check "the runwait helper read the --reg-add values (decimal DWORD, REG_SZ with a space)" \
    line_in "$ART/registry/registry.run2.stdout" 'Width=640 Caption=two words'
  check "... and exited 0 before the next action ran" in_order "$OUT" "action 0:runwait:regprobe.exe: exited 0" \
    "action 0:key:Escape: at"
  check "the export is UTF-8 text without CR" plain_export "$ex"
  check "... with the values --reg-add set" line_in "$ex" '"Width"=dword:00000280'
  check "... and the default value of a subkey, named @" \
    in_order "$ex" '[HKEY_CURRENT_USER\Software\Brenmoor\SelfTest\Named]' '@="the default"'
  check "... or named ''" in_order "$ex" '[HKEY_CURRENT_USER\Software\Brenmoor\SelfTest\Empty]' '@="also default"'
  check "... and what the helper wrote in its subkey" \
    in_order "$ex" '[HKEY_CURRENT_USER\Software\Brenmoor\SelfTest\Out]' '"Echo"="two words"' '"Twice"=dword:00000500'
  check "a key with a space exported too, with the 0x1 DWORD" line_in "$desk" '"ScreenSaveUsePassword"=dword:00000001'

  harness no-key --expect-exit 4 --reg-export 'HKCU\Software\Brenmoor\SelfTest' -- "$BIN/regprobe.exe"
  FULL_RUNS+=(no-key)
  check "a --reg-export key that is not there fails the test" test "$RC" = 1
  check "... naming it" has <(last_line "$OUT") 'exit 4, but no such registry key to export: HKCU\Software\Brenmoor\SelfTest'

  # A runwait helper that fails ends the run at once; run: programs still running are ended too.
  t0=$(now_ms)
  harness helper-fails --timeout 60 --with "$BIN/regprobe.exe" --with "$BIN/ret7.exe" --with "$BIN/hang.exe" \
    --action "0:wait-file:$ready" --action '0:run:ret7.exe one two' --action 0:run:hang.exe \
    --action 1:runwait:regprobe.exe --action 2:key:Escape -- "$BIN/inputprobe.exe"
  ms=$(($(now_ms) - t0))
  FULL_RUNS+=(helper-fails)
  check "a runwait helper's exit 4 fails the test" test "$RC" = 1
  check "... naming it, with the program ended" test "$(last_line "$OUT")" = \
    "e2e helper-fails: FAIL (action 1:runwait:regprobe.exe exited 4; the program was still running and was ended)"
  check "... at once: the later key never ran" lacks "$OUT" 'action 2:key:Escape: at'
  check "... and the run took $ms ms, not the program's 30 s" test "$ms" -lt 25000
  check "a run: helper's arguments arrive and its output is kept as NAME.run2.stdout" \
    line_in "$ART/helper-fails/helper-fails.run2.stdout" 'arg[2]=two'
  check "... and its exit code is logged" has "$OUT" "action 0:run:ret7.exe one two: exited 7"
  check "a run: helper still running at the end is ended with the prefix" \
    has "$OUT" "action 0:run:hang.exe: was still running when the run ended"
  check "... its pid recorded as a helper's" grep -q ' helper ' "$ART/helper-fails/helper-fails.pids"
}

# --- the tests -------------------------------------------------------------------------------------

main() {
  local missing=() t
  for t in x86_64-w64-mingw32-gcc convert; do
    command -v "$t" >/dev/null || missing+=("$t")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "selftest: missing ${missing[*]} (Debian packages gcc-mingw-w64-x86-64, imagemagick)"
    echo "0 passed, 1 failed"
    exit 1
  fi

  local rain_out
  rain_out=$("$HERE/../checks/rain_test.sh" 2>&1)
  grep '^FAIL' <<<"$rain_out"
  check "rain.sh's own test: $(tail -n 1 <<<"$rain_out")" grep -qx '[1-9][0-9]* passed, 0 failed' <(tail -n 1 <<<"$rain_out")

  WORK=$(mktemp -d /tmp/sarvello-e2e-selftest.XXXXXX)
  SRC=$WORK/src
  BIN=$WORK/bin
  ART=$WORK/artifacts
  mkdir -p "$SRC" "$BIN" "$ART" "$WORK/tmp"
  # A private TMPDIR: this selftest boots its own template and leaves others' alone.
  export TMPDIR=$WORK/tmp

  local flavour
  flavour=$("$RUN" --probe)
  check "--probe exits 0 and prints win32 or win64 (got '$flavour')" \
    test "$flavour" = win32 -o "$flavour" = win64

  write_sources
  build x86_64-w64-mingw32-gcc ret7.exe ret7.c
  build x86_64-w64-mingw32-gcc writer.exe writer.c
  build x86_64-w64-mingw32-gcc hang.exe hang.c
  build x86_64-w64-mingw32-gcc version.exe version.c
  build x86_64-w64-mingw32-gcc solid.exe solid.c -mwindows
  build x86_64-w64-mingw32-gcc scribble.exe scribble.c
  build x86_64-w64-mingw32-gcc inputprobe.exe "$HERE/selftest/inputprobe.c" -lgdi32
  build x86_64-w64-mingw32-gcc regprobe.exe "$HERE/selftest/regprobe.c"
  local have_i686=0
  if command -v i686-w64-mingw32-gcc >/dev/null; then
    build i686-w64-mingw32-gcc ret7-32.exe ret7.c
    have_i686=1
  elif [ "$flavour" = win32 ]; then
    bad "the probe says win32 but i686-w64-mingw32-gcc is missing (Debian package gcc-mingw-w64-i686)"
  fi
  echo "sibling-content-42" >"$BIN/sibling.txt"

  # Without Wine or Xvfb work at all: usage errors and the flavour rule.
  harness usage-exit --expect-exit 300 -- "$BIN/ret7.exe"
  check "--expect-exit 300 is refused with exit 2" test "$RC" = 2
  harness notpe -- "$BIN/sibling.txt"
  check "a file that is no PE program is refused with exit 2" test "$RC" = 2
  check "... and named as such" has "$OUT" "is not a Windows PE32 or PE32+ program"

  mkdir -p "$WORK/nox"
  local d e
  IFS=: read -r -a dirs <<<"$PATH"
  for d in "${dirs[@]}"; do
    for e in "$d"/*; do
      [ "${e##*/}" = Xvfb ] && continue
      [ -e "$WORK/nox/${e##*/}" ] || ln -s "$e" "$WORK/nox/${e##*/}" 2>/dev/null
    done
  done
  OUT=$ART/noxvfb.out
  PATH=$WORK/nox "$RUN" --name noxvfb --artifacts "$ART/noxvfb" -- "$BIN/ret7.exe" >"$OUT" 2>&1
  RC=$?
  check "without Xvfb on PATH the harness fails with exit 2" test "$RC" = 2
  check "... naming Xvfb and its package" has "$OUT" "Xvfb (Debian package xvfb)"
  check "... with a FAIL summary last" has <(last_line "$OUT") "e2e noxvfb: FAIL ("

  # First runs: two in parallel on a fresh TMPDIR boot the template once.
  local t0 first_ms
  t0=$(now_ms)
  "$RUN" --name par1 --artifacts "$ART/par1" --expect-exit 7 -- "$BIN/ret7.exe" "hello world" 'a"b' >"$ART/par1.out" 2>&1 &
  local p1=$!
  BG_PIDS+=("$p1")
  "$RUN" --name par2 --artifacts "$ART/par2" --with "$BIN/sibling.txt" --collect 'C:\WINDOWS\Probe.TXT' \
    -- "$BIN/writer.exe" >"$ART/par2.out" 2>&1 &
  local p2=$!
  BG_PIDS+=("$p2")
  wait "$p1"
  local rc1=$?
  wait "$p2"
  local rc2=$?
  BG_PIDS=()
  first_ms=$(($(now_ms) - t0))
  FULL_RUNS+=(par1 par2)
  check "exit 7 passes with --expect-exit 7 (first run, boots the template)" test "$rc1" = 0
  check "... its summary is 'e2e par1: PASS (exit 7)'" test "$(last_line "$ART/par1.out")" = "e2e par1: PASS (exit 7)"
  check "... arguments with a space and a quote arrive whole" \
    line_in "$ART/par1/par1.stdout" 'arg[1]=hello world'
  check "... the quote survives" line_in "$ART/par1/par1.stdout" 'arg[2]=a"b'
  check "... the program runs as C:\\sarvello\\ret7.exe" line_in "$ART/par1/par1.stdout" 'arg[0]=C:\sarvello\ret7.exe'
  check "... stderr is captured" line_in "$ART/par1/par1.stderr" 'ret7 stderr line'
  check "... and stdout is printed" has "$ART/par1.out" "arg[1]=hello world"
  check "the parallel writer run passes" test "$rc2" = 0
  check "two parallel first runs boot the template exactly once" \
    test "$(cat "$ART/par1.out" "$ART/par2.out" | grep -c 'booting the .* template prefix')" = 1
  check "--collect 'C:\\WINDOWS\\Probe.TXT' finds C:\\windows\\probe.txt whatever the case" test -f "$ART/par2/probe.txt"
  check "... and it holds what the program wrote from the --with file" \
    line_in "$ART/par2/probe.txt" 'probe got: sibling-content-42'
  check "... the program's working directory is C:\\sarvello" line_in_i "$ART/par2/par2.stdout" 'cwd=C:\sarvello'

  # Later runs use the booted template.
  local later=()
  t0=$(now_ms)
  harness ret7-default -- "$BIN/ret7.exe"
  later+=("$(($(now_ms) - t0))")
  FULL_RUNS+=(ret7-default)
  check "exit 7 fails with the default expectation (run.sh exit 1)" test "$RC" = 1
  check "... summary 'e2e ret7-default: FAIL (exit 7, expected 0)'" \
    test "$(last_line "$OUT")" = "e2e ret7-default: FAIL (exit 7, expected 0)"
  check "... no template boot on a later run" lacks "$OUT" "booting the"

  t0=$(now_ms)
  harness missing-collect --with "$BIN/sibling.txt" --collect 'C:\windows\nothing-here.log' -- "$BIN/writer.exe"
  later+=("$(($(now_ms) - t0))")
  FULL_RUNS+=(missing-collect)
  check "a --collect file the program never wrote fails the test" test "$RC" = 1
  check "... and the summary names it" has <(last_line "$OUT") 'not found to collect: C:\windows\nothing-here.log'

  t0=$(now_ms)
  harness solid --screenshot-after 5 --expect-exit 5 -- "$BIN/solid.exe"
  later+=("$(($(now_ms) - t0))")
  FULL_RUNS+=(solid)
  check "a GUI program's exit code comes back through the virtual desktop (5)" test "$RC" = 0
  local png=$ART/solid/solid.png
  check "the screenshot exists" test -s "$png"
  check "... it is the whole 1024x768 screen" test "$(convert "$png" -format '%w %h' info: 2>/dev/null)" = "1024 768"
  local inside outside edge
  inside=$(pixel "$png" 300 250)
  edge=$(pixel "$png" 100 100)
  outside=$(pixel "$png" 99 250)
  check "the window's colour RGB(200,40,120) is at its centre, within 8 per channel (got $inside)" \
    near "$inside" 200 40 120 8
  check "... and at its top-left pixel (100,100) (got $edge)" near "$edge" 200 40 120 8
  check "... but not one pixel left of it (99,250) (got $outside)" not_near "$outside" 200 40 120 8

  harness late-shot --screenshot-after 30 --expect-exit 5 -- "$BIN/solid.exe"
  FULL_RUNS+=(late-shot)
  check "a screenshot asked for after the program ended fails the test" test "$RC" = 1
  check "... saying so" has <(last_line "$OUT") "before action 30:shot:late-shot"

  t0=$(now_ms)
  harness hang --timeout 5 --action 1:cpu:early --action 3:cpu:later -- "$BIN/hang.exe"
  local hang_ms=$(($(now_ms) - t0))
  FULL_RUNS+=(hang)
  check "cpu: samples the program in both samples, with the ticks per second first" \
    test "$(head -n 1 "$ART/hang/hang.cpu.txt" | cut -d' ' -f1)" = ticks-per-second -a \
    "$(grep -ciE '^(early|later) [0-9]+ [0-9]+ hang\.exe [0-9]+$' "$ART/hang/hang.cpu.txt")" = 2
  check "... and cpu.sh finds the sleeping program near idle between them" \
    "$HERE/../checks/cpu.sh" "$ART/hang/hang.cpu.txt" hang.exe early later 10
  check "a hanging program is killed at --timeout and fails (run.sh exit 1)" test "$RC" = 1
  check "... summary names the timeout" \
    test "$(last_line "$OUT")" = "e2e hang: FAIL (timeout: still running after 5s, killed)"
  check "... its output so far is kept" line_in "$ART/hang/hang.stdout" hanging
  check "... and the whole run ends within 30 s (took ${hang_ms} ms)" test "$hang_ms" -lt 30000

  harness ver98 --windows-version win98 --expect-exit 1 -- "$BIN/version.exe"
  FULL_RUNS+=(ver98)
  check "--windows-version win98 makes Wine report the 95/98 family (platform 1)" test "$RC" = 0
  harness verxp --windows-version winxp --expect-exit 2 -- "$BIN/version.exe"
  FULL_RUNS+=(verxp)
  check "--windows-version winxp makes Wine report the NT family (platform 2)" test "$RC" = 0
  check "... version 5.x" grep -q '^platform 2 version 5\.' "$ART/verxp/verxp.stdout"

  # SIGTERM while the program runs: the harness cleans up and reports.
  "$RUN" --name sigterm --artifacts "$ART/sigterm" --timeout 120 -- "$BIN/hang.exe" >"$ART/sigterm.out" 2>&1 &
  local ps=$!
  BG_PIDS+=("$ps")
  FULL_RUNS+=(sigterm)
  local waited=0
  while ! grep -q ' wineserver ' "$ART/sigterm/sigterm.pids" 2>/dev/null && [ $waited -lt 600 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  sleep 1
  kill -TERM "$ps"
  wait "$ps"
  RC=$?
  BG_PIDS=()
  check "SIGTERM ends the harness with exit 143" test "$RC" = 143
  check "... and a summary 'FAIL (interrupted by SIGTERM)'" \
    test "$(last_line "$ART/sigterm.out")" = "e2e sigterm: FAIL (interrupted by SIGTERM)"

  # --keep-prefix keeps the run's prefix; without it the prefix is gone.
  harness keep --keep-prefix --expect-exit 7 -- "$BIN/ret7.exe"
  FULL_RUNS+=(keep)
  local kept
  kept=$(sed -n 's/^e2e keep: kept the prefix: //p' "$OUT")
  check "--keep-prefix keeps the prefix with the program in it" test -f "$kept/drive_c/sarvello/ret7.exe"
  [ -n "$kept" ] && rm -rf "$(dirname "$kept")"
  check "no other run folder is left in TMPDIR" \
    test -z "$(find "$TMPDIR" -maxdepth 1 -name 'sarvello-e2e-run.*' -print -quit)"
  check "no wineserver socket folder is left in TMPDIR" \
    test -z "$(find "$TMPDIR" -maxdepth 1 -name 'wine-??????' -print -quit)"

  # The PE32 program: runs on a 32-bit-capable host, is refused clearly elsewhere.
  if [ "$have_i686" = 1 ]; then
    harness ret7-32 --expect-exit 7 -- "$BIN/ret7-32.exe"
    if [ "$flavour" = win32 ]; then
      FULL_RUNS+=(ret7-32)
      check "the PE32 program runs under 32-bit Wine and passes" test "$RC" = 0
    else
      check "a PE32 program on a host without 32-bit code fails with exit 2" test "$RC" = 2
      check "... explaining why and what to run instead" has "$OUT" "this host cannot run 32-bit programs"
      check "... pointing at the win64 build" has "$OUT" "run the win64 build's e2e tests"
    fi
  fi

  # A run that writes a file shared with the template in place spoils the template: the harness
  # says so and drops the template's marker; the next run, like one after a boot that was cut
  # short, finds no marker and rebuilds the template.
  local tpl
  tpl=$(find "$TMPDIR" -maxdepth 1 -type d -name 'sarvello-e2e-template-win64-*' -print -quit)
  if [ -n "$tpl" ] && [ -f "$tpl/.sarvello-template-ok" ]; then
    local size_before
    size_before=$(stat -c %s "$tpl/drive_c/windows/hh.exe")
    harness scribble -- "$BIN/scribble.exe"
    FULL_RUNS+=(scribble)
    check "a program appending to C:\\windows\\hh.exe passes" test "$RC" = 0
    check "... (it did change the template's copy)" \
      test "$(stat -c %s "$tpl/drive_c/windows/hh.exe")" = $((size_before + 1))
    check "... the harness reports the shared file written" has "$OUT" "a file shared with the template"
    check "... and drops the template's marker" test ! -e "$tpl/.sarvello-template-ok"
    harness rebuilt --expect-exit 7 -- "$BIN/ret7.exe"
    FULL_RUNS+=(rebuilt)
    check "a template without its marker is rebuilt" has "$OUT" "is incomplete or outdated: rebuilding it"
    check "... and the run on it passes" test "$RC" = 0
    check "... and the rebuilt template has its marker again" test -f "$tpl/.sarvello-template-ok"
    check "... and a pristine hh.exe" test "$(stat -c %s "$tpl/drive_c/windows/hh.exe")" = "$size_before"
  else
    bad "no booted win64 template found in $TMPDIR"
  fi

  action_and_registry_tests

  # Nothing the harness started is left.
  local n
  for n in "${FULL_RUNS[@]}"; do
    check "run $n recorded its Xvfb, program and wineserver pids" records_xvfb_and_wineserver "$n"
  done
  check "no process recorded by any run is still running" no_recorded_process_left
  check "no process marked by any run of this selftest is still running" no_marked_process_at_all
  check "no run had to end a leftover process after its wineserver" no_leftover_warning

  echo "timing: two parallel first runs with the template boot took ${first_ms} ms;" \
    "later runs took ${later[*]} ms"
  grep -h 'timings:' "$ART"/par1.out "$ART"/par2.out "$ART"/ret7-default.out "$ART"/solid.out \
    "$ART"/input.out "$ART"/registry.out | sed 's/^/  /'
  grep -h 'registry: \|exported \|: at [0-9.]*s$\|screenshot after' "$ART"/input.out "$ART"/registry.out | sed 's/^/  /'
}

main "$@"
echo "$PASSED passed, $FAILED failed"
[ "$FAILED" = 0 ]
