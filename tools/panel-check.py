#!/usr/bin/python3
"""The settings panel on a Wayland desktop, checked from outside as a speaker uses it.

Runs inside a desktop session that provides WAYLAND_DISPLAY, DISPLAY (XWayland) and a session
bus: GNOME Shell through tools/gnome-panel-check.sh, sway or KWin through
tests/desktop/with-sway.sh [--kwin], e.g.

  tests/desktop/with-sway.sh --kwin -- /usr/bin/python3 tools/panel-check.py --build build

It starts a native full-screen show (tc-fakeshow through Qt's Wayland platform, which logs its
keys and focus changes) and the bar, then for each round opens the panel from outside
(`talk-countdown --settings`, or its menu with --menu), types 9 into the minutes list and
clicks OK or Cancel (in turn, OK first). Keys and clicks go through the compositor's own seat,
so its focus rules apply: one org.gnome.Mutter.RemoteDesktop session on GNOME (it drops its
first key, so a Shift goes first), tc-seat on sway and KWin.

It reports per round and in sum:
  - whether the open panel took the keyboard from the show (the show's "focus out"; on GNOME
    also the window org.gnome.Shell.Introspect names as focused, on sway sway's tree),
  - whether any key typed into the panel reached the show,
  - after the first OK, the digits on the bar (09:00 when the panel got the 9),
  - the time from the button's release until the show has the keyboard again ("focus in"),
  - clicks lost: the panel still open 3 s after the click (it is then clicked again).
Exit status 0 when the panel got the keys, no key reached the show, no click was lost and every
return came within 300 ms; 1 otherwise.
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import threading
import time

WIDTH, COLLAPSED, EXPANDED, BORDERED_WIDTH = 293, 133, 347, 295
TITLE = 20  # the title the bar draws itself, with its frame, when it has one
# Control centres on the bar's client area.
MENU_SPOT = (5, 60)
OK_BUTTON = (136 + 28, 280 + 12)
CANCEL_BUTTON = (224 + 28, 280 + 12)
RETURN_LIMIT_MS = 300


def log(*args):
    print(*args, flush=True)


def find(build, name, needed=True):
    for folder, _, files in os.walk(build):
        if name in files:
            return os.path.join(folder, name)
    if needed:
        sys.exit(f"panel-check: no {name} under {build}")
    return None


def run(*args):
    return subprocess.run(args, capture_output=True, timeout=20).stdout.decode(errors="replace")


def wait(predicate, timeout, step=0.02):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class Show:
    """tc-fakeshow, its lines stamped with the time they came."""

    def __init__(self, path):
        env = dict(os.environ, QT_QPA_PLATFORM="wayland")
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     env=env, text=True)
        self.lines = []  # (time.monotonic(), line)
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.lock:
                self.lines.append((time.monotonic(), line.strip()))

    def since(self, index):
        with self.lock:
            return self.lines[index:]

    def count(self):
        with self.lock:
            return len(self.lines)

    def wait_for(self, line, start, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for stamp, seen in self.since(start):
                if seen == line:
                    return stamp
            time.sleep(0.002)
        return None


class GnomeSeat:
    """One Mutter remote desktop session: keycodes, relative pointer moves, buttons."""

    KEYS = {"9": 10, "Shift_L": 42}
    BUTTONS = {"left": 0x110, "right": 0x111}

    def __init__(self, bus):
        import dbus
        self.dbus = dbus
        rd = bus.get_object("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop")
        path = rd.CreateSession(dbus_interface="org.gnome.Mutter.RemoteDesktop")
        self.session = dbus.Interface(bus.get_object("org.gnome.Mutter.RemoteDesktop", path),
                                      "org.gnome.Mutter.RemoteDesktop.Session")
        self.session.Start()
        self.key("Shift_L")  # the session drops its first key
        # Into the top-left corner; moves then count from there, one axis at a time (diagonal
        # moves came out along one axis).
        self.session.NotifyPointerMotionRelative(-5000.0, 0.0)
        self.session.NotifyPointerMotionRelative(0.0, -5000.0)
        self.at = (0, 0)

    def key(self, name):
        code = self.dbus.UInt32(self.KEYS[name])
        self.session.NotifyKeyboardKeycode(code, True)
        self.session.NotifyKeyboardKeycode(code, False)

    def move(self, x, y):
        if x != self.at[0]:
            self.session.NotifyPointerMotionRelative(float(x - self.at[0]), 0.0)
        if y != self.at[1]:
            self.session.NotifyPointerMotionRelative(0.0, float(y - self.at[1]))
        self.at = (x, y)

    def click(self, which="left"):
        button = self.dbus.Int32(self.BUTTONS[which])
        self.session.NotifyPointerButton(button, True)
        time.sleep(0.05)
        self.session.NotifyPointerButton(button, False)


class TcSeat:
    """tc-seat: wlroots' virtual keyboard and pointer, or KWin's fake input."""

    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True)
        self.kind = self.proc.stdout.readline().strip()
        if not self.kind.startswith("ready"):
            sys.exit(f"panel-check: tc-seat did not start ({self.kind})")

    def _do(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        answer = self.proc.stdout.readline().strip()
        if answer != "ok":
            sys.exit(f"panel-check: tc-seat {command}: {answer}")

    def key(self, name):
        self._do(f"key {name}")

    def move(self, x, y):
        self._do(f"move {x} {y}")

    def click(self, which="left"):
        self._do(f"click {which}")


def x_pointer():
    m = re.search(r"X=(\d+)\s+Y=(\d+)", run("xdotool", "getmouselocation", "--shell"))
    return (int(m.group(1)), int(m.group(2))) if m else None


def geometry(wid):
    """x, y, width, height of an X window on the screen, and whether it is viewable."""
    out = run("xwininfo", "-id", str(wid))
    get = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1)) if key in out else -1
    return (get("Absolute upper-left X"), get("Absolute upper-left Y"), get("Width"),
            get("Height"), "IsViewable" in out)


def program_windows():
    return run("xdotool", "search", "--class", "^talk-countdown$").split()


def bar_window():
    for wid in program_windows():
        if geometry(wid)[2] in (WIDTH, BORDERED_WIDTH):
            return wid
    return None


def client_offset(g):
    """Where the bar's client area starts in its window, inside its own frame if it has one."""
    return (1, 1 + TITLE) if g[2] == BORDERED_WIDTH else (0, 0)


def client_height(g):
    return g[3] - 2 - TITLE if g[2] == BORDERED_WIDTH else g[3]


def panel_open(g):
    return g[4] and client_height(g) == EXPANDED


def settled(wid):
    """The open panel's geometry once it has stayed the same for a moment: KWin was seen to
    place the bar at the screen's top-left corner for a moment as it takes it in."""
    g = geometry(wid)
    if not panel_open(g):
        return None
    time.sleep(0.15)
    return g if geometry(wid) == g else None


def bar_digits(readbar, wid, folder):
    """The digits read off the bar's own X window (XWayland keeps each window's picture)."""
    picture = os.path.join(folder, "panel-check-bar.png")
    with open(picture, "wb") as f:
        subprocess.run(["import", "-window", str(wid), "png:-"], stdout=f, timeout=20)
    x, y = client_offset(geometry(wid))
    return run(readbar, picture, str(x), str(y)).strip()


def focused_elsewhere(bus):
    """Who the compositor says has the keyboard, where it says so."""
    if os.environ.get("SWAYSOCK"):
        tree = json.loads(run("swaymsg", "-r", "-t", "get_tree") or "{}")
        stack = [tree]
        while stack:
            node = stack.pop()
            if node.get("focused"):
                return node.get("app_id") or (node.get("window_properties") or {}).get("class")
            stack += node.get("nodes", []) + node.get("floating_nodes", [])
        return "nobody"
    if bus is None:
        return "-"
    import dbus
    try:
        obj = bus.get_object("org.gnome.Shell.Introspect", "/org/gnome/Shell/Introspect")
        windows = obj.GetWindows(dbus_interface="org.gnome.Shell.Introspect")
    except dbus.DBusException as e:
        return f"(Introspect: {e.get_dbus_name()})"
    for props in windows.values():
        if props.get("has-focus"):
            return str(props.get("wm-class") or props.get("app-id") or props.get("title"))
    return "nobody"


def gnome_bus():
    """The session bus, with the names GNOME Shell's introspection answers, if it runs."""
    try:
        import dbus
        bus = dbus.SessionBus()
        if not bus.name_has_owner("org.gnome.Shell"):
            return None
        bus.request_name("org.freedesktop.impl.portal.desktop.gnome")
        return bus
    except Exception:
        return None


def open_panel(program, env, seat, wid, through_menu):
    if not through_menu:
        subprocess.run([program, "--settings"], env=env, capture_output=True, timeout=20)
        return
    g = geometry(wid)
    ox, oy = client_offset(g)
    seat.move(g[0] + ox + MENU_SPOT[0], g[1] + oy + MENU_SPOT[1])
    before = set(program_windows())
    seat.click("right")
    menu = wait(lambda: next((w for w in program_windows() if w not in before
                              and geometry(w)[4]), None), 3)
    if not menu:
        return
    # 设置 is the third of the menu's four entries.
    mg = geometry(menu)
    entry = (mg[0] + mg[2] // 2, mg[1] + mg[3] * 5 // 8)
    seat.move(*entry)
    wait(lambda: x_pointer() == entry, 3)
    seat.click()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=20)
    parser.add_argument("--build", default="build")
    parser.add_argument("--menu", action="store_true", help="open the panel through the menu")
    parser.add_argument("--buttons", default="OC",
                        help="the buttons clicked round after round, repeated: O for OK, C for"
                        " Cancel (default OC; the first round's must be O)")
    parser.add_argument("--verbose", action="store_true",
                        help="print the show's lines and the click's time (CLOCK_MONOTONIC)")
    parser.add_argument("--away", action="store_true",
                        help="move the pointer onto the show before each opening")
    parser.add_argument("--logs", default=os.environ.get("XDG_RUNTIME_DIR", "/tmp"),
                        help="where the bar's output and pictures go")
    args = parser.parse_args()
    program, fakeshow = find(args.build, "talk-countdown"), find(args.build, "tc-fakeshow")
    readbar = find(args.build, "tc-readbar", needed=False)

    bus = gnome_bus()
    if bus is not None:
        desktop, seat = "GNOME Shell", GnomeSeat(bus)
    else:
        seat = TcSeat(find(args.build, "tc-seat"))
        desktop = "sway" if os.environ.get("SWAYSOCK") else "KWin"
    show = Show(fakeshow)
    if show.wait_for("ready", 0, 15) is None:
        sys.exit("panel-check: the show never became ready")
    env = {k: v for k, v in os.environ.items() if k != "QT_QPA_PLATFORM"}
    bar_log = os.path.join(args.logs, "talk-countdown.log")
    bar = subprocess.Popen([program], env=env, stdout=open(bar_log, "w"),
                           stderr=subprocess.STDOUT)
    wid = wait(bar_window, 15)
    if not wid:
        sys.exit("panel-check: no bar")
    log(f"{desktop}: bar {wid} at {geometry(wid)}; focused: {focused_elsewhere(bus)}")

    took, keys_to_show, latencies, lost, digits, n = 0, [], [], 0, None, 0
    for n in range(1, args.rounds + 1):
        ok = args.buttons[(n - 1) % len(args.buttons)] == "O"
        start = show.count()
        if args.away:
            seat.move(100, 600)
        open_panel(program, env, seat, wid, args.menu)
        g = wait(lambda: settled(wid), 5)
        if not g:
            log(f"round {n}: the panel did not open; bar {geometry(wid)}")
            break
        out = show.wait_for("focus out", start, 2) is not None
        time.sleep(0.2)  # as a speaker looks before typing
        focused = focused_elsewhere(bus)
        took += out
        typed_from = show.count()
        seat.key("9")
        time.sleep(0.2)
        ox, oy = client_offset(g)
        button = OK_BUTTON if ok else CANCEL_BUTTON
        target = (g[0] + ox + button[0], g[1] + oy + button[1])
        seat.move(*target)
        on = wait(lambda: x_pointer() == target, 3)
        released = show.count()
        seat.click()
        t_release = time.monotonic()
        back = show.wait_for("focus in", released, 3)
        closed = wait(lambda: client_height(geometry(wid)) == COLLAPSED, 3)
        keys = [l for _, l in show.since(typed_from) if l.startswith(("key ", "click "))]
        keys_to_show += keys
        latency = None if back is None else round((back - t_release) * 1000)
        if latency is not None:
            latencies.append(latency)
        log(f"round {n} {time.monotonic():.3f}: {'OK' if ok else 'Cancel'}; the panel took the keyboard: {out}"
            f" (focused: {focused}); keys and clicks the show saw: {keys or 'none'};"
            f" pointer on the button: {bool(on)}; keyboard back after {latency} ms;"
            f" panel closed: {bool(closed)}")
        if args.verbose:
            log(f"  bar at {g}, clicked {target} at {t_release:.3f}; the show: "
                + ", ".join(f"{t:.3f} {l}" for t, l in show.since(start)))
        if not closed:
            lost += 1
            if os.environ.get("SWAYSOCK"):
                subprocess.run(["grim", os.path.join(args.logs, f"lost-{n}.png")], timeout=20)
            for _ in range(3):
                seat.click()
                if wait(lambda: client_height(geometry(wid)) == COLLAPSED, 3):
                    break
        if n == 1:
            time.sleep(0.5)
            digits = bar_digits(readbar, wid, args.logs) if readbar else "(no tc-readbar)"
            log(f"after 9 and OK the bar shows {digits}; bar at {geometry(wid)}")
        time.sleep(0.3)

    log(f"{desktop}: the panel took the keyboard in {took} of {n} openings;"
        f" after typing 9 and OK the bar showed {digits}")
    log(f"keys and clicks that reached the show while the panel was open: {len(keys_to_show)}"
        f" {keys_to_show if keys_to_show else ''}")
    if latencies:
        log(f"keyboard back with the show after the release: median"
            f" {statistics.median(latencies):.0f} ms, max {max(latencies)} ms over"
            f" {len(latencies)} rounds (of {n})")
    log(f"clicks lost: {lost} of {n}")
    bar.terminate()
    show.proc.terminate()
    good = (took == n == args.rounds and not keys_to_show and lost == 0 and digits == "09:00"
            and len(latencies) == n and max(latencies) <= RETURN_LIMIT_MS)
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main())
