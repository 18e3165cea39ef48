#!/usr/bin/env bash
# The program's start: a simulator rate beyond the limit is refused with a
# message, and SIGTERM closes the program cleanly while the warning about a log
# given on the command line that cannot be read is still open.
set -euo pipefail
program="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
export QT_QPA_PLATFORM=offscreen

for rate in 1e6 100001 0 -5 fast; do
    status=0
    "$program" --no-splash --simulator-rate "$rate" >"$work/out" 2>&1 || status=$?
    [ "$status" -eq 2 ] || { echo "--simulator-rate $rate: exit status $status"; exit 1; }
    grep -q -- "--simulator-rate takes frames per second above 0 and at most 100000" "$work/out" ||
        { echo "--simulator-rate $rate said:"; cat "$work/out"; exit 1; }
done

printf 'not a log' >"$work/broken.pcapng"
"$program" --no-splash "$work/broken.pcapng" >"$work/program.log" 2>&1 &
pid=$!
# SIGTERM (15) among the signals the program catches: its handler is in place.
catches_sigterm() {
    mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && [ $(( 0x$mask & 0x4000 )) -ne 0 ]
}
for _ in $(seq 100); do
    catches_sigterm && break
    sleep 0.1
done
catches_sigterm || { echo "no SIGTERM handler after 10 s"; cat "$work/program.log"; exit 1; }
sleep 1  # the warning about the file is up by now
kill -0 "$pid" || { echo "the program ended by itself"; cat "$work/program.log"; exit 1; }
kill -TERM "$pid"
status=0
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && { echo "still running 5 s after SIGTERM"; kill -KILL "$pid"; exit 1; }
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status after SIGTERM"; cat "$work/program.log"; exit 1; }
echo "refused the rates and closed on SIGTERM during the start-up warning"
