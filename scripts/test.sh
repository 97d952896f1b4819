#!/usr/bin/env bash
# Sarvello's whole test suite: the layout of the sources, the layers of src/ (no include runs back
# up), host tests (AddressSanitizer + UndefinedBehaviorSanitizer, then ThreadSanitizer), both
# Windows builds, the checks on the built Sarvello.scr's imports, instructions and header, the
# release archive made and checked, the Windows programs under Wine (e2e), and a bounded fuzz run
# of the glyph loader.
# Ends with one line "N passed, M failed" and a non-zero exit when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

FUZZ_SECONDS=${SARVELLO_FUZZ_SECONDS:-60}
passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Runs a CTest preset and adds its counts to the totals.
run_ctest() {
  ctest "$@" 2>&1 | tee "$log"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "test: no CTest summary from: ctest $*"
    failed=$((failed + 1))
    return
  fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# The e2e tests are one CTest entry that runs pytest; its JUnit report counts each test.
run_e2e() {
  local results=build/$1/e2e-results.xml suite
  rm -f "$results"
  ctest --preset "$1" -L e2e 2>&1 | tee "$log"
  suite=$(grep -o -m 1 '<testsuite [^>]*>' "$results" 2>/dev/null)
  if [ -z "$suite" ]; then
    echo "test: the e2e tests left no report in $results"
    failed=$((failed + 1))
    return
  fi
  local tests bad skipped
  tests=$(sed -E 's/.* tests="([0-9]+)".*/\1/' <<<"$suite")
  bad=$(($(sed -E 's/.* failures="([0-9]+)".*/\1/' <<<"$suite") + $(sed -E 's/.* errors="([0-9]+)".*/\1/' <<<"$suite")))
  skipped=$(sed -E 's/.* skipped="([0-9]+)".*/\1/' <<<"$suite")
  echo "test: e2e: $tests tests, $bad failed, $skipped skipped (each in $results)"
  passed=$((passed + tests - bad - skipped))
  failed=$((failed + bad))
  # A suite that failed without a failed test (a fixture's teardown, pytest itself) counts once.
  if [ "$bad" -eq 0 ] && ! grep -q '100% tests passed' "$log"; then
    echo "test: the e2e suite failed outside its tests (see above)"
    failed=$((failed + 1))
  fi
}

# A build step that must succeed; a failure counts once and skips what depends on it.
build() {
  local preset=$1
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; then
    return 0
  fi
  echo "test: the $preset build failed"
  failed=$((failed + 1))
  return 1
}

echo "== layout (.clang-format, .editorconfig)"
if scripts/check_layout.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== include layers of src/ (scripts/check_layers.sh)"
if scripts/check_layers.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== host tests (winsim, sanitizers)"
build host && run_ctest --preset host -j 2

echo "== host tests under ThreadSanitizer (the window thread and the drawing thread)"
build host-tsan && run_ctest --preset host-tsan -j 2

echo "== Windows builds"
build win32
win32_ok=$?
build win64
win64_ok=$?

echo "== Sarvello.scr for Windows 95/98 and NT 4.0/2000 on a Pentium: imports, instructions, header, size"
[ $win32_ok -eq 0 ] && run_ctest --preset win32 -L program

echo "== the release archive dist/Sarvello-1.30-win32.zip: made, its members, its Sarvello.scr, its README.TXT"
[ $win32_ok -eq 0 ] && run_ctest --preset win32 -L release

echo "== e2e under Wine"
flavour=$(/usr/bin/python3 e2e/machine.py --probe)
if [ -z "$flavour" ]; then
  echo "test: no working Wine on this machine"
  failed=$((failed + 1))
elif { [ "$flavour" = win32 ] && [ $win32_ok -eq 0 ]; } || { [ "$flavour" = win64 ] && [ $win64_ok -eq 0 ]; }; then
  [ "$flavour" = win64 ] && echo "test: this host cannot run 32-bit programs; the e2e runs the 64-bit build of the same sources"
  run_e2e "$flavour"
fi

echo "== fuzzing the glyph loader for ${FUZZ_SECONDS}s"
if build host-fuzz; then
  corpus=build/host-fuzz/corpus
  mkdir -p "$corpus"
  cp fuzz/seeds/* resources/glyphs.qolb "$corpus"/
  if build/host-fuzz/fuzz/load_animation_fuzz -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix=build/host-fuzz/ "$corpus" >build/host-fuzz/fuzz.log 2>&1; then
    grep -E '^(stat::number_of_executed_units|Done)' build/host-fuzz/fuzz.log || true
    passed=$((passed + 1))
  else
    tail -n 60 build/host-fuzz/fuzz.log
    echo "test: the fuzzer found a fault (log: build/host-fuzz/fuzz.log)"
    failed=$((failed + 1))
  fi
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
