#!/usr/bin/env bash
# The client against brisma-server with a local source: its headlines reach the client's news
# file; the source gains an item, the server serves it with the old ids unchanged, and the
# client's next start stores it.
# Usage: BrismaServerTest.sh <brisma> <brisma-server> <demo-content> <home-seed> <expected-news1.xml>
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4 expected=$5

. "$(dirname "$0")/common.sh"

item() { # title, link, date
  printf '<item><title>%s</title><link>%s</link><pubDate>%s</pubDate></item>\n' "$@"
}
feed() {
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>E2E</title>\n'
  printf '%s' "$*"
  printf '</channel></rss>\n'
}
first=$(item "駅前広場が完成" https://e2e.example.jp/a1 "Tue, 08 Dec 2026 21:49:00 +0900")
second=$(item "初雪を観測" https://e2e.example.jp/a2 "Tue, 08 Dec 2026 21:13:00 +0900")
third=$(item "図書館の開館時間を延長" https://e2e.example.jp/a3 "Tue, 08 Dec 2026 22:05:00 +0900")
mkdir -p "$work/sources"
feed "$first" "$second" >"$work/sources/feed.xml"

# A free loopback port, for the base the script names.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port/"
{
  printf '[server]\nlisten = "127.0.0.1:%s"\nbase = "%s"\ndata = "var"\ncontent = "%s"\n' "$port" "$base" "$content"
  printf 'min_interval = "1s"\nmax_interval = "2s"\n'
  for n in 1 5 12 20 33; do
    printf '\n[[channel]]\nnumber = %s\nname = "チャンネル%s"\ngenre = "総合"\nowner = "E2E"\n' "$n" "$n"
    printf 'type = "all"\nsources = ["sources/feed.xml"]\n'
  done
} >"$work/server.toml"
"$server" --config "$work/server.toml" >"$work/server-address.log" 2>"$work/server.log" &
pids+=($!)
until_true grep -q "^$base\$" "$work/server-address.log" || fail "brisma-server did not start"

seed_home "$seed"
news="$work/home/flash/xml/news1.xml"
run_client() {
  BRISMA_HOME="$work/home" BRISMA_SERVER="$base" ASAN_OPTIONS=detect_leaks=0 \
    "$brisma" >>"$work/client.log" 2>&1 &
  client=$!
  pids+=("$client")
}
stop_client() {
  kill -TERM "$client"
  wait "$client" || fail "the client ended with status $?"
}
ids() { grep -o '<brs:hlid>[0-9]*</brs:hlid><brs:type>[a-z]*</brs:type><title>[^<]*</title><link>[^<]*' "$news" |
  sed 's/<brs:type>.*<link>/ /; s/<[^>]*>//g' | sort; }

run_client
until_true grep -q "https://e2e.example.jp/a2" "$news" 2>/dev/null || fail "the headlines never reached news1.xml"
sed "s|$base|{BASE}|g" "$news" | cmp -s - "$expected" || fail "news1.xml differs from $expected"
before=$(grep -o '<brs:hlid>[0-9]*</brs:hlid>' "$news" | sort)
stop_client

feed "$third" "$first" "$second" >"$work/sources/feed.xml.new"
mv "$work/sources/feed.xml.new" "$work/sources/feed.xml"
until_true python3 -c "import sys, urllib.request; sys.exit(b'/a3' not in urllib.request.urlopen('${base}feeds/001.xml').read())" ||
  fail "the server never served the new item"

run_client
until_true grep -q "https://e2e.example.jp/a3" "$news" 2>/dev/null || fail "the second start did not store the new item"
after=$(grep -o '<brs:hlid>[0-9]*</brs:hlid>' "$news" | sort)
for id in $before; do
  grep -qx "$id" <<<"$after" || fail "the id $id changed or went"
done
grep -q '<brs:hlid>0012026120822050001</brs:hlid>' "$news" || fail "the new item's id is not its minute's first"
stop_client
echo "headlines from a local source reached the client, and a new item came with the old ids kept"
