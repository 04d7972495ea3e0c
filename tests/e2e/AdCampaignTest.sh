#!/usr/bin/env bash
# A text campaign as the real client meets it on a real X server: after a click on a headline the
# channel's campaign text comes next on the bar, and a click on it opens its address and is billed
# once; once the campaign has ended (its end moved back, the configuration reread), the client's
# next start reads the house text in its place. What the bar shows is read from the addresses its
# clicks open in the recording browser.
# Usage: AdCampaignTest.sh <brisma> <brisma-server> <demo-content> <home-seed>   (inside xvfb-run)
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4

. "$(dirname "$0")/common.sh"
record_browser
start_openbox

mkdir -p "$work/sources"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>E2E</title>\n'
  for n in 1 2 3 4 5 6; do
    printf '<item><title>見出し%s 地域のできごと</title><link>https://e2e.example.jp/n%s</link>' "$n" "$n"
    printf '<pubDate>Tue, 08 Dec 2026 21:%02d:00 +0900</pubDate></item>\n' "$((10 + n))"
  done
  printf '</channel></rss>\n'
} >"$work/sources/feed.xml"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port/"
configure() { # the campaign's end
  {
    printf '[server]\nlisten = "127.0.0.1:%s"\nbase = "%s"\ndata = "var"\ncontent = "%s"\n' "$port" "$base" "$content"
    printf 'min_interval = "1h"\nmax_interval = "2h"\nkeep_users = ["DEMO0001"]\n'
    for n in 1 5 12 20 33; do
      printf '\n[[channel]]\nnumber = %s\nname = "チャンネル%s"\ngenre = "総合"\nowner = "E2E"\n' "$n" "$n"
      printf 'type = "all"\nsources = ["sources/feed.xml"]\n'
    done
    printf '\n[ads]\nhouse_name = "Brisma"\nhouse_text = "ハウス広告のご案内"\nhouse_url = "https://e2e.example.jp/house"\n'
    printf '\n[[campaign]]\nid = "spring"\nadvertiser = "ひかり電機"\nkind = "text"\n'
    printf 'start = 2020-01-01T00:00:00\nend = %s\nname = "ひかり電機"\n' "$1"
    printf 'text = "軽さは、自由だ。ひかりノート"\nurl = "https://e2e.example.jp/campaign"\n'
  } >"$work/server.toml.new"
  mv "$work/server.toml.new" "$work/server.toml"
}
configure 2099-01-01T00:00:00
"$server" --config "$work/server.toml" >"$work/server-address.log" 2>"$work/server.log" &
server_pid=$!
pids+=("$server_pid")
until_true grep -q "^$base\$" "$work/server-address.log" || fail "brisma-server did not start"
served() { python3 -c "import sys, urllib.request; sys.exit(b'/n6' not in urllib.request.urlopen('${base}feeds/001.xml').read())"; }
until_true served || fail "the server never served the source's headlines"

seed_home "$seed"
run_client() {
  BRISMA_HOME="$work/home" BRISMA_SERVER="$base" PATH="$work/bin:$PATH" ASAN_OPTIONS=detect_leaks=0 \
    "$brisma" >>"$work/client.log" 2>&1 &
  client=$!
  pids+=("$client")
  until_true find_window "Brisma" || fail "no bar"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  bar_y=$((Y + 12))
}
stop_client() {
  kill -TERM "$client"
  wait "$client" || fail "the client ended with status $?"
}
opened() { grep -qxF "$1" "$work/browser.log" 2>/dev/null; }
# Clicks on the bar, a headline first, until the address $1 is opened: the advertisement text laid
# after the clicked headline has scrolled under the pointer. The pointer leaves the bar after each
# click, since the bar stands still beneath it.
click_until_opened() {
  local end=$((SECONDS + 120))
  until opened "$1"; do
    [ "$SECONDS" -lt "$end" ] || fail "no click on the bar opened $1 ($(sort -u "$work/browser.log" 2>/dev/null | tr '\n' ' '))"
    xdotool mousemove 1100 "$bar_y" click 1 mousemove 960 400
    sleep 0.5
  done
}
figures() { "$server" ads --json --since 1d --config "$work/server.toml" | grep '"campaign":"spring"' | tail -n 1; }

run_client
click_until_opened https://e2e.example.jp/campaign
# More than one click may have reached it while it passed: one bills, the rest are repeats.
clicks=$(grep -c '^https://e2e.example.jp/campaign$' "$work/browser.log")
reported() { figures | grep -q "\"clicks\":$clicks,"; }
until_true reported || fail "$clicks clicks on the campaign, the server counted otherwise: $(figures)"
figures | grep -q "\"billable\":1,\"unbilled\":{\"unknown_user\":0,\"repeat\":$((clicks - 1)),\"ended\":0," ||
  fail "$clicks clicks on the campaign, not billed once: $(figures)"
stop_client

# The campaign ends: a moment past, read again on SIGHUP; the server serves the house text at once.
configure "$(date -d '-1 minute' +%Y-%m-%dT%H:%M:%S%:z)"
kill -HUP "$server_pid"
house() { python3 -c "import sys, urllib.request; sys.exit('ハウス広告'.encode('cp932') not in urllib.request.urlopen('${base}ad/001.xml').read())"; }
until_true house || fail "the server still serves the ended campaign"

# The client's next start reads the house text, and the bar shows it where the campaign was.
: >"$work/browser.log"
run_client
click_until_opened https://e2e.example.jp/house
stop_client
! opened https://e2e.example.jp/campaign || fail "the ended campaign was still on the bar"
echo "the campaign text followed a clicked headline and was billed once; after its end the house text replaced it at the next start"
