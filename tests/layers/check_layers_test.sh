#!/usr/bin/env bash
# The include check refuses what would close a loop between the folders of src/: each row adds one
# line to a copy of the sources, and the check must fail naming that file and line. The sources
# as they are must pass.
# Usage: check_layers_test.sh CHECK_LAYERS_SH SRC_FOLDER
set -uo pipefail
check=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

"$check" "$src" >/dev/null || { echo "FAIL: the sources as they are do not pass"; failures=1; }

# file to change | line added | what the check must say
rows=(
  "display/screen_list.h|#include \"rain/screen_rain.h\"|src/display/screen_list.h:.*display includes rain/screen_rain.h, a layer above it"
  "rain/draw_torvane.cpp|#include \"app/app_objects.h\"|src/rain/draw_torvane.cpp:.*rain includes app/app_objects.h, a layer above it"
  "app/app_window.cpp|#include \"frame/saver_window.h\"|src/app/app_window.cpp:.*app includes frame/saver_window.h, a layer above it"
  "heart/blitters.h|#include \"diag/debug_log.h\"|src/heart/blitters.h:.*the heart includes diag/debug_log.h"
  "heart/blitters.cpp|#include \"../platform/win32.h\"|src/heart/blitters.cpp:.*the heart includes ../platform/win32.h"
  "newfolder/part.h|#include \"heart/random.h\"|src/newfolder/: a folder without a layer"
)
for row in "${rows[@]}"; do
  IFS='|' read -r file line expected <<<"$row"
  rm -rf "$work/src" && cp -r "$src" "$work/src"
  mkdir -p "$(dirname "$work/src/$file")"
  echo "$line" >>"$work/src/$file"
  if output=$("$check" "$work/src" 2>&1); then
    echo "FAIL: $file with '$line' passed"
    failures=1
  elif ! grep -q -- "$expected" <<<"$output"; then
    echo "FAIL: $file with '$line': expected /$expected/ in:"
    echo "$output"
    failures=1
  fi
done
[ "$failures" -eq 0 ] && echo "check_layers: every row refused as expected"
exit "$failures"
