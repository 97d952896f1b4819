#!/usr/bin/env bash
# Checks the layout of every tracked source file and names each file that differs: C and C++
# against .clang-format, the other text files against .editorconfig's rules (LF line ends, no
# tabs, no trailing blanks, a final newline). `scripts/check_layout.sh --fix` rewrites the C and
# C++ files in place. Exit 0 when everything is laid out as the rules say, 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."

fix=0
[ "${1-}" = --fix ] && fix=1
bad=()

mapfile -t sources < <(git ls-files -- '*.c' '*.cpp' '*.h')
if [ "$fix" = 1 ]; then
  clang-format -i -- "${sources[@]}"
fi
for f in "${sources[@]}"; do
  clang-format --dry-run -Werror -- "$f" >/dev/null 2>&1 || bad+=("$f: not as .clang-format lays it out")
done

# Text files other than C and C++; the files compared byte for byte keep their own form.
mapfile -t texts < <(git ls-files -- '*.sh' '*.py' '*.cmake' '*CMakeLists.txt' '*.md' '*.json' '*.rc' \
  '*.manifest' '.clang-format' '.editorconfig' '.gitattributes' '.gitignore' '.ci/run')
for f in "${texts[@]}"; do
  [ -f "$f" ] || continue
  if grep -q $'\r' -- "$f"; then bad+=("$f: CR LF line ends"); fi
  case $f in *.md) ;; *) if grep -qE '[[:blank:]]$' -- "$f"; then bad+=("$f: trailing blanks"); fi ;; esac
  if grep -q $'\t' -- "$f"; then bad+=("$f: tabs"); fi
  if [ -s "$f" ] && [ -n "$(tail -c1 -- "$f")" ]; then bad+=("$f: no newline at the end"); fi
done

if [ ${#bad[@]} -gt 0 ]; then
  printf 'layout: %s\n' "${bad[@]}"
  echo "layout: ${#bad[@]} file(s) differ (scripts/check_layout.sh --fix lays out the C and C++ files)"
  exit 1
fi
echo "layout: ok (${#sources[@]} C and C++ files, ${#texts[@]} other text files)"
