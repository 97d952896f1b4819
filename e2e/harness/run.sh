#!/usr/bin/env bash
# Runs one Windows test program under Wine in a private Xvfb and a fresh Wine prefix; the
# program's exit code is the test's verdict. Installs nothing; see e2e/README.md.
#
#   run.sh [--name NAME] [--artifacts DIR] [--screenshot] [--screenshot-after SECONDS]
#          [--windows-version VER] [--expect-exit N] [--timeout SECONDS] [--with FILE]...
#          [--collect WINPATH]... [--keep-prefix] [--reg-add KEY VALUE TYPE DATA]...
#          [--reg-export KEY]... [--action SECONDS:VERB[?][:ARG]]... -- PROGRAM.exe [ARGS...]
#   run.sh --probe
#   action verbs: shot:NAME  key:KEYSYM...  move:X,Y  click:BUTTON  run:PROGRAM.exe [ARGS...]
#                 runwait:PROGRAM.exe [ARGS...]  wait-file:WINPATH  cpu:LABEL
#                 ('?' after the verb: optional)
#
# Exit status: 0 pass, 1 the test failed, 2 the harness could not run the test (usage, missing
# tools, a host that cannot run this program's flavour, a Wine prefix that does not boot).
set -u -o pipefail

WINE_DIR=${SARVELLO_E2E_WINE_DIR:-/usr/lib/wine}
SCREEN_GEOMETRY=1024x768
# Bumped when the template's content changes, so old templates are rebuilt.
TEMPLATE_FORMAT=1
# Windows binaries in the prefix that a run never writes: a run's copy hard-links them to the
# template instead of copying ~700 MB. Every other file is copied.
SHARED_FILE_REGEX='.*\.\(dll\|exe\|drv\|sys\|ocx\|cpl\|acm\|ax\|tlb\|ds\|nls\|com\|msstyles\)'
KNOWN_REG_TYPES=" REG_SZ REG_EXPAND_SZ REG_MULTI_SZ REG_DWORD REG_QWORD REG_BINARY REG_NONE "
KNOWN_WINDOWS_VERSIONS=" win11 win10 win81 win8 win2008r2 win7 win2008 vista win2003 winxp64 \
winxp win2k winme win98 win95 nt40 nt351 win31 win30 win20 "

NAME=""
ARTIFACTS=""
SHOT_AFTER=""
WANT_SHOT=0
WIN_VERSION=""
EXPECT_EXIT=0
TIMEOUT=120
KEEP_PREFIX=0
WITH_FILES=()
COLLECT=()
REG_ADDS=()    # KEY VALUE TYPE DATA, four entries per value
REG_EXPORTS=()
ACTION_SPECS=()
PROGRAM=""
PROGRAM_ARGS=()

FLAVOUR=""
TEMPLATE=""
TIMINGS=""
RUN_ID=""
RUN_DIR=""
RUN_PREFIX=""
BOOTING_PREFIX=""
XVFB_PID=""
DISPLAY_NUM=""
PROG_PID=""
CHILD_PID=""
LOG_FILE=""
PIDS_FILE=""
CLEANED=0
SUMMARY_DONE=0
T0=""

# The actions, by number: 1.. in the order of the --action options, 0 for --screenshot's.
A_TEXT=()   # as given, e.g. "5:key:space"
A_MS=()     # when, in ms after the program started
A_VERB=()
A_ARG=()
A_OPT=()    # 1 for an optional action ('?' after the verb)
ORDER=()    # action numbers in time order (ties in number order)
NEXT=0      # position in ORDER of the next action to run
BLOCK_K=""  # the runwait or wait-file action that holds back the ones after it
FAIL_REASON=""
HELPER_PID=()  # by action number: the run/runwait program while it runs
HELPER_RC=()   # by action number: its exit status once it ended
HELPER_T=()    # by action number: when it started (ms)
PROG_START=""
MISSED=""
EXPORT_FAILED=()

usage() {
  sed -n '5,11p' "$0" | sed 's/^# \{0,1\}//' >&2
}

now_ms() {
  local t=${EPOCHREALTIME/./}
  echo $((10#$t / 1000))
}

secs_since() { # MS_START -> "1.234"
  local d=$(($(now_ms) - $1))
  printf '%d.%03d' $((d / 1000)) $((d % 1000))
}

say() {
  local line="e2e ${NAME:-?}: $*"
  echo "$line"
  if [ -n "$LOG_FILE" ]; then echo "$line" >>"$LOG_FILE"; fi
}

summary() { # VERDICT DETAIL
  [ "$SUMMARY_DONE" = 1 ] && return
  SUMMARY_DONE=1
  say "$1 ($2)"
}

# A failure of the harness itself, before or outside the program's run.
die_setup() {
  say "error: $*"
  cleanup
  summary FAIL "harness: $*"
  exit 2
}

# --- Wine flavours -----------------------------------------------------------------------------

loader_for() { # FLAVOUR -> path of the Wine loader
  if [ "$1" = win32 ]; then echo "$WINE_DIR/wine"; else echo "$WINE_DIR/wine64"; fi
}

wineserver_path() {
  if [ -x "$WINE_DIR/wineserver64" ]; then
    echo "$WINE_DIR/wineserver64"
  else
    echo "$WINE_DIR/wineserver32"
  fi
}

# True when this host executes the flavour's loader (a 32-bit one fails with "Exec format error"
# where the kernel runs no 32-bit code).
flavour_works() {
  local loader
  loader=$(loader_for "$1")
  [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1 && [ -x "$(wineserver_path)" ]
}

probe() {
  if flavour_works win32; then
    echo win32
  elif flavour_works win64; then
    echo win64
  else
    echo "e2e: no working Wine here: neither $WINE_DIR/wine nor $WINE_DIR/wine64 runs" >&2
    return 1
  fi
}

# Reads the PE header: PE32 -> win32, PE32+ -> win64; fails for anything else.
pe_flavour() {
  local f=$1 b off magic
  b=$(od -An -N2 -tx1 "$f" 2>/dev/null | tr -d ' \n')
  [ "$b" = 4d5a ] || return 1
  read -r -a b < <(od -An -j60 -N4 -tu1 "$f")
  [ ${#b[@]} -eq 4 ] || return 1
  off=$((b[0] + (b[1] << 8) + (b[2] << 16) + (b[3] << 24)))
  [ "$(od -An -j"$off" -N4 -tx1 "$f" | tr -d ' \n')" = 50450000 ] || return 1
  magic=$(od -An -j$((off + 24)) -N2 -tx1 "$f" | tr -d ' \n')
  case $magic in
  0b01) echo win32 ;;
  0b02) echo win64 ;;
  *) return 1 ;;
  esac
}

# --- processes -----------------------------------------------------------------------------------

# Every process the harness starts carries SARVELLO_E2E_RUN=<run id> in its environment, and Wine
# hands it on to the wineserver and to every Windows process of the prefix: that is how this run
# finds its own processes, never by name.
# Reads every thread's environment, not only each process's: a Windows process whose main thread
# has ended can live on in a native thread (seen: winedevice.exe kept by a libusb thread), and
# /proc/PID/environ of such a zombie leader is unreadable.
run_pids() { # pids of live processes carrying this run's mark
  local f p
  grep -lzxF "SARVELLO_E2E_RUN=$RUN_ID" /proc/[0-9]*/task/[0-9]*/environ 2>/dev/null | while read -r f; do
    p=${f#/proc/}
    p=${p%%/*}
    [ "$p" = "$$" ] || [ "$p" = "$BASHPID" ] || echo "$p"
  done | sort -un
}

pid_comm() { cat "/proc/$1/comm" 2>/dev/null || echo '?'; }

pid_alive() { # PID: running, or a zombie leader whose other threads still run
  local s
  s=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$s" ] || return 1
  [ "${s%% *}" != Z ] && return 0
  [ "$(sed -n 's/^Threads:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null)" -gt 1 ] 2>/dev/null
}

record_pid() { # PID ROLE
  [ -n "$PIDS_FILE" ] || return 0
  grep -q "^$1 " "$PIDS_FILE" 2>/dev/null && return 0
  echo "$1 $(pid_comm "$1") $2 $RUN_ID" >>"$PIDS_FILE"
}

record_run_pids() {
  local p c
  for p in $(run_pids); do
    c=$(pid_comm "$p")
    case $c in
    wineserver*) record_pid "$p" wineserver ;;
    *) record_pid "$p" wine ;;
    esac
  done
}

wait_gone() { # PID SECONDS
  local end=$(($(now_ms) + $2 * 1000))
  while pid_alive "$1"; do
    [ "$(now_ms)" -ge "$end" ] && return 1
    sleep 0.05
  done
  return 0
}

# Runs an external command, marked as this run's, in the background and waits for it, so that a
# trapped signal is handled at once.
bg_wait() {
  env SARVELLO_E2E_RUN="$RUN_ID" "$@" &
  CHILD_PID=$!
  wait "$CHILD_PID"
  local rc=$?
  CHILD_PID=""
  return $rc
}

wine_env() { # FLAVOUR: exports what every Wine command of this run needs but the prefix
  unset WINEPREFIX
  export WINEARCH=$1
  export WINEDEBUG=${SARVELLO_E2E_WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINELOADER
  WINELOADER=$(loader_for "$1")
  export WINESERVER
  WINESERVER=$(wineserver_path)
}

# Stops the wineserver of PREFIX (and with it every process of that prefix) and waits for it.
stop_wineserver() {
  local prefix=$1
  [ -d "$prefix" ] || return 0
  WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1
  WINEPREFIX=$prefix timeout 30 "$WINESERVER" -w >/dev/null 2>&1
}

# Debian's Wine keeps the wineserver's socket under ${TMPDIR:-/tmp}/<name in PREFIX/wineserver>.
remove_server_dir() {
  local prefix=$1 name dir dev ino
  [ -f "$prefix/wineserver" ] || return 0
  name=$(cat "$prefix/wineserver" 2>/dev/null)
  case $name in wine-??????) ;; *) return 0 ;; esac
  dir=${TMPDIR:-/tmp}/$name
  [ -d "$dir" ] || return 0
  read -r dev ino < <(stat -c '%d %i' "$prefix")
  rm -rf "$dir/server-$(printf '%x-%x' "$dev" "$ino")"
  rmdir "$dir" 2>/dev/null
  rm -f "$prefix/wineserver"
}

cleanup() {
  [ "$CLEANED" = 1 ] && return
  CLEANED=1
  trap '' INT TERM HUP
  local t
  t=$(now_ms)
  cd / || true
  if [ -n "$CHILD_PID" ] && pid_alive "$CHILD_PID"; then
    kill -KILL "$CHILD_PID" 2>/dev/null
  fi
  if [ -n "$RUN_ID" ]; then record_run_pids; fi
  if [ -n "$PROG_PID" ] && pid_alive "$PROG_PID"; then
    kill -KILL "$PROG_PID" 2>/dev/null
  fi
  local k
  for k in "${!HELPER_PID[@]}"; do
    if [ -n "${HELPER_PID[k]}" ] && pid_alive "${HELPER_PID[k]}"; then kill -KILL "${HELPER_PID[k]}" 2>/dev/null; fi
  done
  if [ -n "$BOOTING_PREFIX" ]; then
    stop_wineserver "$BOOTING_PREFIX"
    remove_server_dir "$BOOTING_PREFIX"
  fi
  if [ -n "$RUN_PREFIX" ]; then stop_wineserver "$RUN_PREFIX"; fi
  if [ -n "$PROG_PID" ]; then
    wait_gone "$PROG_PID" 10
    wait "$PROG_PID" 2>/dev/null
  fi
  for k in "${!HELPER_PID[@]}"; do
    [ -n "${HELPER_PID[k]}" ] || continue
    wait_gone "${HELPER_PID[k]}" 10
    wait "${HELPER_PID[k]}" 2>/dev/null
  done
  # Anything of this run that outlived its wineserver is ended here, by pid.
  if [ -n "$RUN_ID" ]; then
    local p
    for p in $(run_pids); do
      [ "$p" = "$XVFB_PID" ] && continue
      say "warning: ending leftover process $p ($(pid_comm "$p")) by pid"
      kill -KILL "$p" 2>/dev/null
    done
    if [ -n "$PIDS_FILE" ] && [ -f "$PIDS_FILE" ]; then
      while read -r p _ role _; do
        [ "$role" = wineserver ] || continue
        wait_gone "$p" 10 || say "warning: wineserver $p has not ended"
      done <"$PIDS_FILE"
    fi
  fi
  if [ -n "$XVFB_PID" ]; then
    kill -TERM "$XVFB_PID" 2>/dev/null
    wait_gone "$XVFB_PID" 5 || kill -KILL "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    if [ -n "$DISPLAY_NUM" ] && [ "$(tr -d ' ' 2>/dev/null <"/tmp/.X$DISPLAY_NUM-lock")" = "$XVFB_PID" ]; then
      rm -f "/tmp/.X$DISPLAY_NUM-lock" "/tmp/.X11-unix/X$DISPLAY_NUM"
    fi
  fi
  if [ -n "$RUN_PREFIX" ] && [ -d "$RUN_PREFIX" ]; then
    remove_server_dir "$RUN_PREFIX"
    check_template_untouched
  fi
  if [ -n "$RUN_DIR" ] && [ -d "$RUN_DIR" ]; then
    if [ "$KEEP_PREFIX" = 1 ]; then
      say "kept the prefix: $RUN_PREFIX"
    else
      rm -rf "$RUN_DIR"
    fi
  fi
  [ -n "$T0" ] && TIMINGS+=" cleanup=$(secs_since "$t")s"
}

on_signal() {
  say "interrupted by SIG$1"
  cleanup
  summary FAIL "interrupted by SIG$1"
  case $1 in INT) exit 130 ;; HUP) exit 129 ;; *) exit 143 ;; esac
}

# --- display -------------------------------------------------------------------------------------

start_xvfb() {
  local n end
  n=$((100 + RANDOM % 400))
  for _ in $(seq 1 40); do
    n=$((n + 1))
    [ "$n" -gt 999 ] && n=100
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    env SARVELLO_E2E_RUN="$RUN_ID" Xvfb ":$n" -screen 0 "${SCREEN_GEOMETRY}x16" -nolisten tcp >>"$ARTIFACTS/$NAME.xvfb.log" 2>&1 &
    XVFB_PID=$!
    DISPLAY_NUM=$n
    record_pid "$XVFB_PID" xvfb
    end=$(($(now_ms) + 10000))
    while pid_alive "$XVFB_PID" && [ "$(now_ms)" -lt "$end" ]; do
      # The display is ours only when its lock file names our Xvfb.
      if [ "$(tr -d ' ' 2>/dev/null <"/tmp/.X$n-lock")" = "$XVFB_PID" ] &&
        xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.05
    done
    kill -KILL "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
    DISPLAY_NUM=""
  done
  return 1
}

# --- prefixes --------------------------------------------------------------------------------------

template_marker_text() {
  echo "sarvello e2e template $TEMPLATE_FORMAT $FLAVOUR $("$WINELOADER" --version 2>&1) $SCREEN_GEOMETRY"
}

template_ok() {
  [ -f "$TEMPLATE/.sarvello-template-ok" ] &&
    [ "$(cat "$TEMPLATE/.sarvello-template-ok")" = "$(template_marker_text)" ]
}

# Boots the template prefix. Called with the template lock held exclusively.
boot_template() {
  local boot_log="$ARTIFACTS/$NAME.template-boot.log"
  say "booting the $FLAVOUR template prefix $TEMPLATE (once per host and Wine version)"
  rm -rf "$TEMPLATE"
  BOOTING_PREFIX=$TEMPLATE
  : >"$boot_log"
  if ! WINEPREFIX=$TEMPLATE bg_wait timeout 300 "$WINELOADER" wineboot -i >>"$boot_log" 2>&1; then
    say "wineboot -i failed; its output:"
    cat "$boot_log"
    return 1
  fi
  WINEPREFIX=$TEMPLATE bg_wait timeout 300 "$WINESERVER" -w >>"$boot_log" 2>&1
  # A virtual desktop as the prefix's default: full-screen DirectDraw works there, and unlike
  # "wine explorer /desktop=..." the program's exit code still comes back.
  WINEPREFIX=$TEMPLATE bg_wait timeout 120 "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer' \
    /v Desktop /d Default /f >>"$boot_log" 2>&1 || return 1
  WINEPREFIX=$TEMPLATE bg_wait timeout 120 "$WINELOADER" reg add 'HKCU\Software\Wine\Explorer\Desktops' \
    /v Default /d "$SCREEN_GEOMETRY" /f >>"$boot_log" 2>&1 || return 1
  WINEPREFIX=$TEMPLATE bg_wait timeout 300 "$WINESERVER" -w >>"$boot_log" 2>&1
  record_run_pids
  if ! grep -q '"Desktop"="Default"' "$TEMPLATE/user.reg" 2>/dev/null ||
    ! grep -q "\"Default\"=\"$SCREEN_GEOMETRY\"" "$TEMPLATE/user.reg" 2>/dev/null ||
    [ ! -d "$TEMPLATE/drive_c/windows/system32" ]; then
    say "the booted template lacks its registry settings or drive_c; boot log:"
    cat "$boot_log"
    return 1
  fi
  remove_server_dir "$TEMPLATE"
  BOOTING_PREFIX=""
  template_marker_text >"$TEMPLATE/.sarvello-template-ok"
  return 0
}

# Copies the template to RUN_PREFIX: a hard link for each Windows binary, a copy of everything else.
copy_template() {
  if ! cp -al "$TEMPLATE" "$RUN_PREFIX" 2>/dev/null; then
    rm -rf "$RUN_PREFIX"
    cp -a "$TEMPLATE" "$RUN_PREFIX" || return 1
  else
    # Replaces the links to every file that is not a Windows binary by a copy, in one cp.
    (cd "$TEMPLATE" && find . -type f ! -iregex "$SHARED_FILE_REGEX" -print0 |
      xargs -0 -r cp -p --parents --remove-destination -t "$RUN_PREFIX") || return 1
  fi
  rm -f "$RUN_PREFIX/.sarvello-template-ok" "$RUN_PREFIX/wineserver"
  touch "$RUN_DIR/copied"
}

# A hard-linked file written in place would have changed the template: then rebuild it next time.
check_template_untouched() {
  [ -f "$RUN_DIR/copied" ] || return 0
  local changed
  changed=$(find "$RUN_PREFIX" -type f -links +1 -newer "$RUN_DIR/copied" -print -quit 2>/dev/null)
  if [ -n "$changed" ]; then
    say "warning: the run wrote $changed, a file shared with the template; the template will be rebuilt"
    rm -f "$TEMPLATE/.sarvello-template-ok"
  fi
}

prepare_prefix() {
  local lock_fd t
  TEMPLATE=${TMPDIR:-/tmp}/sarvello-e2e-template-$FLAVOUR-$(id -u)
  exec {lock_fd}>"$TEMPLATE.lock" || die_setup "cannot open the lock file $TEMPLATE.lock"
  # A shared lock while copying; an exclusive one to (re)build, so parallel runs boot only once.
  local wait_ms=0 boot=0
  t=$(now_ms)
  bg_wait flock -s -w 900 "$lock_fd" || die_setup "timed out waiting for the template lock $TEMPLATE.lock"
  if ! template_ok; then
    flock -u "$lock_fd"
    bg_wait flock -x -w 900 "$lock_fd" || die_setup "timed out waiting for the template lock $TEMPLATE.lock"
    template_ok || boot=1
  fi
  wait_ms=$(($(now_ms) - t))
  [ "$wait_ms" -ge 500 ] && TIMINGS+=" template-wait=$(secs_since "$t")s"
  if [ "$boot" = 1 ]; then
    if [ -e "$TEMPLATE" ]; then say "the template $TEMPLATE is incomplete or outdated: rebuilding it"; fi
    t=$(now_ms)
    boot_template || die_setup "the $FLAVOUR Wine prefix did not boot (log: $ARTIFACTS/$NAME.template-boot.log)"
    TIMINGS+=" template-boot=$(secs_since "$t")s"
  fi
  t=$(now_ms)
  copy_template || die_setup "cannot copy the template $TEMPLATE to $RUN_PREFIX"
  TIMINGS+=" copy=$(secs_since "$t")s"
  exec {lock_fd}>&-
}

# C:\dir\file (any case, \ or /) -> the file's path inside RUN_PREFIX, or failure.
win_to_unix() {
  local w=$1 drive cur comp e found base parts
  [[ $w =~ ^([A-Za-z]):[\\/]+(.*)$ ]] || return 1
  drive=${BASH_REMATCH[1],,}
  w=${BASH_REMATCH[2]}
  cur=$(readlink -f "$RUN_PREFIX/dosdevices/$drive:") || return 1
  # shellcheck disable=SC2141 # both separators of a Windows path: backslash and slash
  IFS='\/' read -r -a parts <<<"$w"
  for comp in "${parts[@]}"; do
    [ -z "$comp" ] && continue
    if [ -e "$cur/$comp" ]; then
      cur=$cur/$comp
      continue
    fi
    found=""
    for e in "$cur"/* "$cur"/.[!.]*; do
      [ -e "$e" ] || continue
      base=${e##*/}
      if [ "${base,,}" = "${comp,,}" ]; then
        found=$e
        break
      fi
    done
    [ -n "$found" ] || return 1
    cur=$found
  done
  [ -f "$cur" ] || return 1
  echo "$cur"
}

show_output() { # FILE LABEL
  local f=$1 n
  n=$(wc -l <"$f")
  echo "--- ${NAME} $2 ($(wc -c <"$f") bytes) ---"
  if [ "$n" -gt 400 ]; then
    head -n 400 "$f"
    echo "[... $((n - 400)) more lines in $f]"
  else
    cat "$f"
    [ -s "$f" ] && [ -n "$(tail -c1 "$f")" ] && echo
  fi
  echo "--- end of ${NAME} $2 ---"
}

# --- actions while the program runs ---------------------------------------------------------------

action_say() { # K TEXT
  say "action ${A_TEXT[$1]}: $2"
}

# The Windows path of a run or runwait action's program: a bare name is the one in C:\sarvello.
helper_winpath() { # K
  local words
  read -r -a words <<<"${A_ARG[$1]}"
  if [[ ${words[0]} == *[\\/:]* ]]; then echo "${words[0]}"; else echo "C:\\sarvello\\${words[0]}"; fi
}

# Starts a run or runwait action's program beside the main one, output to NAME.runK.stdout/.stderr.
start_helper() { # K
  local k=$1 words prog
  read -r -a words <<<"${A_ARG[k]}"
  prog=$(helper_winpath "$k")
  (cd "$RUN_PREFIX/drive_c/sarvello" && exec env SARVELLO_E2E_RUN="$RUN_ID" "$WINELOADER" "$prog" "${words[@]:1}" \
    >"$ARTIFACTS/$NAME.run$k.stdout" 2>"$ARTIFACTS/$NAME.run$k.stderr" </dev/null) &
  HELPER_PID[k]=$!
  HELPER_T[k]=$(now_ms)
  record_pid "${HELPER_PID[k]}" helper
}

# Notes the helpers that ended; a runwait helper ending with a non-zero status fails the test.
poll_helpers() {
  local k rc
  for k in "${!HELPER_PID[@]}"; do
    [ -n "${HELPER_PID[k]}" ] || continue
    pid_alive "${HELPER_PID[k]}" && continue
    wait "${HELPER_PID[k]}"
    rc=$?
    HELPER_PID[k]=""
    HELPER_RC[k]=$rc
    action_say "$k" "exited $rc after $(secs_since "${HELPER_T[k]}")s (output in $NAME.run$k.stdout and .stderr)"
    if [ "${A_VERB[k]}" = runwait ] && [ "$rc" != 0 ] && [ -z "$FAIL_REASON" ]; then
      FAIL_REASON="action ${A_TEXT[k]} exited $rc"
    fi
  done
}

# Helpers still running when the prefix's wineserver was stopped: waits for their end, by pid.
reap_helpers() {
  local k
  for k in "${!HELPER_PID[@]}"; do
    [ -n "${HELPER_PID[k]}" ] || continue
    wait_gone "${HELPER_PID[k]}" 10 || kill -KILL "${HELPER_PID[k]}" 2>/dev/null
    wait "${HELPER_PID[k]}" 2>/dev/null
    HELPER_PID[k]=""
    action_say "$k" "was still running when the run ended; ended with the prefix"
  done
}

# X input through XTEST, as a user's (never --window, which sends synthetic events).
xdo() { # K XDOTOOL-ARGS...
  local k=$1
  shift
  bg_wait timeout 20 xdotool "$@" >>"$LOG_FILE" 2>&1 ||
    FAIL_REASON="action ${A_TEXT[k]}: xdotool $* failed (see $LOG_FILE)"
}

# Appends one line per live process of this run to NAME.cpu.txt: LABEL, milliseconds since the
# program started, pid, comm, and the processor time it has used so far (utime + stime of all its
# threads, in clock ticks; the file's first line names the ticks per second). checks/cpu.sh turns
# two samples into a share of one processor.
sample_cpu() { # K
  local k=$1 file=$ARTIFACTS/$NAME.cpu.txt p stat fields ms
  [ -f "$file" ] || echo "ticks-per-second $(getconf CLK_TCK)" >"$file"
  ms=$(($(now_ms) - PROG_START))
  for p in $(run_pids); do
    stat=$(cat "/proc/$p/stat" 2>/dev/null) || continue
    read -r -a fields <<<"${stat##*) }"
    # After the comm: state is field 3, utime 14 and stime 15 of the whole line.
    echo "${A_ARG[k]} $ms $p $(pid_comm "$p" | tr ' ' '_') $((fields[11] + fields[12]))" >>"$file"
  done
  say "cpu sample ${A_ARG[k]} after $(secs_since "$PROG_START")s: $file"
}

# Runs one action; a failure sets FAIL_REASON.
do_action() { # K
  local k=$1 keys
  action_say "$k" "at $(secs_since "$PROG_START")s"
  case ${A_VERB[k]} in
  shot)
    if bg_wait timeout 60 import -window root "$ARTIFACTS/${A_ARG[k]}.png" 2>>"$ARTIFACTS/$NAME.import.log"; then
      say "screenshot after $(secs_since "$PROG_START")s: $ARTIFACTS/${A_ARG[k]}.png"
    else
      FAIL_REASON="the screenshot ${A_ARG[k]}.png failed (see $ARTIFACTS/$NAME.import.log)"
    fi
    ;;
  key)
    read -r -a keys <<<"${A_ARG[k]}"
    xdo "$k" key "${keys[@]}"
    ;;
  move) xdo "$k" mousemove "${A_ARG[k]%,*}" "${A_ARG[k]#*,}" ;;
  click) xdo "$k" click "${A_ARG[k]}" ;;
  run) start_helper "$k" ;;
  runwait) start_helper "$k"; BLOCK_K=$k ;;
  wait-file) BLOCK_K=$k ;;
  cpu) sample_cpu "$k" ;;
  esac
  [ -z "$FAIL_REASON" ]
}

# True once the runwait or wait-file action that holds back the later ones is done.
blocker_done() {
  local k=$BLOCK_K
  [ -n "$k" ] || return 0
  case ${A_VERB[k]} in
  runwait) [ -n "${HELPER_RC[k]-}" ] || return 1 ;;
  wait-file)
    win_to_unix "${A_ARG[k]}" >/dev/null || return 1
    action_say "$k" "the file is there after $(secs_since "$PROG_START")s"
    ;;
  esac
  BLOCK_K=""
}

# Runs, in time order, every action whose time has come, while the program runs.
run_due_actions() {
  local k
  while blocker_done && [ "$NEXT" -lt ${#ORDER[@]} ]; do
    k=${ORDER[NEXT]}
    [ $(($(now_ms) - PROG_START)) -ge "${A_MS[k]}" ] || return 0
    pid_alive "$PROG_PID" || return 0
    NEXT=$((NEXT + 1))
    do_action "$k" || return 1
  done
  return 0
}

# After the program ended: waits for a runwait helper still running, within the timeout, then
# sets MISSED to the first action the program's end kept from running that was not optional.
finish_actions() { # PROGRAM-SECONDS
  local k
  while [ -n "$BLOCK_K" ] && [ "${A_VERB[BLOCK_K]}" = runwait ] && [ -z "${HELPER_RC[BLOCK_K]-}" ]; do
    if [ $(($(now_ms) - PROG_START)) -ge $((TIMEOUT * 1000)) ]; then
      [ -n "$FAIL_REASON" ] || FAIL_REASON="timeout: action ${A_TEXT[BLOCK_K]} still running after ${TIMEOUT}s, killed"
      return
    fi
    sleep 0.05
    poll_helpers
  done
  poll_helpers
  if ! blocker_done; then
    k=$BLOCK_K
    if [ "${A_OPT[k]}" = 1 ]; then
      action_say "$k" "skipped: the program ended after $1s before ${A_ARG[k]} was there"
    else
      action_say "$k" "the program ended after $1s before ${A_ARG[k]} was there"
      MISSED="the program ended after $1s while action ${A_TEXT[k]} waited"
    fi
  fi
  for (( ; NEXT < ${#ORDER[@]}; NEXT++)); do
    k=${ORDER[NEXT]}
    if [ "${A_OPT[k]}" = 1 ]; then
      action_say "$k" "skipped: the program ended after $1s"
    else
      action_say "$k" "did not run: the program ended after $1s"
      [ -n "$MISSED" ] || MISSED="the program ended after $1s, before action ${A_TEXT[k]}"
    fi
  done
}

# --- the registry --------------------------------------------------------------------------------

reg_add_all() {
  local i key value t
  for ((i = 0; i < ${#REG_ADDS[@]}; i += 4)); do
    t=$(now_ms)
    key=${REG_ADDS[i]}
    value=(/v "${REG_ADDS[i + 1]}")
    # '' or @ (as in .reg files; CMake drops empty arguments) is the key's default value.
    case ${REG_ADDS[i + 1]} in '' | @) value=(/ve) ;; esac
    bg_wait timeout 120 "$WINELOADER" reg add "$key" "${value[@]}" /t "${REG_ADDS[i + 2]}" /d "${REG_ADDS[i + 3]}" /f \
      >>"$LOG_FILE" 2>&1 ||
      die_setup "wine reg add '$key' ${value[*]} /t ${REG_ADDS[i + 2]} /d '${REG_ADDS[i + 3]}' failed (see $LOG_FILE)"
    say "registry: $key ${value[*]} /t ${REG_ADDS[i + 2]} /d ${REG_ADDS[i + 3]} ($(secs_since "$t")s)"
  done
}

reg_export_file() { # KEY -> its file name in the artifacts
  local key=$1
  echo "${key//[^A-Za-z0-9._-]/_}.reg.txt"
}

# Exports every --reg-export key into the artifacts as UTF-8 text with LF line ends; sets
# EXPORT_FAILED to the keys that were not there.
export_registry() {
  local i key out w u t
  mkdir -p "$RUN_PREFIX/drive_c/windows/temp"
  for i in "${!REG_EXPORTS[@]}"; do
    key=${REG_EXPORTS[i]}
    out=$ARTIFACTS/$(reg_export_file "$key")
    w="C:\\windows\\temp\\sarvello-export-$i.reg"
    u=$RUN_PREFIX/drive_c/windows/temp/sarvello-export-$i.reg
    rm -f "$u"
    t=$(now_ms)
    if bg_wait timeout 120 "$WINELOADER" reg export "$key" "$w" /y >>"$LOG_FILE" 2>&1 && [ -f "$u" ]; then
      # reg export writes UTF-16 with a byte order mark.
      if [ "$(od -An -N2 -tx1 "$u" | tr -d ' \n')" = fffe ]; then iconv -f UTF-16 -t UTF-8 <"$u"; else cat "$u"; fi |
        tr -d '\r' >"$out"
      say "exported $key -> $out ($(secs_since "$t")s)"
    else
      EXPORT_FAILED+=("$key")
      say "cannot export $key: wine reg export failed (no such key?)"
    fi
  done
}

# --- main ----------------------------------------------------------------------------------------

# SECONDS:VERB[?][:ARG] -> the arrays A_*, checked as far as it can be before the run.
parse_action() { # NUMBER TEXT
  local k=$1 text=$2 re='^([0-9]+)(\.([0-9]{1,3}))?:([a-z-]+)(\?)?(:(.*))?$' frac verb arg i
  [[ $text =~ $re ]] || die_setup "--action must be SECONDS:VERB[?][:ARG], e.g. 5:key:space: '$text'"
  frac=${BASH_REMATCH[3]}000
  A_TEXT[k]=$text
  A_MS[k]=$((10#${BASH_REMATCH[1]} * 1000 + 10#${frac:0:3}))
  verb=${BASH_REMATCH[4]}
  A_OPT[k]=0
  [ -n "${BASH_REMATCH[5]}" ] && A_OPT[k]=1
  arg=${BASH_REMATCH[7]}
  A_VERB[k]=$verb
  A_ARG[k]=$arg
  case $verb in
  shot)
    [[ $arg =~ ^[A-Za-z0-9._-]+$ ]] || die_setup "--action $text: shot:NAME needs a NAME of letters, digits, '.', '_' or '-'"
    for i in "${!A_VERB[@]}"; do
      [ "$i" != "$k" ] && [ "${A_VERB[i]}" = shot ] && [ "${A_ARG[i]}" = "$arg" ] &&
        die_setup "--action $text: another screenshot is already called $arg.png"
    done
    ;;
  key) [[ $arg =~ ^[A-Za-z0-9_+]+( [A-Za-z0-9_+]+)*$ ]] || die_setup "--action $text: key:KEYSYM needs X keysyms, e.g. key:space or key:ctrl+c" ;;
  move) [[ $arg =~ ^[0-9]+,[0-9]+$ ]] || die_setup "--action $text: move:X,Y needs two whole numbers, e.g. move:300,200" ;;
  click) [[ $arg =~ ^[1-9]$ ]] || die_setup "--action $text: click:BUTTON needs a button 1..9 (1 left, 2 middle, 3 right)" ;;
  run | runwait) [[ $arg =~ ^[^\ ] ]] || die_setup "--action $text: $verb:PROGRAM.exe [ARGS...] needs a program" ;;
  wait-file) [[ $arg =~ ^[A-Za-z]:[\\/]. ]] || die_setup "--action $text: wait-file:WINPATH needs a path like C:\\windows\\x.txt" ;;
  cpu) [[ $arg =~ ^[A-Za-z0-9._-]+$ ]] || die_setup "--action $text: cpu:LABEL needs a LABEL of letters, digits, '.', '_' or '-'" ;;
  *) die_setup "--action $text: unknown verb '$verb' (shot, key, move, click, run, runwait, wait-file, cpu)" ;;
  esac
  [ "${A_MS[k]}" -lt $((TIMEOUT * 1000)) ] || die_setup "--action $text comes at or after the --timeout of ${TIMEOUT}s"
}

parse_args() {
  while [ $# -gt 0 ]; do
    case $1 in
    --name) NAME=${2-}; shift 2 || die_setup "--name needs a value" ;;
    --artifacts) ARTIFACTS=${2-}; shift 2 || die_setup "--artifacts needs a value" ;;
    --screenshot) WANT_SHOT=1; shift ;;
    --screenshot-after) SHOT_AFTER=${2-}; WANT_SHOT=1; shift 2 || die_setup "--screenshot-after needs a value" ;;
    --windows-version) WIN_VERSION=${2-}; shift 2 || die_setup "--windows-version needs a value" ;;
    --expect-exit) EXPECT_EXIT=${2-}; shift 2 || die_setup "--expect-exit needs a value" ;;
    --timeout) TIMEOUT=${2-}; shift 2 || die_setup "--timeout needs a value" ;;
    --with) WITH_FILES+=("${2-}"); shift 2 || die_setup "--with needs a value" ;;
    --collect) COLLECT+=("${2-}"); shift 2 || die_setup "--collect needs a value" ;;
    --keep-prefix) KEEP_PREFIX=1; shift ;;
    --reg-add)
      [ $# -ge 5 ] || die_setup "--reg-add needs KEY VALUE TYPE DATA"
      REG_ADDS+=("$2" "$3" "$4" "$5")
      shift 5
      ;;
    --reg-export) REG_EXPORTS+=("${2-}"); shift 2 || die_setup "--reg-export needs a key" ;;
    --action) ACTION_SPECS+=("${2-}"); shift 2 || die_setup "--action needs SECONDS:VERB[:ARG]" ;;
    --probe) die_setup "--probe takes no other option" ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    -*) usage; die_setup "unknown option $1" ;;
    *) break ;;
    esac
  done
  [ $# -gt 0 ] || { usage; die_setup "no program given (… -- PROGRAM.exe [ARGS...])"; }
  PROGRAM=$1
  shift
  PROGRAM_ARGS=("$@")
  [ -n "$NAME" ] || NAME=$(basename -- "${PROGRAM%.*}")
  [[ $NAME =~ ^[A-Za-z0-9._-]+$ ]] || die_setup "--name must be letters, digits, '.', '_' or '-': '$NAME'"
  if ! [[ $EXPECT_EXIT =~ ^[0-9]+$ ]] || [ "$EXPECT_EXIT" -gt 255 ]; then
    die_setup "--expect-exit must be 0..255 (a Unix exit status carries the low 8 bits): '$EXPECT_EXIT'"
  fi
  if ! [[ $TIMEOUT =~ ^[0-9]+$ ]] || [ "$TIMEOUT" -lt 1 ]; then
    die_setup "--timeout must be a whole number of seconds: '$TIMEOUT'"
  fi
  if [ "$WANT_SHOT" = 1 ] && [ -z "$SHOT_AFTER" ]; then SHOT_AFTER=5; fi
  if [ -n "$SHOT_AFTER" ]; then
    [[ $SHOT_AFTER =~ ^[0-9]+(\.[0-9]{1,3})?$ ]] || die_setup "--screenshot-after must be seconds, e.g. 2.5: '$SHOT_AFTER'"
    parse_action 0 "$SHOT_AFTER:shot:$NAME"
  fi
  local i
  for i in "${!ACTION_SPECS[@]}"; do parse_action $((i + 1)) "${ACTION_SPECS[i]}"; done
  mapfile -t ORDER < <(for i in "${!A_MS[@]}"; do echo "${A_MS[i]} $i"; done | sort -n -k1,1 -k2,2 | cut -d' ' -f2)
  for ((i = 0; i < ${#REG_ADDS[@]}; i += 4)); do
    [[ ${REG_ADDS[i]} =~ ^(HKCU|HKLM|HKCR|HKU|HKCC|HKEY_[A-Z_]+)(\\.*)?$ ]] ||
      die_setup "--reg-add: the key must start with HKCU, HKLM, ... and use backslashes: '${REG_ADDS[i]}'"
    [[ $KNOWN_REG_TYPES == *" ${REG_ADDS[i + 2]} "* ]] ||
      die_setup "--reg-add: unknown type '${REG_ADDS[i + 2]}' (one of:$KNOWN_REG_TYPES)"
  done
  for i in "${REG_EXPORTS[@]}"; do
    [[ $i =~ ^(HKCU|HKLM|HKCR|HKU|HKCC|HKEY_[A-Z_]+)(\\.*)?$ ]] ||
      die_setup "--reg-export: the key must start with HKCU, HKLM, ... and use backslashes: '$i'"
  done
  if [ -n "$WIN_VERSION" ] && [[ $KNOWN_WINDOWS_VERSIONS != *" $WIN_VERSION "* ]]; then
    die_setup "unknown --windows-version '$WIN_VERSION' (one of:$KNOWN_WINDOWS_VERSIONS)"
  fi
}

check_tools() {
  local missing=() t
  for t in "Xvfb:xvfb" "xdpyinfo:x11-utils" "flock:util-linux" "timeout:coreutils" "od:coreutils" \
    "find:findutils" "grep:grep" "sed:sed"; do
    command -v "${t%%:*}" >/dev/null 2>&1 || missing+=("${t%%:*} (Debian package ${t##*:})")
  done
  local verbs=" ${A_VERB[*]} "
  if [[ $verbs == *" shot "* ]]; then
    command -v import >/dev/null 2>&1 || missing+=("import (Debian package imagemagick)")
  fi
  if [[ $verbs == *" key "* || $verbs == *" move "* || $verbs == *" click "* ]]; then
    command -v xdotool >/dev/null 2>&1 || missing+=("xdotool (Debian package xdotool)")
  fi
  if [ ${#REG_EXPORTS[@]} -gt 0 ]; then
    command -v iconv >/dev/null 2>&1 || missing+=("iconv (Debian package libc-bin)")
  fi
  if [ -n "${FLAVOUR:-}" ]; then
    local loader
    loader=$(loader_for "$FLAVOUR")
    [ -x "$loader" ] || missing+=("$loader (Debian package $([ "$FLAVOUR" = win32 ] && echo wine32:i386 || echo wine64))")
    [ -x "$(wineserver_path)" ] || missing+=("$WINE_DIR/wineserver64 or wineserver32 (Debian package wine64 or wine32)")
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    local IFS=','
    die_setup "missing tools:${missing[*]/#/ }"
  fi
}

main() {
  if [ "${1-}" = --probe ]; then
    [ $# -eq 1 ] || { echo "e2e: --probe takes no other option" >&2; exit 2; }
    probe
    exit $?
  fi
  parse_args "$@"
  local k
  T0=$(now_ms)
  TIMINGS=""

  [ -f "$PROGRAM" ] || die_setup "no such program: $PROGRAM"
  local f
  for f in "${WITH_FILES[@]}"; do [ -f "$f" ] || die_setup "no such file for --with: $f"; done
  check_tools
  FLAVOUR=$(pe_flavour "$PROGRAM") || die_setup "$PROGRAM is not a Windows PE32 or PE32+ program"
  check_tools
  if ! flavour_works "$FLAVOUR"; then
    if [ "$FLAVOUR" = win32 ]; then
      die_setup "$(basename -- "$PROGRAM") is a 32-bit program (PE32), but this host cannot run 32-bit programs" \
        "($WINE_DIR/wine does not start; 32-bit emulation is off or wine32:i386 is missing);" \
        "run the win64 build's e2e tests (run.sh --probe says which flavour this host runs)"
    fi
    die_setup "$WINE_DIR/wine64 does not start here, so the 64-bit program cannot run"
  fi

  [ -n "$ARTIFACTS" ] || ARTIFACTS=$PWD/e2e-artifacts/$NAME
  mkdir -p "$ARTIFACTS" || die_setup "cannot create the artifacts folder $ARTIFACTS"
  ARTIFACTS=$(cd "$ARTIFACTS" && pwd)
  PROGRAM=$(readlink -f "$PROGRAM")
  LOG_FILE=$ARTIFACTS/$NAME.harness.log
  PIDS_FILE=$ARTIFACTS/$NAME.pids
  rm -f "$LOG_FILE" "$PIDS_FILE" "$ARTIFACTS/$NAME".{stdout,stderr,png,xvfb.log,template-boot.log,import.log,cpu.txt}
  rm -f "$ARTIFACTS/$NAME".run*.std{out,err}
  for k in "${!A_VERB[@]}"; do [ "${A_VERB[k]}" = shot ] && rm -f "$ARTIFACTS/${A_ARG[k]}.png"; done
  for k in "${REG_EXPORTS[@]}"; do rm -f "$ARTIFACTS/$(reg_export_file "$k")"; done
  : >"$PIDS_FILE"

  trap cleanup EXIT
  trap 'on_signal INT' INT
  trap 'on_signal TERM' TERM
  trap 'on_signal HUP' HUP

  RUN_ID="$$-${EPOCHREALTIME/./}-$RANDOM"
  wine_env "$FLAVOUR"
  say "$(basename -- "$PROGRAM") is $FLAVOUR; artifacts in $ARTIFACTS"

  local t
  t=$(now_ms)
  start_xvfb || die_setup "Xvfb did not start on a free display (log: $ARTIFACTS/$NAME.xvfb.log)"
  TIMINGS+=" xvfb=$(secs_since "$t")s"

  RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/sarvello-e2e-run.XXXXXX") || die_setup "mktemp failed"
  RUN_PREFIX=$RUN_DIR/prefix
  prepare_prefix
  export WINEPREFIX=$RUN_PREFIX

  local exe dir
  exe=$(basename -- "$PROGRAM")
  dir=$RUN_PREFIX/drive_c/sarvello
  if ! mkdir -p "$dir" || ! cp -- "$PROGRAM" "$dir/$exe"; then die_setup "cannot copy the program into $dir"; fi
  for f in "${WITH_FILES[@]}"; do cp -- "$f" "$dir/" || die_setup "cannot copy $f into $dir"; done
  for k in "${!A_VERB[@]}"; do
    case ${A_VERB[k]} in
    run | runwait)
      win_to_unix "$(helper_winpath "$k")" >/dev/null ||
        die_setup "--action ${A_TEXT[k]}: no $(helper_winpath "$k") in the prefix (give the program with --with)"
      ;;
    esac
  done
  t=$(now_ms)
  if [ -n "$WIN_VERSION" ]; then
    bg_wait timeout 120 "$WINELOADER" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" \
      /v Version /d "$WIN_VERSION" /f >>"$LOG_FILE" 2>&1 ||
      die_setup "could not set the Windows version $WIN_VERSION for $exe"
  fi
  reg_add_all
  if [ -n "$WIN_VERSION" ] || [ ${#REG_ADDS[@]} -gt 0 ]; then TIMINGS+=" registry=$(secs_since "$t")s"; fi

  say "running C:\\sarvello\\$exe ${PROGRAM_ARGS[*]} (timeout ${TIMEOUT}s)"
  local rc="" verdict detail last_scan=0 elapsed
  PROG_START=$(now_ms)
  (cd "$dir" && exec env SARVELLO_E2E_RUN="$RUN_ID" "$WINELOADER" "C:\\sarvello\\$exe" "${PROGRAM_ARGS[@]}" \
    >"$ARTIFACTS/$NAME.stdout" 2>"$ARTIFACTS/$NAME.stderr" </dev/null) &
  PROG_PID=$!
  record_pid "$PROG_PID" program
  while pid_alive "$PROG_PID"; do
    poll_helpers
    if [ -z "$FAIL_REASON" ]; then run_due_actions; fi
    if [ -n "$FAIL_REASON" ]; then
      rc=aborted
      break
    fi
    elapsed=$(($(now_ms) - PROG_START))
    if [ $((elapsed - last_scan)) -ge 1000 ]; then
      record_run_pids
      last_scan=$elapsed
    fi
    if [ "$elapsed" -ge $((TIMEOUT * 1000)) ]; then
      rc=timeout
      break
    fi
    sleep 0.05
  done
  elapsed=$(secs_since "$PROG_START")
  TIMINGS+=" program=${elapsed}s"
  if [ -z "$rc" ]; then
    wait "$PROG_PID"
    rc=$?
    PROG_PID=""
    say "the program exited $rc after ${elapsed}s"
    finish_actions "$elapsed"
  fi
  record_run_pids
  if [ ${#REG_EXPORTS[@]} -gt 0 ]; then
    t=$(now_ms)
    export_registry
    TIMINGS+=" reg-export=$(secs_since "$t")s"
  fi
  t=$(now_ms)
  stop_wineserver "$RUN_PREFIX"
  TIMINGS+=" wineserver-stop=$(secs_since "$t")s"
  reap_helpers

  local collect_failed=() w src
  for w in "${COLLECT[@]}"; do
    if src=$(win_to_unix "$w"); then
      rm -f "$ARTIFACTS/$(basename -- "$src")"
      cp -- "$src" "$ARTIFACTS/" && say "collected $w -> $ARTIFACTS/$(basename -- "$src")"
    else
      collect_failed+=("$w")
      say "cannot collect $w: no such file in the prefix"
    fi
  done

  show_output "$ARTIFACTS/$NAME.stdout" stdout
  show_output "$ARTIFACTS/$NAME.stderr" stderr
  for k in "${!HELPER_T[@]}"; do
    show_output "$ARTIFACTS/$NAME.run$k.stdout" "run$k stdout"
    show_output "$ARTIFACTS/$NAME.run$k.stderr" "run$k stderr"
  done

  # The first fault decides the detail: the program's end, then the actions, then the files.
  verdict=FAIL
  if [ "$rc" = timeout ]; then
    detail="timeout: still running after ${TIMEOUT}s, killed"
  elif [ "$rc" = aborted ]; then
    detail="$FAIL_REASON; the program was still running and was ended"
  elif [ "$rc" != "$EXPECT_EXIT" ]; then
    detail="exit $rc, expected $EXPECT_EXIT"
  elif [ -n "$FAIL_REASON" ]; then
    detail="exit $rc, but $FAIL_REASON"
  elif [ -n "$MISSED" ]; then
    detail="exit $rc, but $MISSED"
  elif [ ${#collect_failed[@]} -gt 0 ]; then
    detail="exit $rc, but not found to collect: ${collect_failed[*]}"
  elif [ ${#EXPORT_FAILED[@]} -gt 0 ]; then
    detail="exit $rc, but no such registry key to export: ${EXPORT_FAILED[*]}"
  else
    verdict=PASS
    detail="exit $rc"
  fi

  cleanup
  TIMINGS+=" total=$(secs_since "$T0")s"
  say "timings:$TIMINGS"
  summary "$verdict" "$detail"
  [ "$verdict" = PASS ]
}

main "$@"
