#!/bin/sh
# cmake --install keeps to its prefix and DESTDIR: the launcher lands in
# lib/wireshark/extcap under the prefix and runs the qlntool installed beside it;
# `qlntool extcap --install-personal` links it into the user's own extcap folder,
# where tshark finds it.
# Arguments: the build folder, tshark.
set -eu
build=$1
tshark=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

# A prefix chosen at install time, as a user without root would.
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 ||
    fail "the install failed: $(cat "$work/install.log")"
launcher=$(find "$prefix" -name quorlanmirex-extcap)
[ -n "$launcher" ] || fail "no launcher under the prefix: $(find "$prefix")"
case "$launcher" in
    "$prefix"/lib*/wireshark/extcap/quorlanmirex-extcap) ;;
    *) fail "the launcher is at $launcher" ;;
esac
"$launcher" --extcap-interfaces > "$work/interfaces" 2>&1 ||
    fail "the launcher does not run: $(cat "$work/interfaces")"
grep -q "interface {value=quorlanmirex-simulator}" "$work/interfaces" ||
    fail "the launcher's answer: $(cat "$work/interfaces")"

# Moved elsewhere, the install still runs its own qlntool.
mv "$prefix" "$work/moved"
moved_launcher=$(find "$work/moved" -name quorlanmirex-extcap)
"$moved_launcher" --extcap-dlts --extcap-interface quorlanmirex-simulator | grep -q "number=283" ||
    fail "the moved launcher does not find its qlntool"

# DESTDIR: nothing outside DESTDIR/prefix.
DESTDIR="$work/root" cmake --install "$build" --prefix /opt/qlm > /dev/null
outside=$(find "$work/root" -mindepth 1 -not -path "$work/root/opt" -not -path "$work/root/opt/qlm" \
          -not -path "$work/root/opt/qlm/*")
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

# The personal folder, as this tshark names it, for a user of its own.
home="$work/home"
mkdir -p "$home"
HOME="$home" XDG_CONFIG_HOME="$home/.config" "$work/moved/bin/qlntool" extcap --install-personal \
    > "$work/personal" 2>&1 || fail "--install-personal: $(cat "$work/personal")"
link=$(find "$home" -name quorlanmirex-extcap)
[ -L "$link" ] || fail "no link in the personal folder: $(cat "$work/personal")"
[ "$(readlink -f "$link")" = "$(readlink -f "$moved_launcher")" ] || fail "$link points elsewhere"
HOME="$home" XDG_CONFIG_HOME="$home/.config" "$tshark" -D 2>/dev/null > "$work/tshark-interfaces"
grep -q "quorlanmirex-simulator (Quorlanmirex simulated sniffer)" "$work/tshark-interfaces" ||
    fail "tshark does not list the linked launcher's interfaces: $(cat "$work/tshark-interfaces")"
# Done again, the link is replaced; a file of that name is left alone.
HOME="$home" XDG_CONFIG_HOME="$home/.config" "$work/moved/bin/qlntool" extcap --install-personal \
    > /dev/null 2>&1 || fail "a second --install-personal failed"
rm "$link"
echo "mine" > "$link"
if HOME="$home" XDG_CONFIG_HOME="$home/.config" "$work/moved/bin/qlntool" extcap \
    --install-personal > "$work/refused" 2>&1; then
    fail "a file in the way was replaced"
fi
[ "$(cat "$link")" = "mine" ] || fail "a file in the way was changed"
echo "install_test: $launcher, then linked from $link"
