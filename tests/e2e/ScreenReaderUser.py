#!/usr/bin/python3
"""What a screen reader user meets in the running client, read from the accessibility bus.

Finds every object by its role and name, as a screen reader does, never by its place in the
tree; acts through the objects' actions and the keyboard, and moves the pointer over the bar
with xdotool. Usage: ScreenReaderUser.py WORK  (WORK holds browser.log, server.log and home/).
Listens on the bus first, then says "listening" on stdout and reads the client's process id from
stdin: an application learns at its start which events anybody listens to.
Ends with status 1 and the reason on stderr at the first thing that does not hold.
"""
import html
import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

work = sys.argv[1]
client = None  # the client's process id, given once the listeners are in place
context = GLib.MainContext.default()
# Every name change and every focus the bus reported: (role, name).
renamed = []
focused = []


def fail(why):
    sys.exit(why)


def pump():
    while context.pending():
        context.iteration(False)


def until(condition, seconds=30):
    """Polls condition, with the bus's events delivered meanwhile, until it holds or time is up."""
    end = time.monotonic() + seconds
    while True:
        pump()
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.1)


def name_of(obj):
    """The name as the application says it now, past what the bus has cached."""
    pump()
    obj.clear_cache()
    return obj.name


def on_focus(event):
    try:
        if event.detail1:
            focused.append((event.source.getRoleName(), event.source.name))
    except Exception:  # the object may be gone already
        pass


def on_name_change(event):
    try:
        renamed.append((event.source.getRoleName(), event.source.name))
    except Exception:  # the object may be gone already
        pass


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == client:
            return app
    return None


def find(role, name=None, within=None):
    """The first object of the role (and the name, or a name matching a callable) that shows."""
    def matches(o):
        if o.getRoleName() != role or not o.getState().contains(pyatspi.STATE_SHOWING):
            return False
        return name is None or (name(o.name) if callable(name) else o.name == name)
    try:
        root = within or application()
        return root and pyatspi.findDescendant(root, matches)
    except Exception:  # the tree changes while it is walked
        return None


def wait_for(role, name=None, within=None, seconds=60):
    found = until(lambda: find(role, name, within), seconds)
    if not found:
        fail(f"no {role} named {name!r}")
    return found


def act(obj, action):
    acts = obj.queryAction()
    names = [acts.getName(i) for i in range(acts.nActions)]
    if action not in names:
        fail(f"{obj.getRoleName()} {obj.name!r} offers {names}, not {action}")
    acts.doAction(names.index(action))


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def log_lines(name):
    try:
        with open(os.path.join(work, name), encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def headline_titles():
    """Address -> title of every headline in the merged headline file the client wrote."""
    with open(os.path.join(work, "home/flash/xml/news998.xml"), "rb") as f:
        text = f.read().decode("cp932")
    titles = {}
    for item in re.findall(r"<item\b.*?</item>", text, re.S):
        title = re.search(r"<title>(.*?)</title>", item, re.S)
        link = re.search(r"<link>(.*?)</link>", item, re.S)
        if title and link:
            titles[html.unescape(link.group(1))] = html.unescape(title.group(1))
    return titles


def registers_and_chooses_channels():
    """A new user's registration and channel choice, done without the pointer."""
    email = wait_for("text", "メールアドレス（必須）")
    # Keys go to the window the window manager has made active, which may come after the focus.
    def client_active():
        active = subprocess.run(["xdotool", "getactivewindow", "getwindowpid"], capture_output=True, text=True)
        return active.stdout.strip() == str(client)
    until(client_active, 10) or fail("the registration panel is not the active window")
    act(email, "SetFocus")
    until(lambda: email.getState().contains(pyatspi.STATE_FOCUSED), 10) or fail("the e-mail field takes no focus")
    xdotool("type", "--delay", 20, "reader@example.jp")
    until(lambda: email.queryText().getText(0, -1) == "reader@example.jp", 10) or fail("typing did not reach the field")
    sex = wait_for("combo box", lambda n: n.startswith("性別："))
    if sex.name != "性別：未選択":
        fail(f"the sex box reads {sex.name!r}")
    act(wait_for("push button", "登録"), "Press")
    until(lambda: any("GET /user?com=regist&" in l and "reader@example.jp" in l for l in log_lines("server.log"))) or \
        fail("the registration sent no request with the typed address")

    sports = wait_for("check box", lambda n: n.startswith("スポーツ"))
    if sports.getState().contains(pyatspi.STATE_CHECKED):
        fail("a new user's channel is ticked already")
    act(sports, "Toggle")
    until(lambda: sports.getState().contains(pyatspi.STATE_CHECKED), 10) or fail("the check box did not tick")
    chosen = wait_for("list", lambda n: n.startswith("選択中のチャンネル"))
    if not find("list item", lambda n: n.startswith("1：スポーツ"), chosen):
        fail("the chosen list does not name the ticked channel first")
    act(wait_for("push button", "変更"), "Press")


def held_still(window):
    """The bar's picture does not change: the strip waits under the pointer."""
    shots = []
    for _ in range(2):
        shots.append(subprocess.run(["xwd", "-silent", "-id", window], capture_output=True, check=True).stdout)
        time.sleep(0.4)
    return shots[0] == shots[1]


def names_the_headline_under_the_pointer(bar, window, top, x):
    """With the pointer at x the bar holds a headline and is named by it; a click there opens the
    headline of that name. Returns the name, or None where no article is held (a movie, the banner)."""
    del renamed[:]
    xdotool("mousemove", x, top + 12)
    until(lambda: held_still(window), 30) or fail(f"the strip did not wait under the pointer at {x}")
    name = name_of(bar)
    if not until(lambda: ("status bar", name) in renamed, 10):
        fail(f"no name-changed event came with the bar's name {name!r}")
    opened = len(log_lines("browser.log"))
    xdotool("click", 1)
    if not until(lambda: len(log_lines("browser.log")) > opened, 5):
        return None
    title = headline_titles().get(log_lines("browser.log")[opened])
    if title is None:
        return None
    if not name.startswith(title + "("):
        fail(f"the bar is named {name!r} while the headline under the pointer is {title!r}")
    return name


def registered_events():
    bus = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                          "/org/a11y/bus", "org.a11y.Bus.GetAddress"], capture_output=True, text=True)
    events = subprocess.run(["dbus-send", "--bus=" + bus.stdout.strip(), "--print-reply",
                             "--dest=org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                             "org.a11y.atspi.Registry.GetRegisteredEvents"], capture_output=True, text=True)
    return events.stdout


def main():
    global client
    pyatspi.Registry.registerEventListener(on_name_change, "object:property-change:accessible-name")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    def listening():
        events = registered_events()
        return "PropertyChange:AccessibleName" in events and "StateChanged:Focused" in events
    until(listening, 30) or fail("the registry did not take the listeners")
    print("listening", flush=True)
    client = int(sys.stdin.readline())
    app = until(application, 60) or fail("the client is not on the accessibility bus")
    if app.name != "brisma":
        fail(f"the application is named {app.name!r}")

    registers_and_chooses_channels()

    bar = wait_for("status bar", lambda n: n != "")
    def bar_window():
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Brisma$"],
                              capture_output=True, text=True).stdout.split()
    window = (until(bar_window, 10) or fail("the bar's window is not shown"))[0]
    top = bar.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y
    if bar.getState().contains(pyatspi.STATE_FOCUSABLE):
        fail("the bar takes the keyboard focus")

    # Away from the bar, its name follows the headlines that come in.
    xdotool("mousemove", 600, 100)
    first = name_of(bar)
    # A headline comes in when the first one has left the bar, a pixel a tick: slow on a busy machine.
    until(lambda: name_of(bar) != first and ("status bar", name_of(bar)) in renamed, 180) or \
        fail(f"the bar's name stayed {first!r} while headlines came in")
    print("the newest headlines:", first, name_of(bar), sep="\n  ")

    # Two headlines in turn under the pointer, the pointer leaving the bar between them.
    held = []
    for x in (300, 900, 1500, 600, 1200, 450, 1050, 1650):
        name = names_the_headline_under_the_pointer(bar, window, top, x)
        xdotool("mousemove", 600, 100)
        if name and name not in held:
            held.append(name)
        if len(held) == 2:
            break
    if len(held) < 2:
        fail(f"fewer than two headlines were named under the pointer: {held}")
    print("under the pointer:", *held, sep="\n  ")

    # The box's button opens the list, whose first row reads the newest headline with its time.
    act(wait_for("push button", "最新ニュース", bar), "Press")
    news = wait_for("list", lambda n: n.startswith("最新ニュース"))
    rows = [news.getChildAtIndex(i) for i in range(news.childCount)]
    first_row = next((r for r in rows if r is not None and r.getRoleName() == "list item"), None)
    if first_row is None:
        fail("the list has no rows")
    first_title = next(iter(headline_titles().values()))
    if not first_row.name.startswith(first_title + "、"):
        fail(f"the list's first row reads {first_row.name!r}, its headline is {first_title!r}")
    print("the list's first row:", first_row.name)

    # The menu, opened on the bar, is walked by its entries' captions to the exit.
    xdotool("mousemove", 300, top + 12, "click", 3)
    del focused[:]
    for _ in range(8):
        # One entry a key: the next key waits for the focus to have moved.
        seen = len(focused)
        xdotool("key", "Down")
        until(lambda: len(focused) > seen, 10)
        if focused and focused[-1] == ("menu item", "終了(X)"):
            break
    else:
        fail(f"the menu's entries read {focused}")
    print("the menu:", ", ".join(name for _, name in focused))
    xdotool("key", "Return")
    print("the registration, the channels, the bar, the list and the menu read as a screen reader needs")


main()
