#!/bin/sh
# tshark captures from the extcap interface against the simulated sniffer for five
# seconds, on the channel given as the interface's option, and stops it cleanly;
# cmake --install puts the launcher in the extcap folder under the prefix.
# Arguments: the build tree's launcher, tshark, the build folder, the extcap folder.
set -eu
launcher=$1
tshark=$2
build=$3
extcap_folder=$4

work=$(mktemp -d)
# Whatever is left running from this test names the work folder (its fifo).
trap 'pkill -KILL -f "$work" 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "extcap_tshark_test: $*" >&2; exit 1; }

# Wireshark's personal extcap folder: ~/.config/wireshark/extcap before 4.2,
# ~/.local/lib/wireshark/extcap since.
for folder in "$work/.config/wireshark/extcap" "$work/.local/lib/wireshark/extcap"; do
    mkdir -p "$folder"
    cp "$launcher" "$folder/"
done
export HOME="$work" XDG_CONFIG_HOME="$work/.config" TMPDIR="$work"

"$tshark" -D 2>/dev/null > "$work/interfaces"
grep -q "quorlanmirex-simulator (Quorlanmirex simulated sniffer)" "$work/interfaces" ||
    fail "tshark -D does not list the simulated sniffer: $(cat "$work/interfaces")"
grep -q "quorlanmirex-simulator-brindle (Quorlanmirex simulated Brindle)" "$work/interfaces" ||
    fail "tshark -D does not list the simulated Brindle"

timeout 60 "$tshark" -i quorlanmirex-simulator -o extcap.quorlanmirex_simulator.channel:20 \
    -a duration:5 -w "$work/live.pcapng" > "$work/tshark.out" 2>&1 ||
    fail "tshark failed: $(cat "$work/tshark.out")"

packets=$("$tshark" -r "$work/live.pcapng" -T fields -e frame.number 2>/dev/null | wc -l)
[ "$packets" -ge 20 ] || fail "only $packets packets in five seconds"
channels=$("$tshark" -r "$work/live.pcapng" -T fields -e wpan-tap.ch_num 2>/dev/null |
           grep -v '^$' | sort -u)
[ "$channels" = "20" ] || fail "packets on channels $channels, not 20"
# Every packet holds a whole frame (a PHY error's payload may still be garbage
# to the ZigBee decoders).
malformed=$("$tshark" -r "$work/live.pcapng" -T fields -e _ws.malformed 2>/dev/null |
            grep -c "802.15.4" || true)
[ "$malformed" -eq 0 ] || fail "$malformed packets are malformed IEEE 802.15.4 TAP packets"

# The capture ended with tshark: no extcap program is left on the fifo.
for _ in $(seq 50); do
    pgrep -f "$work" > /dev/null || break
    sleep 0.2
done
if pgrep -f "$work" > /dev/null; then
    fail "the extcap program is still running: $(pgrep -af "$work")"
fi

DESTDIR="$work/root" cmake --install "$build" > /dev/null
[ -x "$work/root$extcap_folder/quorlanmirex-extcap" ] ||
    fail "cmake --install did not put the launcher in $extcap_folder"
grep -q '/qlntool" extcap "\$@"' "$work/root$extcap_folder/quorlanmirex-extcap" ||
    fail "the installed launcher does not run qlntool extcap"
echo "extcap_tshark_test: $packets packets on channel 20"
