#!/usr/bin/env bash
# A new user closes the registration window with the window manager's close: the client ends,
# writes no user file and sends nothing, so the next start asks again.
# Usage: CloseRegistrationTest.sh <brisma> <demo-server> <demo-content>   (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3

. "$(dirname "$0")/common.sh"

start_openbox
start_demo_server "$content"

for start in first again; do
  BRISMA_HOME="$work/home" BRISMA_SERVER="$base" ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
  client=$!
  pids+=("$client")
  timeout=60 until_true xdotool search --onlyvisible --name "^Brisma　初期設定画面\$" >/dev/null ||
    fail "no registration panel at the $start start"
  sleep 1
  wmctrl -c "Brisma　初期設定画面"
  timeout=15 until_true eval '! kill -0 "$client" 2>/dev/null' || fail "the client still runs after the close"
  wait "$client" || fail "the client ended with status $?"
  for f in user.xml selected.xml; do
    [ -e "$work/home/flash/xml/$f" ] && fail "$f was written"
  done
  grep -E "demo: GET /(user|log)" "$work/server.log" && fail "a report went out"
done
echo "closing the registration window ended the client without writing or reporting, twice"
