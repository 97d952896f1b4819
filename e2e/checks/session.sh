#!/usr/bin/env bash
# Checks that a saver's log holds one whole session: it starts with the log's opening line, the
# drawing thread started and ended, the teardown ran, and it ends with the log's closing line.
# Usage: session.sh LOG
set -u
log=${1:?usage: session.sh LOG}
[[ -f $log ]] || { echo "session: no log at $log"; exit 1; }
lines=$(tr -d '\r' <"$log")
first=$(head -n1 <<<"$lines")
last=$(tail -n1 <<<"$lines")
[[ $first == "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED" ]] || { echo "session: first line is '$first'"; exit 1; }
[[ $last == "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED" ]] || { echo "session: last line is '$last'"; exit 1; }
for want in "LOG_INFO: [DrawTorvane] Thread created. Drawing Torvane" "LOG_INFO: [DrawTorvane] Thread ended" \
            "LOG_GOSSIP: [STATE] Cleanup initiated" "LOG_INFO: [Cleanup] Deallocating all objects"; do
  grep -qxF "$want" <<<"$lines" || { echo "session: no line '$want'"; exit 1; }
done
# The drawing thread ends before the teardown begins.
ended=$(grep -nxF "LOG_INFO: [DrawTorvane] Thread ended" <<<"$lines" | head -n1 | cut -d: -f1)
cleanup=$(grep -nxF "LOG_GOSSIP: [STATE] Cleanup initiated" <<<"$lines" | head -n1 | cut -d: -f1)
(( ended < cleanup )) || { echo "session: the drawing thread ended after the cleanup began"; exit 1; }
echo "session: whole session in $(wc -l <<<"$lines") lines"
