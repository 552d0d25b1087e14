#!/usr/bin/env python3
"""The README's pictures of the real program, taken on a private X display (Xvfb, openbox, a tray host) with
sample earthquakes served on 127.0.0.1; nothing reaches the internet, so the map shows the land's outline only.

Usage: screenshots.py <path to dravik> [output directory, default docs/]

Writes main-window-pl.png and main-window-en.png (one run per stored language, after the first cycle has filled
the list and selected its first row), history-window.png (opened from the menu "Analizy" -> "Historia" of the
English run), settings-window.png (its shortcut Ctrl+, in that run), tray-menu.png (that run hidden to the tray, the
icon's menu open) and main-window-dark.png (an English run under GTK's dark Adwaita through Qt's GTK platform
theme, as a GNOME or Xfce desktop in dark mode gives it) and main-window-2x.png (a Polish run at a scale of 2, as on a
HiDPI screen, with a home place in Warsaw, so the list shows its distance column), with its history window in
history-window-2x.png. The samples are saved EMSC and
USGS answers with their times moved so that their newest events are of the last day, which the history window
shows by default.
Ends with status 1 and a reason when anything does not appear.
"""

import hashlib
import glob
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import desktop  # noqa: E402
import sample_pages  # noqa: E402

# Client-area points of the main window at its template size.
TEMPLATE_SIZE = (803, 689)
FIRST_MENU = (20, 8)
DESKTOP_COLOUR = "#4a5560"
# Room left around the tray icon and its menu in the cropped picture.
TRAY_MARGIN = 10
# Part of the map in the main window's client area, right of the legend: the selected event's marker and circle
# are drawn in its middle.
MAP_AREA = (170, 260, 780, 600)


def fail(message):
    raise SystemExit("screenshots: " + message)


def wait_for(what, predicate, timeout, proc=None):
    def done():
        if proc is not None and proc.poll() is not None:
            fail(f"the program ended with status {proc.returncode} while waiting for {what}")
        return predicate()

    value = desktop.wait_for(done, timeout, step=0.1)
    if not value:
        fail(f"no {what} within {timeout} s")
    return value


def visible_windows(desk):
    found = {}
    for line in desktop.run(["xdotool", "search", "--onlyvisible", "--name", ""], desk.env).split():
        info = desk.window_info(int(line))
        if info is not None:
            found[int(line)] = info
    return found


def grab(desk, window):
    """The window's client area as raw RGB bytes."""
    return subprocess.run(["import", "-window", str(window), "-depth", "8", "rgb:-"], env=desk.env,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout


def map_drawn(desk, window, width, scale=1):
    """Whether the map shows the selected event: the marker's blue and a circle's warm fill."""
    pixels = grab(desk, window)
    left, top, right, bottom = (scale * v for v in MAP_AREA)
    marker = circle = 0
    for y in range(top, bottom, 2):
        row = pixels[3 * (y * width + left):3 * (y * width + right)]
        for i in range(0, len(row) - 2, 6):
            r, g, b = row[i], row[i + 1], row[i + 2]
            marker += r < 90 and 110 < g < 170 and b > 180
            circle += r > 200 and b < 150 and r - b > 90
    return marker > 20 and circle > 50


def settled(desk, window, what, timeout=30):
    """Waits until three grabs of the window in a row are alike: the map has drawn and nothing moves."""
    previous, alike = None, 0
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        pixels = grab(desk, window)
        digest = hashlib.sha256(pixels).digest() if pixels else None
        alike = alike + 1 if digest is not None and digest == previous else 0
        if alike >= 2:
            return
        previous = digest
        time.sleep(0.5)
    fail(f"the {what} kept changing for {timeout} s")


def save(desk, path, window=None, crop=None):
    """A window with its frame, or a region of the screen, as a small PNG: no metadata, 256 colours."""
    raw = path + ".raw.png"
    if not desk.screenshot(raw, window=window):
        fail(f"no picture for {os.path.basename(path)}")
    args = ["convert", raw]
    if crop is not None:
        x, y, w, h = crop
        args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    subprocess.run(args + ["-strip", "+dither", "-colors", "256", "PNG8:" + path], check=True)
    os.remove(raw)
    print(f"{os.path.relpath(path)}: {os.path.getsize(path) // 1024} KiB")


class Run:
    """One run of the program with its own home, language and archive."""

    def __init__(self, desk, binary, server, lang, theme=None, scale=1, settings=""):
        self.desk = desk
        self.root = tempfile.mkdtemp(prefix="dravik-screenshots-")
        env = sample_pages.program_env(self.root, server, dict(desk.env), lang=lang, settings=settings)
        if theme:
            # GTK's theme through Qt's GTK platform theme, as a GNOME or Xfce desktop hands it over.
            env.update({"QT_QPA_PLATFORMTHEME": "gtk3", "GTK_THEME": theme})
        if scale != 1:
            # A HiDPI screen as Qt is told of it: every size in device pixels grows by the factor.
            env["QT_SCALE_FACTOR"] = str(scale)
        # The site link shows the product's own host: the version check goes to the sample server as a proxy,
        # which answers nothing new, so no name is looked up.
        base = sample_pages.base_url(server)
        env.update({"DRAVIK_SITE_URL": "http://dravik.example/", "http_proxy": base, "no_proxy": "127.0.0.1"})
        self.data = env["DRAVIK_DATA_DIR"]
        server.served.clear()
        self.proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = desk.settled_window(self.proc.pid)
        if self.window is None:
            fail("no main window on screen within 30 s")
        expected = tuple(scale * v for v in TEMPLATE_SIZE)
        if any(got < least for got, least in zip(self.info()[3:5], expected)):
            fail(f"main window of {self.info()[3:5]}, smaller than the template's {expected}")
        # The X-ray page is the cycle's last: the list is filled, its first row selected, the status line written.
        wait_for("first cycle", lambda: "/xray" in server.served, 60, self.proc)
        wait_for("stored events", self.stored, 30, self.proc)
        wait_for("marker and circle on the map", lambda: map_drawn(desk, self.window, self.info()[3], scale), 30,
                 self.proc)
        settled(desk, self.window, "main window")

    def info(self):
        return self.desk.window_info(self.window)

    def stored(self):
        path = os.path.join(self.data, "dravik.dat")
        if not os.path.exists(path):
            return 0
        try:
            con = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=5)
            count = con.execute("select count(*) from trze").fetchone()[0]
            con.close()
            return count
        except sqlite3.Error:
            return 0

    def click(self, point, button=1):
        _, x, y, _, _ = self.info()
        if not self.desk.click(x + point[0], y + point[1], button=button):
            fail(f"the pointer did not reach {point}")

    def popup(self, action, what):
        """Does action and returns the window that it opened, as (id, x, y, width, height)."""
        before = visible_windows(self.desk)
        action()
        opened = wait_for(what, lambda: {k: v for k, v in visible_windows(self.desk).items() if k not in before},
                          10, self.proc)
        window, (_, x, y, w, h) = max(opened.items(), key=lambda item: item[1][3] * item[1][4])
        return window, x, y, w, h

    def end(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            status = self.proc.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            fail("no exit within 15 s of SIGTERM")
        finally:
            shutil.rmtree(self.root, ignore_errors=True)
        if status != 0:
            fail(f"exit status {status} after SIGTERM")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.root, ignore_errors=True)


# A home place: the list gains its distance column and the map its house.
HOME_IN_WARSAW = "[home]\nlatitude=52.23\nlongitude=21.01\nname=Warszawa\n"

# The history window's title in either language.
HISTORY_TITLE = "^(Historia wstrząsów|Earthquake history)"


def history(run, path):
    # The menu bar's first menu, then the keyboard: one menu to the right ("Analizy"), its first item.
    run.popup(lambda: run.click(FIRST_MENU), "main menu")
    desktop.run(["xdotool", "key", "Right"], run.desk.env)
    time.sleep(0.3)
    desktop.run(["xdotool", "key", "Return"], run.desk.env)
    window = run.desk.settled_window(run.proc.pid, timeout=15, name=HISTORY_TITLE)
    if window is None:
        fail("no history window on screen within 15 s")
    settled(run.desk, window, "history window")
    save(run.desk, path, window=window)
    desktop.run(["xdotool", "key", "Escape"], run.desk.env)
    wait_for("history window to close", lambda: not run.desk.find_windows(pid=run.proc.pid, name=HISTORY_TITLE), 10,
             run.proc)


def settings(run, path):
    # Its shortcut, as the menu shows it.
    desktop.run(["xdotool", "windowactivate", "--sync", str(run.window), "key", "ctrl+comma"], run.desk.env)
    window = run.desk.settled_window(run.proc.pid, timeout=15, name="^(Settings|Ustawienia)$")
    if window is None:
        fail("no settings window on screen within 15 s")
    # Its first field has the focus and a blinking caret, so it never stands still: a moment to draw, then taken.
    time.sleep(1.5)
    save(run.desk, path, window=window)
    desktop.run(["xdotool", "key", "Escape"], run.desk.env)
    wait_for("settings window to close",
             lambda: not run.desk.find_windows(pid=run.proc.pid, name="^(Settings|Ustawienia)$"), 10, run.proc)


def tray_menu(run, path):
    _, _, _, width, height = run.info()
    run.click((width - desktop.HIDE_FROM_CORNER[0], height - desktop.HIDE_FROM_CORNER[1]))
    icons = wait_for("tray icon", lambda: run.desk.tray_icons() if not run.info()[0] else None, 15, run.proc)
    ix, iy, iw, ih = icons[0]
    menu, mx, my, mw, mh = run.popup(lambda: run.desk.click(ix + iw // 2, iy + ih // 2, button=3), "tray menu")
    settled(run.desk, menu, "tray menu")
    left, top = max(0, min(ix, mx) - TRAY_MARGIN), max(0, min(iy, my) - TRAY_MARGIN)
    right, bottom = max(ix + iw, mx + mw) + TRAY_MARGIN, max(iy + ih, my + mh) + TRAY_MARGIN
    save(run.desk, path, crop=(left, top, right - left, bottom - top))
    desktop.run(["xdotool", "key", "Escape"], run.desk.env)


def main():
    if len(sys.argv) < 2:
        fail("usage: screenshots.py <path to dravik> [output directory]")
    binary = os.path.abspath(sys.argv[1])
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs"))
    missing = desktop.missing_tools() + [tool for tool in ("import", "convert", "xsetroot") if not shutil.which(tool)]
    if missing:
        fail("missing programs: " + ", ".join(missing))
    if not os.access(binary, os.X_OK):
        fail(f"no program at {binary}")
    if not glob.glob("/usr/lib/*/qt6/plugins/platformthemes/libqgtk3.so"):
        fail("Qt's GTK platform theme is missing (qt6-gtk-platformtheme): the dark picture would come out light")
    os.makedirs(out, exist_ok=True)
    began = time.monotonic()
    server = sample_pages.serve(recent_at=time.time())
    run = None
    try:
        with desktop.Desktop() as desk:
            desktop.run(["xsetroot", "-solid", DESKTOP_COLOUR], desk.env)
            for lang in ("PL", "EN"):
                run = Run(desk, binary, server, lang)
                save(desk, os.path.join(out, f"main-window-{lang.lower()}.png"), window=run.window)
                if lang == "EN":
                    history(run, os.path.join(out, "history-window.png"))
                    settings(run, os.path.join(out, "settings-window.png"))
                    tray_menu(run, os.path.join(out, "tray-menu.png"))
                run.end()
                run = None
            run = Run(desk, binary, server, "EN", theme="Adwaita:dark")
            save(desk, os.path.join(out, "main-window-dark.png"), window=run.window)
            run.end()
            run = None
        # A screen of twice the pixels, large enough for the window at twice its size.
        with desktop.Desktop(size="1920x1600") as desk:
            desktop.run(["xsetroot", "-solid", DESKTOP_COLOUR], desk.env)
            run = Run(desk, binary, server, "PL", scale=2, settings=HOME_IN_WARSAW)
            save(desk, os.path.join(out, "main-window-2x.png"), window=run.window)
            history(run, os.path.join(out, "history-window-2x.png"))
            run.end()
            run = None
    finally:
        if run is not None:
            run.kill()
        server.shutdown()
    print(f"screenshots: done in {time.monotonic() - began:.0f} s")


if __name__ == "__main__":
    main()
