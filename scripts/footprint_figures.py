#!/usr/bin/env python3
"""The real program's footprint beside a bare Qt Widgets window, measured in the same run on a private X display
with no network beyond 127.0.0.1 (so the map's tiles cannot load: the offline case).

Usage: scripts/footprint_figures.py [--runs N] [--beside-bare] <path to dravik> [quakes served ...]
       (default: 50 1000 20000)

For each count, a local FDSN service serves that many quakes of the last day; the program starts (the time to its
window on screen is taken), lists them, and its process tree's PSS, RSS, USS and anonymous memory
(/proc/*/smaps_rollup) are read shown, then hidden (Ctrl+W), with the wake-ups per second while hidden (context
switches of all its threads over 10 s); then it starts again straight to the tray (--autostart, a tray host
running) and is read there. The bare window (scripts/bare_window.cpp, built here with g++) is read the same way.
With --runs N everything is measured N times and each figure is given as median [lowest-highest].
A figure script, not a test.

How it reads, and why:
- Each figure is read once the program has settled: at least a few seconds after the window appears (or hides,
  or the program starts to the tray), and then only once its threads have used no CPU for a second (the first
  round of 20,000 quakes, or the heap's trim 3 s after hiding, are over), at most 60 s.
- PSS divides every shared page among the processes mapping it. Most of a Qt program's PSS here is library code
  (Qt, OpenSSL...), which the program alone maps on this desktop, so it counts whole; while any other
  process maps Qt (another program, a test elsewhere on the machine) Qt's pages count half or less, and the same
  program reads 10 MiB lighter. That is how a bare window measures 22 MiB here and 12 MiB on a desktop running
  other Qt programs. So each figure is read only once no process outside the measured one maps libQt6Core (waiting
  up to 60 s); a reading taken while one still did is left out of the figures (a row says so), or, when all
  were, the row says its PSS is too low. RSS and the anonymous memory do not
  depend on other processes: compare those between builds.
- With --beside-bare the bare window stays open while the program is read (and the program's first run while
  the bare window is read), as on a desktop where one other Qt program runs: Qt's pages count half in each.
"""

import contextlib
import glob
import http.server
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
import catchup_figures as fdsn  # noqa: E402
import desktop  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

COLUMNS = ("PSS MiB", "RSS MiB", "USS MiB", "anonymous MiB", "window s", "wake-ups/s")


def memory(pid):
    """PSS, RSS, USS and anonymous memory in MiB over the process and its descendants, and their number."""
    totals = dict.fromkeys(("Pss", "Rss", "Uss", "Anonymous"), 0)
    tree = desktop.process_tree(pid)
    for p in tree:
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                fields = {line.split(":")[0]: int(line.split()[1]) for line in f if line.split()[-1] == "kB"}
        except OSError:
            continue
        totals["Pss"] += fields.get("Pss", 0)
        totals["Rss"] += fields.get("Rss", 0)
        totals["Uss"] += fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)
        totals["Anonymous"] += fields.get("Anonymous", 0)
    return {"PSS MiB": totals["Pss"] / 1024, "RSS MiB": totals["Rss"] / 1024, "USS MiB": totals["Uss"] / 1024,
            "anonymous MiB": totals["Anonymous"] / 1024}, len(tree)


def qt_sharers(pid):
    """Processes outside pid's tree that map Qt's core library (they share, and so lower, its PSS)."""
    tree = set(desktop.process_tree(pid))
    others = []
    for maps in glob.glob("/proc/[0-9]*/maps"):
        other = int(maps.split("/")[2])
        if other in tree or other == os.getpid():
            continue
        try:
            with open(maps) as f:
                if "libQt6Core.so" in f.read():
                    others.append(other)
        except OSError:
            pass
    return others


def task_texts(pid, name):
    """The text of /proc/<pid>/task/<tid>/<name> for every thread of the process tree (a thread gone is left out)."""
    for p in desktop.process_tree(pid):
        for path in glob.glob(f"/proc/{p}/task/*/{name}"):
            try:
                with open(path) as f:
                    yield f.read()
            except OSError:
                pass


def cpu_ticks(pid):
    # utime and stime, after the command name (which may hold spaces).
    return sum(sum(int(v) for v in text.rsplit(")", 1)[1].split()[11:13]) for text in task_texts(pid, "stat"))


def settle(pid, least, longest=60):
    """Waits `least` seconds, then until the program has used no CPU for a second (at most `longest`)."""
    time.sleep(least)
    deadline = time.monotonic() + longest
    before = cpu_ticks(pid)
    while time.monotonic() < deadline:
        time.sleep(1)
        now = cpu_ticks(pid)
        if now - before <= 1:
            return
        before = now


BESIDE_BARE = False


def read(pid, longest=60):
    """The figures, read once no other process maps Qt (see the module's notes), and what was not as asked."""
    if BESIDE_BARE:
        figures, procs = memory(pid)
        return figures, ([f"{procs} processes"] if procs != 1 else [])
    deadline = time.monotonic() + longest
    while qt_sharers(pid) and time.monotonic() < deadline:
        time.sleep(0.5)
    figures, procs = memory(pid)
    note = [f"{procs} processes"] if procs != 1 else []
    if qt_sharers(pid):
        figures["shared"] = True
    return figures, note


def switches(pid):
    return sum(int(line.split()[1]) for text in task_texts(pid, "status") for line in text.splitlines()
               if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))


def wakeups(pid, seconds=10):
    before = switches(pid)
    time.sleep(seconds)
    return (switches(pid) - before) / seconds


def bare_window(root):
    binary = os.path.join(root, "bare_window")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "Qt6Widgets"], capture_output=True, text=True,
                           check=True).stdout.split()
    subprocess.run(["g++", "-std=c++17", "-O2", "-fPIC", os.path.join(HERE, "bare_window.cpp"), "-o", binary,
                    *flags], check=True)
    return binary


def measure(binary, bare, desk, base, counts, root, now):
    """One run: [(what, figures, notes)]."""
    rows = []
    env = dict(desk.env, QT_QPA_PLATFORM="xcb")
    start = time.monotonic()
    beside = contextlib.ExitStack()
    proc = beside.enter_context(desktop.Program(bare, env))
    if not desktop.wait_for(lambda: desk.viewable_windows(proc.pid, "^Dravik bare"), 30):
        raise SystemExit("FAIL: the bare window did not show")
    shown = time.monotonic() - start
    if BESIDE_BARE:
        # The bare window is read with the program beside it, as the program is read beside the bare window.
        home = tempfile.mkdtemp(prefix="beside-", dir=root)
        other = beside.enter_context(desktop.Program(binary, dict(e2e.make_env(home, base), DISPLAY=desk.env["DISPLAY"],
                                                                  QT_QPA_PLATFORM="xcb")))
        settle(other.pid, 8)
    settle(proc.pid, 8)
    figures, note = read(proc.pid)
    figures.update({"window s": shown, "wake-ups/s": wakeups(proc.pid, 5)})
    rows.append(("bare Qt Widgets window, shown", figures, note))
    if BESIDE_BARE:
        other.terminate()
        other.wait()
    else:
        beside.close()
    for count in counts:
        fdsn.QUAKES = [(now - 86400 * 1000 + i * (86400 * 1000 // count), f"2026{i:07d}", -60 + (i * 7) % 130,
                        -180 + (i * 13) % 360, 2.0 + i % 40 / 10) for i in range(count)]
        home = tempfile.mkdtemp(prefix=f"run{count}-", dir=root)
        env = e2e.make_env(home, base)
        env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb",
                   DRAVIK_QUAKE_URL=f"{base}/fdsnws/event/1/query?format=text&limit={count}")
        start = time.monotonic()
        with desktop.Program(binary, env) as proc:
            window = desktop.wait_for(lambda: desk.viewable_windows(proc.pid), 30)
            if not window:
                found = desk.find_windows(pid=proc.pid, name=".")
                raise SystemExit(f"FAIL: no window with {count} served; windows: {found}, running: "
                                 f"{proc.poll() is None}; " + " ".join(desktop.run(["xprop", "-id", str(w)], desk.env)
                                                                    for w in found))
            shown = time.monotonic() - start
            settle(proc.pid, 8)
            figures, note = read(proc.pid)
            figures["window s"] = shown
            rows.append((f"Dravik, {count} served, shown", figures, note))
            # Real key presses (XTEST) to the active window: a synthetic event may be ignored.
            desktop.run(["xdotool", "windowactivate", "--sync", str(window[0]), "key", "ctrl+w"], desk.env)
            if not desktop.wait_for(lambda: not desk.viewable_windows(proc.pid), 10):
                raise SystemExit("FAIL: Ctrl+W did not hide the window")
            # Past the heap's trim, 3 s after hiding.
            settle(proc.pid, 5)
            figures, note = read(proc.pid)
            figures["wake-ups/s"] = wakeups(proc.pid)
            rows.append((f"Dravik, {count} served, hidden", figures, note))
        home = tempfile.mkdtemp(prefix=f"tray{count}-", dir=root)
        env = e2e.make_env(home, base)
        env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb",
                   DRAVIK_QUAKE_URL=f"{base}/fdsnws/event/1/query?format=text&limit={count}")
        with desktop.Program(binary, env, ["--autostart"]) as proc:
            settle(proc.pid, 10)
            figures, note = read(proc.pid)
            figures["wake-ups/s"] = wakeups(proc.pid)
            rows.append((f"Dravik, {count} served, started to the tray", figures, note))
    beside.close()
    return rows


def cell(values):
    if not values:
        return ""
    digits = 2 if max(values) < 10 else 0
    if len(values) == 1:
        return f"{values[0]:.{digits}f}"
    return f"{statistics.median(values):.{digits}f} [{min(values):.{digits}f}-{max(values):.{digits}f}]"


def main():
    args = sys.argv[1:]
    runs = 1
    global BESIDE_BARE
    if args[:1] == ["--runs"]:
        runs, args = int(args[1]), args[2:]
    if args[:1] == ["--beside-bare"]:
        BESIDE_BARE, args = True, args[1:]
    binary = args[0]
    counts = [int(c) for c in args[1:]] or [50, 1000, 20000]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), fdsn.Service)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    now = int(time.time() * 1000)
    results = []
    with tempfile.TemporaryDirectory(prefix="dravik-footprint-") as root, desktop.Desktop() as desk:
        bare = bare_window(root)
        for _ in range(runs):
            results.append(measure(binary, bare, desk, base, counts, root, now))
    server.shutdown()
    print("| what | " + " | ".join(COLUMNS) + " | notes |")
    print("|---" * (len(COLUMNS) + 2) + "|")
    for index, (what, _, _) in enumerate(results[0]):
        readings = [run[index][1] for run in results]
        # A reading taken while Qt was shared is left out, unless every one was.
        clean = [r for r in readings if not r.get("shared")] or readings
        cells = [cell([r[c] for r in clean if c in r]) for c in COLUMNS]
        notes = sorted({n for run in results for n in run[index][2]})
        shared = len(readings) - len(clean) if clean is not readings else len(readings)
        if shared:
            notes.append(f"{shared} of {len(readings)} readings with Qt shared by another process"
                         + (" (left out)" if clean is not readings else ": PSS too low"))
        print(f"| {what} | " + " | ".join(cells) + " | " + "; ".join(notes) + " |")


if __name__ == "__main__":
    main()
