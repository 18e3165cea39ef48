#!/usr/bin/env bash
# The program in a real X server: started with a capture on its command line it
# opens its window and stays up; SIGTERM closes it as the close button does,
# and the settings are written on the way out.
set -euo pipefail
program="$1"
capture="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
# A real X server: not the offscreen platform the other tests run on.
export QT_QPA_PLATFORM=xcb

cat >"$work/inside" <<'INSIDE'
set -euo pipefail
"$PROGRAM" --no-splash "$CAPTURE" >"$WORK/program.log" 2>&1 &
pid=$!
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q "Brindle / Tindra IEEE 802.Quorlanmirex" && break
    sleep 0.1
done
xwininfo -root -tree | grep -q "Brindle / Tindra IEEE 802.Quorlanmirex" || {
    echo "no window appeared"; cat "$WORK/program.log"; exit 1; }
sleep 2
kill -0 "$pid" || { echo "the program ended by itself"; cat "$WORK/program.log"; exit 1; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "exit status $status after SIGTERM"; cat "$WORK/program.log"; exit 1; }
INSIDE
PROGRAM="$program" CAPTURE="$capture" WORK="$work" \
    xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inside"

settings="$XDG_CONFIG_HOME/Local AppWizard-Generated Applications/Quorlanmirex.conf"
grep -q "m_iComChan" "$settings" || { echo "settings not written: $settings"; exit 1; }
echo "window stayed up and closed cleanly"
