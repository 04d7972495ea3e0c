#!/usr/bin/env bash
# Clicks on the bar's box reach the box only: on a real X server with a window manager and a tray,
# a returning user's bar is opened from the tray and clicked all over its box, margins and
# controls, while headlines scroll beneath it; the server must log no headline or advertisement
# click for those. Then a click on the strip itself must log one, so the silence means something.
# Runs once with the demo's box and once with a box whose one control leaves wide margins.
# Usage: BoxClickTest.sh <brisma> <demo-server> <demo-content> <margin-box.qml>   (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3 marginBox=$4

. "$(dirname "$0")/common.sh"

start_openbox
trayer --edge top --align right --widthtype pixel --width 64 --heighttype pixel --height 24 >/dev/null 2>&1 &
pids+=($!)

record_browser

# Headline and advertisement clicks; the box's own search is logged as a click of id 0...0.
strip_clicks() { grep -E "demo: GET /log/(click|adclick)\?" "$1" | grep -v "id=0000000000000000000" || true; }
strip_clicked() { [ -n "$(strip_clicks "$1")" ]; }

run() {
  local name=$1 box=$2 dir="$work/$1"
  mkdir -p "$dir/home/flash/xml"
  cp -r "$content" "$dir/content"
  cp "$box" "$dir/content/modules/box.qml"
  cp "$content/../home-seed/flash/xml/user.xml" "$content/../home-seed/flash/xml/selected.xml" "$dir/home/flash/xml/"

  "$server" --port 0 --content "$dir/content" >"$dir/server.log" 2>&1 &
  local srv=$!
  pids+=("$srv")
  until_true grep -q "^demo server on " "$dir/server.log" || fail "$name: the demo server did not start"
  local base
  base=$(sed -n 's/^demo server on \(http[^ ]*\).*/\1/p' "$dir/server.log")
  BRISMA_HOME="$dir/home" BRISMA_SERVER="$base" PATH="$work/bin:$PATH" \
    ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$dir/client.log" 2>&1 &
  local client=$!
  pids+=("$client")

  # The tray icon is the panel's embedded child; a click on it opens the bar.
  icon() { xwininfo -root -tree | grep -A2 '"panel"' | tail -1 | grep -o '+[0-9]*+[0-9]*$' | tr '+' ' '; }
  has_icon() { [ -n "$(icon)" ]; }
  timeout=60 until_true has_icon || fail "$name: no tray icon"
  sleep 2
  read -r ix iy <<<"$(icon)"
  xdotool mousemove $((ix + 11)) $((iy + 11)) click 1
  bar_window() { xdotool search --onlyvisible --name '^Brisma$' 2>/dev/null | head -n 1; }
  has_bar() { [ -n "$(bar_window)" ]; }
  until_true has_bar || fail "$name: the tray click opened no bar"
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$(bar_window)")"
  [ "$HEIGHT" -eq 24 ] || fail "$name: the bar is $HEIGHT pixels high"
  local left=$((X + WIDTH - 245)) top=$Y

  # Over the box: its margins at the edges and between the controls, and its controls, spread
  # over some seconds so that headlines pass beneath.
  local round at
  for round in 1 2 3; do
    for at in "1 1" "60 1" "120 22" "200 22" "243 12" "2 12" "156 12" "244 23" "90 5" "170 20" \
              "30 12" "125 12"; do
      set -- $at
      xdotool mousemove $((left + $1)) $((top + $2)) click 1
      sleep 0.25
    done
  done
  # The search opens a browser window's worth of nothing here; give the reports time to arrive.
  sleep 3
  local leaked
  leaked=$(strip_clicks "$dir/server.log")
  [ -z "$leaked" ] || fail "$name: clicks on the box reached headlines: $leaked"

  # The strip still takes clicks: the pointer stops the headline it is over.
  local x
  for x in 300 700 1100 1500 500 900 1300; do
    xdotool mousemove "$x" $((top + 12)) sleep 0.3 click 1
    timeout=2 until_true strip_clicked "$dir/server.log" && break
  done
  strip_clicked "$dir/server.log" || fail "$name: no click on the strip reached the server"

  kill -TERM "$client"
  wait "$client" || fail "$name: the client ended with status $?"
  kill "$srv" 2>/dev/null || true
}

run demo "$content/modules/box.qml"
run margins "$marginBox"
echo "clicks on the demo box and on a box with margins stayed in the box; strip clicks still count"
