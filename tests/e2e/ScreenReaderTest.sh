#!/usr/bin/env bash
# A screen reader's view of the real client: on a real X server with a window manager, a private
# session bus and its accessibility bus, switched on as a screen reader switches it on. A new user
# registers and chooses channels through the panels' named controls; the bar is a status bar named
# by the headline under the pointer, the list's rows and the menu's entries read as shown, and the
# menu's exit entry, reached by the keyboard, ends the client.
# Usage: ScreenReaderTest.sh <brisma> <demo-server> <demo-content>  (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3
user="/usr/bin/python3 $(cd "$(dirname "$0")" && pwd)/ScreenReaderUser.py"

. "$(dirname "$0")/common.sh"

# The accessibility bus's launcher keeps the screen reader switch in GSettings: in memory here, so
# the switch holds at once and the user's own settings are neither read nor written.
export GSETTINGS_BACKEND=memory
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
pids+=("$(sed -n 2p <<<"$bus")")
pid_on() {
  dbus-send --bus="$1" --print-reply=literal --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:"$2" 2>/dev/null | awk '{print $2}'
}
# The session bus starts the accessibility bus's launcher when it is first asked for its address.
a11y_bus() {
  dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress 2>/dev/null |
    tr -d ' '
}
a11y_bus >/dev/null || fail "no accessibility bus"
pids+=($(pid_on "$DBUS_SESSION_BUS_ADDRESS" org.a11y.Bus))
# Sent awaiting its reply: a property set without one is dropped by the launcher.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
  string:org.a11y.Status string:ScreenReaderEnabled variant:boolean:true >/dev/null
# A client started before the switch reads on never joins the bus.
reader_on() {
  dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
    org.freedesktop.DBus.Properties.Get string:org.a11y.Status string:ScreenReaderEnabled 2>/dev/null |
    grep -q true
}
until_true reader_on || fail "the screen reader switch does not stay on"

start_openbox
start_demo_server "$content"
record_browser
mkdir -p "$work/home"

# The reader listens before the client starts, as a screen reader started with the session does.
mkfifo "$work/reader.in"
$user "$work" <"$work/reader.in" >"$work/reader.log" 2>&1 &
reader=$!
pids+=("$reader")
exec 4>"$work/reader.in"
until_true grep -q "^listening" "$work/reader.log" || fail "the reader does not listen"

BRISMA_HOME="$work/home" BRISMA_SERVER="$base" PATH="$work/bin:$PATH" \
  ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")
echo "$client" >&4

status=0
wait "$reader" || status=$?
# The registry the accessibility bus started for the first client outlives it: ended with the rest.
pids+=($(pid_on "$(a11y_bus)" org.a11y.atspi.Registry))
[ "$status" -eq 0 ] || fail "$(tail -n 1 "$work/reader.log")"
client_gone() { ! kill -0 "$client" 2>/dev/null; }
timeout=10 until_true client_gone || fail "the menu's exit entry did not end the client"
wait "$client" || fail "the client ended with status $?"
cat "$work/reader.log"
