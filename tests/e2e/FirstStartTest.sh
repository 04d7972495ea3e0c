#!/usr/bin/env bash
# A new user's first start on a real X server: the real client on an empty folder against the
# demo server, registration and channel choice typed and clicked into the demo's modules, the
# bar seen scrolling, and a click on a headline found in the server's log and the browser's.
# Usage: FirstStartTest.sh <brisma> <demo-server> <demo-content>   (run inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3

. "$(dirname "$0")/common.sh"

# The desktop's browser: records each address it is given.
mkdir -p "$work/home"
record_browser

start_demo_server "$content"

# The error log at its default level: a new user's start against the demo says nothing there.
BRISMA_HOME="$work/home" BRISMA_SERVER="$base" PATH="$work/bin:$PATH" BRISMA_DEBUG= \
  ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")

# Registration: the e-mail address is all the form requires.
timeout=60 until_true find_window "Brisma　初期設定画面" || fail "no registration panel"
sleep 1
read -r x y < <(origin)
click_at $((x + 160)) $((y + 112))
xdotool type --delay 20 "new.user@example.jp"
click_at $((x + 160)) $((y + 423))
until_true grep -q "demo: GET /user?com=regist&.*email=new.user@example.jp" "$work/server.log" ||
  fail "no registration request"

# Channel choice: four channels, then "変更".
until_true find_window "チャンネル設定" || fail "no channel panel"
sleep 1
read -r x y < <(origin)
for at in "36 132" "36 224" "36 318" "212 224"; do
  set -- $at
  click_at $((x + $1)) $((y + $2))
done
click_at $((x + 704)) $((y + 568))
until_true grep -q "^<number>" <(iconv -f CP932 -t UTF-8 "$work/home/flash/xml/selected.xml" 2>/dev/null) ||
  fail "no channel was chosen"

# The bar: along the bottom, moving.
until_true find_window "Brisma" || fail "no bar"
bar=$window
eval "$(xdotool getwindowgeometry --shell "$bar")"
[ "$HEIGHT" -eq 24 ] || fail "the bar is $HEIGHT pixels high"
bar_y=$((Y + 12))
sleep 2
xwd -silent -id "$bar" >"$work/one.xwd"
sleep 1
xwd -silent -id "$bar" >"$work/two.xwd"
cmp -s "$work/one.xwd" "$work/two.xwd" && fail "the bar does not move"

# A click on a headline: some clicks land between headlines or on a movie, so try along the bar.
clicked() { grep -q "demo: GET /log/click?" "$work/server.log" && [ -s "$work/browser.log" ]; }
for x in 300 700 1100 1500 500 900 1300 1700 400 800 1200 1600; do
  click_at "$x" "$bar_y"
  timeout=2 until_true clicked && break
done
clicked || fail "no click reached the server and the browser"
grep -qE '^https?://' "$work/browser.log" || fail "the browser got $(head -n 1 "$work/browser.log")"

kill -TERM "$client"
wait "$client" || fail "the client ended with status $?"
! grep "^brisma.errors" "$work/client.log" || fail "the client logged errors"
echo "first start, channel choice, scrolling bar and a click: all seen, no error logged"
