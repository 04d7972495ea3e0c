# Sourced by the end-to-end scripts: a work folder and the processes the test started (pids),
# both gone at the end; failing with the end of every log; polling; the recording browser; the
# demo server's address.

work=$(mktemp -d)
pids=()
# The runtime folder (the one-instance socket) is this test's alone.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cleanup() {
  local i p
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  # A process that does not end on request within five seconds is killed.
  for _ in $(seq 50); do
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && { sleep 0.1; continue 2; }; done
    break
  done
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Says why, shows the end of every log the test wrote, and ends the test.
fail() {
  echo "FAIL: $*" >&2
  local f
  while IFS= read -r f; do
    [ -s "$f" ] && { echo "--- ${f#"$work"/}" >&2; tail -n 40 "$f" >&2; }
  done < <(find "$work" -name '*.log' | sort)
  exit 1
}

# Polls "$@" every 0.2 s for up to $timeout seconds (30 unless set for the call).
timeout=30
until_true() {
  local end=$((SECONDS + timeout))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

# The desktop's browser, first on PATH: $work/bin/xdg-open writes each address it is given to
# $work/browser.log.
record_browser() {
  mkdir -p "$work/bin"
  cat >"$work/bin/xdg-open" <<REC
#!/bin/sh
echo "\$1" >>"$work/browser.log"
REC
  chmod +x "$work/bin/xdg-open"
}

# The address of the demo server whose log is $1, once it has said it (sets base).
demo_base() {
  until_true grep -q "^demo server on " "$1" || fail "the demo server did not start"
  base=$(sed -n 's/^demo server on \(http[^ ]*\).*/\1/p' "$1")
}

# The demo server on a port of its own, serving $1; its log is $work/server.log (sets base).
start_demo_server() {
  "$server" --port 0 --content "$1" >"$work/server.log" 2>&1 &
  pids+=($!)
  demo_base "$work/server.log"
}

# A window manager, ready when it answers.
start_openbox() {
  openbox >"$work/openbox.log" 2>&1 &
  pids+=($!)
  until_true wmctrl -m >/dev/null 2>&1 || fail "openbox did not start"
}

# A registered user's folder, $work/home, from the seed folder $1.
seed_home() {
  mkdir -p "$work/home/flash/xml"
  cp "$1/flash/xml/user.xml" "$1/flash/xml/selected.xml" "$work/home/flash/xml/"
}

# The client's mapped pop-up windows on X11 (its menus among them), one id a line.
popups() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^brisma$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' && echo "$w"
  done
  true
}

# Sets window to the shown window titled exactly $1; a search that races a closing window is
# tried again by the caller's polling.
window=""
find_window() { window=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1); [ -n "$window" ]; }
# x y: the window's top-left corner on screen.
origin() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  echo "$X $Y"
}
click_at() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.3
}
