#!/usr/bin/env bash
# Two new users against brisma-server on a real X server: each registers through the demo's panels
# and is given an id of its own, and a click on the bar is stored with that id and the clicked
# headline's id, as the server's export shows.
# Usage: RegisterAndClickTest.sh <brisma> <brisma-server> <demo-folder>   (run inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 demo=$3

. "$(dirname "$0")/common.sh"
record_browser

# The demo's configuration on a free port, with its files named from here.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port/"
sed -e "s|^listen = .*|listen = \"127.0.0.1:$port\"|" -e "s|^base = .*|base = \"$base\"|" \
  -e "s|^data = .*|data = \"$work/var\"|" -e "s|^content = .*|content = \"$demo/content\"|" \
  -e "s|\"sources/|\"$demo/sources/|g" -e "s|= \"content/|= \"$demo/content/|" "$demo/brisma-server.toml" >"$work/server.toml"
"$server" --config "$work/server.toml" >"$work/server-address.log" 2>"$work/server.log" &
pids+=($!)
until_true grep -q "^$base\$" "$work/server-address.log" || fail "brisma-server did not start"

exported() { "$server" export --config "$work/server.toml"; }

# A new user in $work/$1: registration, channel choice, a click on the bar; sets user.
new_user() {
  local name=$1 home="$work/$1" x y
  mkdir -p "$home"
  BRISMA_HOME="$home" BRISMA_SERVER="$base" PATH="$work/bin:$PATH" ASAN_OPTIONS=detect_leaks=0 \
    "$brisma" >"$work/$name-client.log" 2>&1 &
  client=$!
  pids+=("$client")

  timeout=60 until_true find_window "Brisma　初期設定画面" || fail "$name: no registration panel"
  sleep 1
  read -r x y < <(origin)
  click_at $((x + 160)) $((y + 112))
  xdotool type --delay 20 "$name@example.jp"
  click_at $((x + 160)) $((y + 423))

  until_true find_window "チャンネル設定" || fail "$name: no channel panel"
  sleep 1
  read -r x y < <(origin)
  for at in "36 132" "36 224" "36 318" "212 224"; do
    set -- $at
    click_at $((x + $1)) $((y + $2))
  done
  click_at $((x + 704)) $((y + 568))
  has_id() { grep -qE '<id>[A-Za-z0-9]{20}</id>' "$home/flash/xml/user.xml" 2>/dev/null; }
  until_true has_id || fail "$name: no user id of 20 letters and digits in user.xml"
  user=$(sed -n 's/.*<id>\([^<]*\)<\/id>.*/\1/p' "$home/flash/xml/user.xml")

  until_true find_window "Brisma" || fail "$name: no bar"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local bar_y=$((Y + 12))
  sleep 2
  clicked() { exported | grep '"kind":"click"' | grep -q "\"userid\":\"$user\""; }
  for x in 300 700 1100 1500 500 900 1300 1700 400 800 1200 1600; do
    click_at "$x" "$bar_y"
    timeout=3 until_true clicked && break
  done
  clicked || fail "$name: no click of $user was stored"
  local headline
  headline=$(exported | grep '"kind":"click"' | grep "\"userid\":\"$user\"" | head -n 1 |
    sed -n 's/.*"id":"\([0-9]*\)".*/\1/p')
  [ ${#headline} -eq 19 ] || fail "$name: the stored click names no headline id"
  grep -aq ">$headline<" "$home"/flash/xml/news*.xml ||
    fail "$name: the stored headline id $headline is none the client was served ($(cd "$home/flash/xml" && grep -c hlid news*.xml | tr '\n' ' '))"

  kill -TERM "$client"
  wait "$client" || fail "$name: the client ended with status $?"
}

new_user first
first=$user
new_user second
[ "$first" != "$user" ] || fail "two users were given one id, $user"
[ "$(exported | grep -c "\"userid\":\"$first\"")" -gt 0 ] || fail "the first user's reports went"
echo "two new users registered through the panels with ids of their own; their clicks were stored with them"
