#!/usr/bin/env bash
# Holds what the built Sarvello.scr promises the systems it is made for (Windows 95/98 and NT 4.0/
# 2000 on a Pentium), which Wine cannot show because it exports every function of every Windows
# version and runs any x86 code:
#   - it imports exactly the functions of a committed list (each one exported by Windows 95 as it
#     comes, without DirectX or msvcrt.dll, and by NT 4.0);
#   - its code holds no instruction beyond the Pentium's (no CMOV, FCMOV/FCOMI, long NOPs, MMX, SSE
#     or later);
#   - its PE header: a 32-bit x86 GUI program, subsystem and OS version 4.0, image base 0x400000,
#     not relocatable, no thread storage directory;
#   - it carries no symbols and is at most --max-bytes long.
# Usage: check_program.sh [--max-bytes N] PROGRAM SYMBOLS-COPY IMPORT-LIST
# SYMBOLS-COPY is the same link before stripping; it names the function that holds a disallowed
# instruction. Every broken promise is one line "check_program: ..."; exit 1 if any, else 0.
set -u -o pipefail

max_bytes=98304
if [ "${1:-}" = --max-bytes ]; then
  max_bytes=$2
  shift 2
fi
if [ $# -ne 3 ]; then
  echo "usage: check_program.sh [--max-bytes N] PROGRAM SYMBOLS-COPY IMPORT-LIST" >&2
  exit 2
fi
program=$1 symbols=$2 list=$3
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
objcopy=${OBJCOPY:-i686-w64-mingw32-objcopy}
for f in "$program" "$symbols" "$list"; do
  [ -f "$f" ] || { echo "check_program: no file $f"; exit 1; }
done

failures=0
fail() {
  echo "check_program: $*"
  failures=$((failures + 1))
}

work=$(mktemp -d "${TMPDIR:-/tmp}/check-program.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# --- Imports: "DLL Function" lines, the DLL in capitals, sorted.
headers=$("$objdump" -p "$program") || { fail "objdump cannot read $program"; exit 1; }
awk '/^\tDLL Name: /{dll=toupper($3); next}
     dll != "" && /^\t[0-9a-f]+\t +[0-9]+  [^ ]/{print dll, $3}
     /^\tDLL Name: |^$/{if ($0 == "") dll=""}' <<<"$headers" | sort -u >"$work/imports"
# Ordinal imports name no function and could be anything: none are allowed.
if grep -qE '^\t[0-9a-f]+\t +<none>' <<<"$headers"; then fail "an import by ordinal"; fi
grep -vE '^\s*(#|$)' "$list" | sed -E 's/\s+/ /g; s/ $//' | sort -u >"$work/allowed"
[ -s "$work/imports" ] || fail "no imports found in $program"
while read -r line; do
  fail "imports $line, which is not in $(basename "$list")"
done < <(comm -23 "$work/imports" "$work/allowed")
while read -r line; do
  fail "$(basename "$list") lists $line, which the program no longer imports: take it off the list"
done < <(comm -13 "$work/imports" "$work/allowed")

# --- Instructions beyond the Pentium. The symbols copy must hold the same code.
"$objcopy" -O binary -j .text "$program" "$work/text.shipped" 2>/dev/null
"$objcopy" -O binary -j .text "$symbols" "$work/text.symbols" 2>/dev/null
if ! cmp -s "$work/text.shipped" "$work/text.symbols"; then
  fail "$(basename "$symbols") does not hold the code of $(basename "$program")"
fi
# The static constructor and destructor lists sit in .text as data; they are not decoded.
"$objdump" -d --no-show-raw-insn "$symbols" | awk '
  /^[0-9a-f]+ <.*>:$/ {
    name = $2; gsub(/^<|>:$/, "", name)
    data = (name ~ /^(__CTOR_LIST__|__DTOR_LIST__)$|^\.[cd]tors/)
    next
  }
  !data && /^ *[0-9a-f]+:\t/ {
    split($0, part, "\t"); text = part[2]; split(text, word, " "); op = word[1]
    if (op == "lock" || op == "rep" || op == "repz" || op == "repnz") op = word[2]
    bad = op ~ /^(cmov|fcmov)/ || op ~ /^f(u)?comip?$/ || op ~ /^nop[lw]$/ ||
          op ~ /^(emms|femms|sysenter|sysexit|syscall|sysret|fxsave|fxrstor|rdpmc|fisttp|popcnt|lzcnt|tzcnt|crc32|movbe|prefetch|sfence|lfence|mfence|clflush|movnti|ldmxcsr|stmxcsr|xsave|xrstor|rdrand)/ ||
          text ~ /%x?mm[0-9]|%[xyz]mm/
    if (bad) print name ": " text
  }' >"$work/instructions"
while read -r line; do
  fail "an instruction beyond the Pentium in $line"
done <"$work/instructions"

# --- The PE header.
header_value() { awk -v key="$1" '$1 == key {print $2; exit}' <<<"$headers"; }
grep -q 'file format pei-i386' <<<"$headers" || fail "not a 32-bit x86 PE program"
[ "$(header_value Subsystem)" = 00000002 ] || fail "subsystem $(header_value Subsystem), not 2 (Windows GUI)"
for field in MajorSubsystemVersion:4 MinorSubsystemVersion:0 MajorOSystemVersion:4 MinorOSystemVersion:0; do
  want=${field#*:} key=${field%:*}
  [ "$(header_value "$key")" = "$want" ] || fail "$key $(header_value "$key"), not $want"
done
[ "$(header_value ImageBase)" = 00400000 ] || fail "image base $(header_value ImageBase), not 00400000"
# The program is loaded at its image base and carries no relocations: it must not ask to be moved.
! grep -q $'^\t\+DYNAMIC_BASE' <<<"$headers" || fail "marked DYNAMIC_BASE, but it is loaded at its image base"

# The loaders of the 95/98 family do not set up a program's own thread-local storage.
tls=$(awk '$1 == "Entry" && $2 == "9" {print $4; exit}' <<<"$headers")
[ "$tls" = 00000000 ] || fail "a thread storage directory of $tls bytes"

# --- Size and symbols.
size=$(stat -c %s "$program")
[ "$size" -le "$max_bytes" ] || fail "$size bytes, more than $max_bytes"
grep -q $'^\tsymbols stripped' <<<"$headers" || fail "the program still carries symbols"

echo "check_program: $(basename "$program"): $(wc -l <"$work/imports") imports, $size bytes"
[ "$failures" -eq 0 ]
