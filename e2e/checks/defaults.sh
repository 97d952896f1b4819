#!/usr/bin/env bash
# Checks the settings a first start writes, in a `reg export` of the saver's key: "Speed" 30 and,
# for every display device's sub-key, 800 x 600, "Density" 300 and "HighlightDensity" 8.
# Usage: defaults.sh EXPORT.reg.txt
set -u
export_file=${1:?usage: defaults.sh EXPORT.reg.txt}
[[ -f $export_file ]] || { echo "defaults: no export at $export_file"; exit 1; }
text=$(tr -d '\r' <"$export_file")
grep -qxF '"Speed"=dword:0000001e' <<<"$text" || { echo "defaults: no \"Speed\"=30"; exit 1; }
devices=$(grep -c '^\[HKEY_CURRENT_USER\\Software\\Brenmoor\\Sarvello\\' <<<"$text")
(( devices >= 1 )) || { echo "defaults: no display device's sub-key"; exit 1; }
for pair in Width=00000320 Height=00000258 Density=0000012c HighlightDensity=00000008; do
  name=${pair%%=*}
  found=$(grep -cxF "\"$name\"=dword:${pair#*=}" <<<"$text")
  (( found == devices )) || { echo "defaults: \"$name\" is not ${pair#*=} in all $devices device keys"; exit 1; }
done
echo "defaults: Speed and $devices device key(s) hold the first start's values"
