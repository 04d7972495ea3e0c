#!/usr/bin/env bash
# The bar on a wlroots compositor (sway, headless): the real client with a registered user against
# the demo server shows its bar on a layer-shell surface along the bottom, the tiled workspace
# gives it 24 pixels while it is open, it scrolls, a click on a headline through the compositor
# reaches the server's log and the browser's, the pointer lights the headline under it, the box
# movie's list button opens the latest-news list on a layer-shell surface of its own above the
# bar's right end, whose headlines take clicks, and a right click opens the menu that closes the
# bar. The client's X11 side (panels, menus)
# runs on the X server this test is started in; the bar itself goes to sway only.
# Usage: SwayBarTest.sh <brisma> <demo-server> <demo-content> <home-seed> <virtual-pointer>
#   (run inside xvfb-run; sway refuses root, so as root it runs sway as the user nobody)
set -euo pipefail
brisma=$1 server=$2 content=$3 seed=$4 pointer=$5

for tool in sway swaymsg grim; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done

. "$(dirname "$0")/common.sh"
# The compositor runs as another user: it reads the test's files.
chmod 755 "$work"

# The compositor: one 1920x1080 output, no XWayland (so no X display of its own to collide with
# the other X servers of this machine), its sockets in a runtime folder of its own.
run="$work/run"
mkdir -m 700 "$run"
cat >"$work/sway.conf" <<CONF
xwayland disable
output HEADLESS-1 resolution 1920x1080
CONF
as_compositor=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody:nogroup "$run"
  as_compositor=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
"${as_compositor[@]}" env -i PATH="$PATH" HOME="$work" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
socket=""
find_sockets() {
  socket=$(find "$run" -maxdepth 1 -name 'wayland-*' -type s | head -n 1)
  SWAYSOCK=$(find "$run" -maxdepth 1 -name 'sway-ipc.*' -type s | head -n 1)
  [ -n "$socket" ] && [ -n "$SWAYSOCK" ]
}
until_true find_sockets || fail "sway did not start"
export SWAYSOCK WAYLAND_DISPLAY="$socket"
unset XDG_RUNTIME_DIR

# The height of the workspace's tiling area.
workspace_height() { swaymsg -r -t get_workspaces | tr -d ' \n' | grep -o '"rect":{[^}]*}' | head -n 1 |
  sed -n 's/.*"height":\([0-9]*\).*/\1/p'; }
workspace_is() { [ "$(workspace_height)" = "$1" ]; }
until_true workspace_is 1080 || fail "the workspace is $(workspace_height) high before the bar"

mkdir -p "$work/home/flash/xml"
cp "$seed"/flash/xml/*.xml "$work/home/flash/xml/"
record_browser

start_demo_server "$content"

# A runtime folder of the client's own: the one-instance socket of a client another test left
# behind must not take this start over.
mkdir -m 700 "$work/client-run"
XDG_RUNTIME_DIR="$work/client-run" BRISMA_HOME="$work/home" BRISMA_SERVER="$base" PATH="$work/bin:$PATH" \
  ASAN_OPTIONS=detect_leaks=0 "$brisma" >"$work/client.log" 2>&1 &
client=$!
pids+=("$client")

# Without a tray the bar opens at start, on the compositor's layer shell.
timeout=60 until_true grep -q "layer-shell surface" "$work/client.log" || fail "the bar is not on the layer shell"
until_true workspace_is 1056 ||
  fail "the workspace is $(workspace_height) high with the bar open, not 1056"

grim -g "0,1056 1920x24" "$work/one.png"
sleep 0.5
grim -g "0,1056 1920x24" "$work/two.png"
cmp -s "$work/one.png" "$work/two.png" && fail "the bar's bottom 24 rows do not move"

# A click on a headline: some land between headlines or on a movie, so try along the bar.
mkfifo "$work/pointer.in"
"$pointer" 1920 1080 <"$work/pointer.in" >"$work/pointer.log" 2>&1 &
pids+=($!)
exec 3>"$work/pointer.in"
until_true grep -q "^ready" "$work/pointer.log" || fail "no virtual pointer"
clicked() { grep -q "demo: GET /log/click?" "$work/server.log" && [ -s "$work/browser.log" ]; }
for x in 300 700 1100 1500 500 900 1300 400 800 1200; do
  echo "move $x 1068" >&3
  sleep 0.2
  echo "click 1" >&3
  timeout=2 until_true clicked && break
done
clicked || fail "no click reached the server and the browser"
grep -qE '^https?://' "$work/browser.log" || fail "the browser got $(head -n 1 "$work/browser.log")"

# Hover: the headline under the pointer, and only it, takes the hover colour.
hover_colour() { grim -t ppm -g "0,1056 1920x24" - | LC_ALL=C grep -q -P '\xff\xfa\xae'; }
unlit() { ! hover_colour; }
echo "move 960 500" >&3
timeout=3 until_true unlit || fail "the hover colour shows with the pointer away from the bar"
lit=false
for x in 300 700 1100 500 900 1300; do
  echo "move $x 1068" >&3
  timeout=2 until_true hover_colour && { lit=true; break; }
done
$lit || fail "no headline takes the hover colour under the pointer"

# The list: its header's colour (#17243f) in the 244x357 corner above the bar's right end, and
# nowhere beside or above it. sway runs no XWayland here, so an X11 window would not show at all.
list_at() { grim -t ppm -g "$1" - | LC_ALL=C grep -c -a -P '\x17\x24\x3f' || true; }
list_open() { [ "$(list_at "1676,700 244x28")" -gt 0 ]; }
list_closed() { ! list_open; }
echo "move 1875 1068" >&3
sleep 0.2
echo "click 1" >&3
until_true list_open || fail "the box's list button shows no list above the bar's right end"
[ "$(list_at "1432,700 244x28")" -eq 0 ] || fail "the list's header shows left of the right end"
[ "$(list_at "1676,650 244x48")" -eq 0 ] || fail "the list's header shows higher than 357 px above the bar"
workspace_is 1056 || fail "the open list changed the workspace to $(workspace_height) high"
swaymsg -t get_tree | grep -q '"app_id"\|"class"' && fail "the list is a window of the tree, not a layer surface"
clicks() { grep -c "demo: GET /log/click?" "$work/server.log" || true; }
opened() { wc -l <"$work/browser.log"; }
before_clicks=$(clicks) before_opened=$(opened)
list_clicked() { [ "$(clicks)" -gt "$before_clicks" ] && [ "$(opened)" -gt "$before_opened" ]; }
for y in 760 810 860 910; do
  echo "move 1790 $y" >&3
  sleep 0.2
  echo "click 1" >&3
  timeout=3 until_true list_clicked && break
done
list_clicked || fail "a click on a headline in the list reached neither the server nor the browser"
# The list button again closes it.
echo "move 1875 1068" >&3
sleep 0.2
echo "click 1" >&3
until_true list_closed || fail "the box's list button leaves the list open"

# A right click opens the menu (an X11 popup); its first item closes the bar, which gives the
# workspace its space back.
echo "move 700 1068" >&3
sleep 0.2
echo "click 3" >&3
menu() { xdotool search --onlyvisible --classname brisma >/dev/null 2>&1; }
until_true menu || fail "a right click on the bar opens no menu"
xdotool key Down Return
until_true workspace_is 1080 || fail "the workspace stays $(workspace_height) high with the bar closed"

kill -TERM "$client"
wait "$client" || fail "the client ended with status $?"
echo "bar on sway's layer shell: space kept while open, scrolling, click, hover, list, menu, close"
