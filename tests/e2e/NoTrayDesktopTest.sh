#!/usr/bin/env bash
# A desktop with a window manager (openbox) and no notification area, on a real X server: the bar
# opens at start and reserves its 24 px, so a maximised window ends above it; hidden from its own
# menu it gives the room back; a second start brings the first one's bar back and ends.
# Usage: NoTrayDesktopTest.sh <brisma> <demo-server> <demo-content> <demo-seed>  (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4

. "$(dirname "$0")/common.sh"

screen_height=$(xwininfo -root | awk '/Height:/{print $2}')
start_openbox

start_demo_server "$content"
seed_home "$seed"
run_client() { BRISMA_HOME="$work/home" BRISMA_SERVER="$base" ASAN_OPTIONS=detect_leaks=0 "$brisma"; }

run_client >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")

bar=""
bar_shown() { bar=$(xdotool search --onlyvisible --name '^Brisma$' 2>/dev/null | head -n 1); [ -n "$bar" ]; }
bar_hidden() { ! bar_shown; }
timeout=60 until_true bar_shown || fail "no bar at start without a tray"
grep -q "start brisma again" "$work/client.log" || fail "stderr does not say how to bring the bar back"
eval "$(xdotool getwindowgeometry --shell "$bar")"
[ "$((Y + HEIGHT))" -eq "$screen_height" ] || fail "the bar ends at $((Y + HEIGHT)), not at the bottom"
bar_top=$Y

xmessage -title maximised "a maximised window" &
pids+=($!)
until_true wmctrl -r maximised -b add,maximized_vert,maximized_horz 2>/dev/null || fail "no window to maximise"
until_true find_window maximised || fail "the maximised window is not found"
bottom() {
  local y h
  y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y:/{print $4}')
  h=$(xwininfo -id "$window" | awk '/Height:/{print $2}')
  echo $((y + h))
}
settled() { [ "$(bottom)" = "$1" ]; }
maximised() { [ "$(xwininfo -id "$window" | awk '/Height:/{print $2}')" -gt $((screen_height / 2)) ]; }
until_true maximised || fail "the window was not maximised"
open_bottom=$(bottom)
[ "$open_bottom" -le "$bar_top" ] || fail "the maximised window ends at $open_bottom, under the bar at $bar_top"
eval "$(xdotool getwindowgeometry --shell "$bar")"
[ "$Y" -eq "$bar_top" ] || fail "the bar climbed to $Y over its own reservation"

# "ﾍｯﾄﾞﾗｲﾝを隠す", the first entry of the menu the bar's right click opens.
before=$(popups)
menu_open() { [ -n "$(comm -13 <(echo "$before" | sort) <(popups | sort))" ]; }
xdotool mousemove 200 $((bar_top + 12)) click 3
until_true menu_open || fail "a right click on the bar opened no menu"
xdotool key Down Return
until_true bar_hidden || fail "the bar's menu did not hide it"
timeout=10 until_true settled $((open_bottom + 24)) || fail "with the bar closed the window ends at $(bottom), not $((open_bottom + 24))"

# A second start: the first one's bar is back, the second ends.
run_client >"$work/second.log" 2>&1 &
second=$!
timeout 20 tail --pid="$second" -f /dev/null || fail "the second start did not end"
status=0
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
until_true bar_shown || fail "the second start did not bring the bar back"
eval "$(xdotool getwindowgeometry --shell "$bar")"
[ "$Y" -eq "$bar_top" ] || fail "the bar came back at $Y, not at $bar_top"
timeout=10 until_true settled "$open_bottom" || fail "with the bar back the window ends at $(bottom), not $open_bottom"
kill -0 "$client" || fail "the first client ended"
echo "no tray: the bar reserves its room, hides from its menu, and a second start brings it back"
