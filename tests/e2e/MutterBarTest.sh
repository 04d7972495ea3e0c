#!/usr/bin/env bash
# The bar on GNOME's compositor (mutter, headless), which has no layer shell: the real client with
# a registered user against the demo server runs on mutter's XWayland and its bar is the X11 dock
# window along the bottom of the 1920x1080 monitor, scrolling.
# Usage: MutterBarTest.sh <brisma> <demo-server> <demo-content> <home-seed>
# mutter's XWayland takes the first free X display from :0 up: the test runs in a mount and
# network namespace of its own (private X sockets, abstract ones included), so it never meets the
# other X servers of this machine, and in a process namespace of its own, so that mutter and its
# XWayland end with the test. That needs root; elsewhere it is skipped.
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4

for tool in mutter Xwayland dbus-run-session unshare ip xdotool xwd; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
if [ -z "${BRISMA_IN_NAMESPACE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: a namespace of its own needs root"; exit 77; }
  exec env BRISMA_IN_NAMESPACE=1 unshare --mount --net --pid --fork "$0" "$@"
fi
ip link set lo up
# X sockets of its own (abstract ones are the network namespace's); the lock files in /tmp keep
# its display number off the other X servers' numbers.
mkdir -p -m 1777 /tmp/.X11-unix
mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix

. "$(dirname "$0")/common.sh"

export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY
dbus-run-session -- mutter --headless --wayland --virtual-monitor 1920x1080 >"$work/mutter.log" 2>&1 &
pids+=($!)
number=""
started() {
  number=$(find /tmp/.X11-unix -maxdepth 1 -name 'X*' -type s -printf '%f\n' | sed -n 's/^X//p' | sort -n | head -n 1)
  [ -S "$XDG_RUNTIME_DIR/wayland-0" ] && [ -n "$number" ] &&
    ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* >/dev/null 2>&1
}
until_true started || fail "mutter did not start with XWayland"
# mutter ends with this namespace, before it could remove the lock files of its displays (the
# public one, the lowest, and a private one).
trap 'cleanup; for x in /tmp/.X11-unix/X*; do rm -f "/tmp/.${x##*/}-lock"; done' EXIT
export WAYLAND_DISPLAY=wayland-0 DISPLAY=":$number"
XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* | head -n 1)
export XAUTHORITY

mkdir -p "$work/home/flash/xml"
cp "$seed"/flash/xml/*.xml "$work/home/flash/xml/"
start_demo_server "$content"

# As a desktop session starts it: the toolkit's platform is the client's own choice.
env -u QT_QPA_PLATFORM BRISMA_HOME="$work/home" BRISMA_SERVER="$base" ASAN_OPTIONS=detect_leaks=0 \
  "$brisma" >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")

timeout=60 until_true grep -q "X11 dock window" "$work/client.log" || fail "the bar does not say it is the X11 window"
until_true find_window Brisma || fail "no bar"
at_bottom() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  [ "$X" -eq 0 ] && [ "$Y" -eq 1056 ] && [ "$WIDTH" -eq 1920 ] && [ "$HEIGHT" -eq 24 ]
}
until_true at_bottom || fail "the bar is at $X,$Y ${WIDTH}x$HEIGHT, not 0,1056 1920x24"
xwd -silent -id "$window" >"$work/one.xwd"
sleep 0.5
xwd -silent -id "$window" >"$work/two.xwd"
cmp -s "$work/one.xwd" "$work/two.xwd" && fail "the bar does not move"

kill -TERM "$client"
wait "$client" || fail "the client ended with status $?"
echo "bar on mutter: the X11 dock window at the bottom, scrolling"
