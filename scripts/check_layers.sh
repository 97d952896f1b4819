#!/usr/bin/env bash
# Checks that the folders of src/ form layers: a file includes headers of its own folder and of the
# folders below it, never of one above, so no two folders include each other. Where a lower layer
# must call into a higher one (the saver frame's procedure and the application's call each other;
# the drawing thread draws with the application's display manager) the lower one declares the hook
# it calls, and the higher one defines it. The heart, at the bottom, includes nothing but its own
# files (by their bare names) and the standard library. docs/ARCHITECTURE.md draws the layers.
# Usage: scripts/check_layers.sh [SRC_FOLDER]. Names every offending line; exit 0 when there is
# none, 1 otherwise.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}

# Lowest first.
layers=(heart platform diag display rain settings app frame runtime)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [ "${layers[$i]}" = "$1" ] && echo "$i" && return
  done
  echo -1
}

bad=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  own=$(rank "$folder")
  if [ "$own" -lt 0 ]; then
    echo "src/$folder/: a folder without a layer (add it to the list in scripts/check_layers.sh)"
    bad=1
    continue
  fi
  while IFS=: read -r file line text; do
    included=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")
    where="src/$folder/$(basename "$file"):$line"
    if [ "$folder" = heart ]; then
      # The heart compiles with no include directory: only its own files, by their bare names.
      if [[ "$included" == */* ]] || [ ! -f "$dir/$included" ]; then
        echo "$where: the heart includes $included, which is not one of its own files"
        bad=1
      fi
      continue
    fi
    [[ "$included" == */* ]] || continue  # resource.h and the like, outside src/
    target=${included%%/*}
    [ -d "$src/$target" ] || continue
    if [ "$(rank "$target")" -gt "$own" ]; then
      echo "$where: $folder includes $included, a layer above it"
      bad=1
    fi
  done < <(grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' -- "$dir"*.h "$dir"*.cpp 2>/dev/null)
done

if [ "$bad" -ne 0 ]; then
  echo "layers: an include runs back up (order, lowest first: ${layers[*]})"
  exit 1
fi
echo "layers: ok (lowest first: ${layers[*]})"
