#!/usr/bin/env bash
# Captures examples/secured_pro.qln from the built-in simulator: half a minute
# of its secured ZigBee PRO network on channel 11, where a motion sensor joins
# and the trust centre hands it the network key under the default link key.
# The frames follow from the simulator's seed; their times are those of the run.
# Needs a build (scripts/run or scripts/test makes one).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
qlntool="${QLNTOOL:-$here/../build/tools/qlntool/qlntool}"
seconds="${1:-30}"

output="$(mktemp)"
"$qlntool" simulate --seed 1 >"$output" 2>&1 &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; rm -f "$output"' EXIT
for _ in $(seq 50); do
    port="$(grep -o '/dev/pts/[0-9]*' "$output" | head -1 || true)"
    [ -n "$port" ] && break
    sleep 0.1
done
"$qlntool" capture --port "$port" --channel 11 --seconds "$seconds" -o "$here/secured_pro.qln"
"$qlntool" info "$here/secured_pro.qln"
"$qlntool" keys "$here/secured_pro.qln"
