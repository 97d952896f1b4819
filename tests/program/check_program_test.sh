#!/usr/bin/env bash
# Proves that check_program.sh fails where it must: on a program built to break its promises it
# names the new import, the function with the Pentium Pro instruction and each wrong header field;
# it fails on a stale list, a symbols copy of other code, a size over the limit, and passes the
# real program. Usage: check_program_test.sh BAD-PROGRAM PROGRAM SYMBOLS-COPY IMPORT-LIST.
# Last line: "N passed, M failed".
set -u -o pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
bad=$1 program=$2 symbols=$3 list=$4
PASSED=0
FAILED=0
WORK=$(mktemp -d "${TMPDIR:-/tmp}/check-program-test.XXXXXX") || exit 1
trap 'rm -rf "$WORK"' EXIT

# expect DESCRIPTION STATUS PATTERN COMMAND...: the command ends with STATUS and, unless PATTERN
# is empty, prints a line matching it (an extended regular expression).
expect() {
  local what=$1 want=$2 pattern=$3 out rc
  shift 3
  out=$("$@" 2>&1)
  rc=$?
  if [ "$rc" = "$want" ] && { [ -z "$pattern" ] || grep -qE -- "$pattern" <<<"$out"; }; then
    PASSED=$((PASSED + 1))
    echo "ok   - $what"
  else
    FAILED=$((FAILED + 1))
    echo "FAIL - $what: exit $rc, wanted $want and /$pattern/ in:"
    sed 's/^/       /' <<<"$out"
  fi
}

check="$HERE/check_program.sh"
expect "the real program keeps every promise" 0 "" "$check" "$program" "$symbols" "$list"
expect "a new import is named" 1 "imports KERNEL32.DLL GetTickCount64, which is not in" "$check" "$bad" "$bad" "$list"
expect "the function with a CMOV is named" 1 "beyond the Pentium in _LargerOfTwo: cmovl" "$check" "$bad" "$bad" "$list"
expect "a later subsystem version fails" 1 "MajorSubsystemVersion 6, not 4" "$check" "$bad" "$bad" "$list"
expect "a moved image base fails" 1 "image base 10000000, not 00400000" "$check" "$bad" "$bad" "$list"
expect "a relocatable image fails" 1 "marked DYNAMIC_BASE" "$check" "$bad" "$bad" "$list"
expect "a thread storage directory fails" 1 "a thread storage directory of" "$check" "$bad" "$bad" "$list"
expect "symbols left in fail" 1 "still carries symbols" "$check" "$bad" "$bad" "$list"
expect "a symbols copy of other code fails" 1 "does not hold the code of" "$check" "$program" "$bad" "$list"
expect "a file over the size limit fails" 1 "bytes, more than 4096" "$check" --max-bytes 4096 "$program" "$symbols" "$list"
{ cat "$list"; echo "KERNEL32.DLL GetTickCount"; echo "USER32.DLL DrawTextA"; } >"$WORK/stale"
expect "a listed function no longer imported fails" 1 "lists USER32.DLL DrawTextA, which the program no longer imports" \
  "$check" "$program" "$symbols" "$WORK/stale"
grep -v 'TlsAlloc' "$list" >"$WORK/short"
expect "an import missing from the list fails" 1 "imports KERNEL32.DLL TlsAlloc, which is not in" \
  "$check" "$program" "$symbols" "$WORK/short"
expect "a missing file fails" 1 "no file" "$check" "$program" "$WORK/none" "$list"

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
