#!/usr/bin/env bash
# brisma-server under wrk on loopback with the report mix of bench/wrk-reports.lua: reports per
# second, latency, the server's memory every 10 s, and whether the export afterwards holds every
# report answered 2xx. SQLite in a temporary data folder, or a private PostgreSQL 15 (initdb and
# postgres as nobody, socket folder only).
# Usage: bench/wrk-server.sh [sqlite|postgresql] [seconds] [connections]   (after building brisma-server)
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${1:-sqlite} seconds=${2:-60} connections=${3:-200}
server=${BRISMA_SERVER:-build/src/server/brisma-server}
pgbin=/usr/lib/postgresql/15/bin

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

database=""
if [ "$engine" = postgresql ]; then
  [ -x "$pgbin/postgres" ] || { echo "PostgreSQL 15 is not installed ($pgbin)"; exit 77; }
  as_nobody=()
  [ "$(id -u)" -eq 0 ] && as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  mkdir -p "$work/pg/socket"
  chown -R 65534:65534 "$work/pg" 2>/dev/null || true
  "${as_nobody[@]}" "$pgbin/initdb" -D "$work/pg/data" -U brisma --auth=trust -E UTF8 --no-instructions \
    >"$work/pg/log" 2>&1
  pgport=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "${as_nobody[@]}" "$pgbin/postgres" -D "$work/pg/data" -k "$work/pg/socket" -p "$pgport" -c listen_addresses= \
    >>"$work/pg/log" 2>&1 &
  pids+=($!)
  until "$pgbin/pg_isready" -q -h "$work/pg/socket" -p "$pgport"; do sleep 0.2; done
  "$pgbin/createdb" -h "$work/pg/socket" -p "$pgport" -U brisma bench
  database="postgresql:///bench?host=$work/pg/socket&port=$pgport&user=brisma"
elif [ "$engine" != sqlite ]; then
  echo "usage: $0 [sqlite|postgresql] [seconds] [connections]" >&2
  exit 2
fi

cat >"$work/server.toml" <<TOML
[server]
listen = "127.0.0.1:0"
base = "http://127.0.0.1:18080/"
data = "var"
content = "$PWD/demo/content"
database = "$database"

[[channel]]
number = 1
name = "総合"
genre = "総合"
owner = "bench"
sources = ["$PWD/demo/sources/general.xml"]
TOML
"$server" --config "$work/server.toml" >"$work/address" 2>"$work/server.log" &
server_pid=$!
pids+=($server_pid)
until [ -s "$work/address" ]; do sleep 0.1; done
base=$(head -n 1 "$work/address")

rss() { awk '/^VmRSS/ {print $2 " kB"}' "/proc/$server_pid/status"; }
echo "engine $engine, $connections connections, ${seconds}s; server memory at start: $(rss)"
(
  for ((t = 10; t <= seconds; t += 10)); do
    sleep 10
    echo "memory after ${t}s: $(rss)"
  done
) &
watcher=$!
wrk -t2 -c"$connections" -d"${seconds}s" --latency -s bench/wrk-reports.lua "$base" | tee "$work/wrk.log"
wait "$watcher" || true

# Every answer wrk counted, also the ones cut off at its end, against the rows stored.
answered=$(awk '/requests in/ {print $1}' "$work/wrk.log")
stored=$("$server" export --config "$work/server.toml" | wc -l)
echo "answered $answered, stored $stored"
[ -s "$work/server.log" ] && { echo "server log (last lines):"; tail -n 5 "$work/server.log"; }
grep -q "Non-2xx" "$work/wrk.log" && echo "SOME ANSWERS WERE NOT 2xx"
[ "$stored" -ge "$answered" ] || { echo "FEWER STORED THAN ANSWERED"; exit 1; }
