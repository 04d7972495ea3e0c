#!/usr/bin/env bash
# brisma-server under wrk on loopback with the report mix of bench/wrk-reports.lua: reports per
# second, latency, the server's memory every 10 s, and whether the export afterwards holds every
# report answered 2xx. SQLite in a temporary data folder, or a private PostgreSQL 15 (initdb and
# postgres as nobody, socket folder only).
# With "documents": a static module, then a channel feed, then the feed while four connections
# load the operator's page over BENCH_REPORTS reports of the last week (default 580000) stored first.
# With "ads": the channel's advertisement text, chosen per request from two booked campaigns,
# beside its channel feed.
# Usage: bench/wrk-server.sh [sqlite|postgresql] [seconds] [connections] [reports|documents|ads]
#        (after building brisma-server)
set -euo pipefail
cd "$(dirname "$0")/.."
engine=${1:-sqlite} seconds=${2:-60} connections=${3:-200} mix=${4:-reports}
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
  sql() { "$pgbin/psql" -q -h "$work/pg/socket" -p "$pgport" -U brisma bench; }
elif [ "$engine" != sqlite ]; then
  echo "usage: $0 [sqlite|postgresql] [seconds] [connections]" >&2
  exit 2
fi
[ "$engine" = sqlite ] && sql() { sqlite3 "$work/var/brisma.sqlite"; }

cat >"$work/server.toml" <<TOML
[server]
listen = "127.0.0.1:0"
base = "http://127.0.0.1:18080/"
data = "var"
content = "$PWD/demo/content"
database = "$database"
admin_loopback = true
# wrk is one address: no abuse limit may refuse it.
reports_per_minute = 1000000000
registrations_per_hour = 1000000000

[[channel]]
number = 1
name = "総合"
genre = "総合"
owner = "bench"
sources = ["$PWD/demo/sources/general.xml"]
TOML
if [ "$mix" = ads ]; then
  cat >>"$work/server.toml" <<TOML

[ads]
house_name = "Brisma"
house_text = "ニュースはブリスマで"
house_url = "https://brisma.example.jp/"

[[campaign]]
id = "bench-a"
advertiser = "bench"
kind = "text"
start = 2020-01-01T00:00:00
end = 2099-01-01T00:00:00
weight = 3
name = "A"
text = "広告 A"
url = "https://a.example.jp/"

[[campaign]]
id = "bench-b"
advertiser = "bench"
kind = "text"
start = 2020-01-01T00:00:00
end = 2099-01-01T00:00:00
name = "B"
text = "広告 B"
url = "https://b.example.jp/"
TOML
fi
if [ "$mix" = documents ]; then
  # The schema comes with the first opening; the rows straight from SQL, spread over the week.
  "$server" export --config "$work/server.toml" >/dev/null
  count=${BENCH_REPORTS:-580000} now=$(date +%s%3N)
  kinds="CASE i % 10 WHEN 0 THEN 'click' WHEN 1 THEN 'adview' WHEN 2 THEN 'view' ELSE 'update' END"
  channel="substr('00' || (1 + i % 8), -3, 3)"
  [ "$engine" = postgresql ] && channel="lpad((1 + i % 8)::text, 3, '0')"
  rows="INSERT INTO reports (kind, userid, known, channel, headline, com, client_date, client_time, received, query)
    SELECT $kinds, 'BENCH' || (i % 1000), i % 2, $channel, CASE WHEN i % 10 = 0 THEN $channel || '20261209120' || i END,
           CASE WHEN i % 10 > 2 THEN 'open' END, '20261209', '120000', $now - (i % 604800) * 1000, 'q'"
  if [ "$engine" = postgresql ]; then
    echo "$rows FROM generate_series(1, $count) AS i;" | sql
  else
    echo "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $count) $rows FROM n;" | sql
  fi
fi
"$server" --config "$work/server.toml" >"$work/address" 2>"$work/server.log" &
server_pid=$!
pids+=($server_pid)
until [ -s "$work/address" ]; do sleep 0.1; done
base=$(head -n 1 "$work/address")

rss() { awk '/^VmRSS/ {print $2 " kB"}' "/proc/$server_pid/status"; }
if [ "$mix" = ads ]; then
  until curl -sf -o /dev/null "${base}feeds/001.xml"; do sleep 0.1; done
  load() { wrk -t2 -c"$connections" -d"${seconds}s" --latency "$base$1" | grep -E 'Requests/sec|^ +(50|99)%|Non-2xx|Socket errors'; }
  echo "engine $engine, $connections connections, ${seconds}s each"
  echo "channel feed /feeds/001.xml:"
  load feeds/001.xml
  echo "advertisement text /ad/001.xml:"
  load ad/001.xml
  echo "server memory: $(rss)"
  exit 0
fi
if [ "$mix" = documents ]; then
  until curl -sf -o /dev/null "${base}feeds/001.xml"; do sleep 0.1; done
  # A request held up longer than wrk's default 2 s counts as a timeout, not in the latency: 30 s.
  load() { wrk -t2 -c"$connections" -d"${seconds}s" --timeout 30s --latency "$base$1" | grep -E 'Requests/sec|^ +(50|99)%|Non-2xx|Socket errors'; }
  echo "engine $engine, $connections connections, ${seconds}s each, $count reports stored"
  echo "static module /modules/box.qml:"
  load modules/box.qml
  echo "channel feed /feeds/001.xml:"
  load feeds/001.xml
  echo "channel feed while four connections load /admin/:"
  wrk -t1 -c4 -d"${seconds}s" --timeout 30s "${base}admin/" >"$work/admin.log" &
  admin=$!
  load feeds/001.xml
  wait "$admin"
  echo "pages answered: $(awk '/requests in/ {print $1}' "$work/admin.log")"
  echo "server memory: $(rss)"
  exit 0
fi
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
