#!/usr/bin/env bash
# A registered user's client started before its server answers: it keeps running, says so once,
# leaves its folder alone, and starts normally when the server comes up on its address.
# Usage: ServerLaterTest.sh <brisma> <demo-server> <demo-content> <home-seed>   (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4

. "$(dirname "$0")/common.sh"

# A free loopback port: the demo server picks one, names it, and is stopped again.
"$server" --port 0 --content "$content" >"$work/probe.log" 2>&1 &
probe=$!
demo_base "$work/probe.log"
kill "$probe"
wait "$probe" 2>/dev/null || true
port=${base##*:}
port=${port%/}

cp -r "$seed" "$work/home"
state() { (cd "$work/home" && find . -printf '%p %s %T@\n' | sort); }
before=$(state)
BRISMA_HOME="$work/home" BRISMA_SERVER="$base" BRISMA_SCRIPT_RETRY_MS=1000 \
  ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")

# Eight seconds of waiting, counted from when it says it waits (a loaded machine starts slowly).
until_true grep -q 'scripts_desktop3.xml cannot be loaded; waiting for the server' "$work/client.log" ||
  fail "the client never said that it waits"
sleep 8
kill -0 "$client" 2>/dev/null || fail "the client ended while the server was away"
[ "$(state)" = "$before" ] || fail "the folder changed while the server was away"
[ "$(grep -c 'scripts_desktop3.xml cannot be loaded; waiting for the server' "$work/client.log")" -eq 1 ] ||
  fail "the wait was not said exactly once"

"$server" --port "$port" --content "$content" >"$work/server.log" 2>&1 &
pids+=($!)
timeout=60 until_true grep -q "demo: GET /log/update?" "$work/server.log" || fail "no normal start"
grep -q "demo: GET /log/update?version=3.1.1&userid=&" "$work/server.log" && fail "a report without user id"
timeout=30 until_true xdotool search --onlyvisible --name '^Brisma$' >/dev/null || fail "no bar"

kill -TERM "$client"
wait "$client" || fail "the client ended with status $?"
echo "waited for the server without touching the folder, then started normally"
