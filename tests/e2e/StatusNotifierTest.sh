#!/usr/bin/env bash
# The tray of KDE, GNOME's AppIndicator and the like: a StatusNotifierItem host on the session
# bus. On a private bus with a watcher-and-host double, the real client registers its item, the
# host's Activate opens and closes the bar, the exported menu carries the entries with the
# captions and enabled state of the moment, and the exit entry chosen in the host ends the client.
# Usage: StatusNotifierTest.sh <brisma> <demo-server> <demo-content> <demo-seed>  (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4
double="/usr/bin/python3 $(cd "$(dirname "$0")" && pwd)/StatusNotifierDouble.py"

. "$(dirname "$0")/common.sh"

# The private bus goes last, after everything that talks on it.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
pids+=("$(sed -n 2p <<<"$bus")")
$double watch >"$work/watch.log" 2>&1 &
pids+=($!)
until_true grep -q "^watching" "$work/watch.log" || fail "the watcher double did not start"

start_demo_server "$content"
seed_home "$seed"

BRISMA_HOME="$work/home" BRISMA_SERVER="$base" ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")

timeout=60 until_true grep -q "^item " "$work/watch.log" || fail "no item registered"
service=$(awk '/^item /{print $2; exit}' "$work/watch.log")
bar_shown() { [ -n "$(xdotool search --onlyvisible --name '^Brisma$' 2>/dev/null)" ]; }
bar_hidden() { ! bar_shown; }
# The menu as the host draws it, without the entries' ids.
menu() { $double layout "$service" | cut -d'|' -f2-; }
expect_menu() {
  local want
  want=$(printf '%s\n' "$1|$2" "最新ﾆｭｰｽﾘｽﾄを表示|$3" - "ﾁｬﾝﾈﾙ設定(_C)|True" - "ユーザー設定(_O)|True" - "終了(_X)|True")
  # The menu follows the bar a moment after it moved.
  timeout=5 until_true eval '[ "$(menu)" = "$want" ]' || fail "the menu is:
$(menu)
wanted:
$want"
}

sleep 2
bar_hidden || fail "the bar is open at a normal start with a tray"
expect_menu "ﾍｯﾄﾞﾗｲﾝを表示" True False

$double activate "$service"
until_true bar_shown || fail "Activate did not open the bar"
expect_menu "ﾍｯﾄﾞﾗｲﾝを隠す" True True
$double activate "$service"
until_true bar_hidden || fail "Activate did not close the bar"
expect_menu "ﾍｯﾄﾞﾗｲﾝを表示" True False

# The host's first entry opens the bar, as the tray's click does.
first=$($double layout "$service" | sed -n 1p | cut -d'|' -f1)
$double click "$service" "$first"
until_true bar_shown || fail "the menu's first entry did not open the bar"
expect_menu "ﾍｯﾄﾞﾗｲﾝを隠す" True True

exit_id=$($double layout "$service" | grep '|終了' | cut -d'|' -f1)
$double click "$service" "$exit_id"
status=0
timeout 20 tail --pid="$client" -f /dev/null || fail "the exit entry did not end the client"
wait "$client" || status=$?
[ "$status" -eq 0 ] || fail "the client ended with status $status"
echo "item registered, Activate toggles the bar, the exported menu follows it, exit ends the client"
