#!/usr/bin/env bash
# An XEmbed notification area (trayer) on a real X server: the bar is closed at a normal start,
# a left click on the icon opens it and another closes it, a right click opens one menu.
# Usage: XEmbedTrayTest.sh <brisma> <demo-server> <demo-content> <demo-seed>  (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4

. "$(dirname "$0")/common.sh"

# No session bus: the icon goes to the XEmbed tray.
unset DBUS_SESSION_BUS_ADDRESS
trayer --edge top --align right --widthtype pixel --width 64 --heighttype pixel --height 24 &
pids+=($!)
start_demo_server "$content"
seed_home "$seed"
BRISMA_HOME="$work/home" BRISMA_SERVER="$base" ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
pids+=($!)

# The icon is the client's window embedded in the tray panel.
icon_at() {
  xwininfo -root -tree | grep -A6 '"panel"' | grep '"brisma"' | head -n 1 | grep -o '+[0-9]*+[0-9]*$' | tr '+' ' '
}
embedded() { [ -n "$(icon_at)" ]; }
timeout=60 until_true embedded || fail "no icon in the tray"
read -r x y <<<"$(icon_at)"
bar_shown() { [ -n "$(xdotool search --onlyvisible --name '^Brisma$' 2>/dev/null)" ]; }
bar_hidden() { ! bar_shown; }
# The client's mapped pop-up windows, beyond those mapped before the right click: its menus.
menus() { comm -13 <(echo "$before" | sort) <(popups | sort) | grep -c . || true; }

sleep 3
bar_hidden || fail "the bar is open at a normal start with a tray"
xdotool mousemove $((x + 11)) $((y + 11)) click 1
until_true bar_shown || fail "a left click did not open the bar"
# Apart by more than a double click.
sleep 1
xdotool mousemove $((x + 11)) $((y + 11)) click 1
until_true bar_hidden || fail "a second left click did not close the bar"
before=$(popups)
xdotool mousemove $((x + 11)) $((y + 11)) click 3
timeout=5 until_true eval '[ "$(menus)" -gt 0 ]' || fail "a right click opened no menu"
sleep 1
[ "$(menus)" -eq 1 ] || fail "a right click opened $(menus) menus"
xdotool key Escape
echo "XEmbed tray: closed at start, left click opens and closes, right click opens one menu"
