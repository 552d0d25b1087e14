#!/usr/bin/env python3
"""The real program's footprint beside a bare Qt Widgets window, measured in the same run on a private X display
with no network beyond 127.0.0.1 (so the map's tiles cannot load: the offline case).

Usage: scripts/footprint_figures.py <path to dravik> [quakes served ...]   (default: 50 1000 20000)

For each count, a local FDSN service serves that many quakes of the last day; the program starts (the time to its
window on screen is taken), lists them, and its process tree's PSS, RSS and USS (/proc/*/smaps_rollup) are read
shown, then hidden (Ctrl+W) after 5 s, with the wake-ups per second while hidden (context switches of all its
threads over 10 s); then it starts again straight to the tray (--autostart, a tray host running) and is read there.
The bare window (scripts/bare_window.cpp, built here with g++) is read the same way. A figure script, not a test.
"""

import glob
import http.server
import os
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


def memory(pid):
    """(PSS, RSS, USS) in MiB and the number of processes, over the process and its descendants."""
    pss = rss = uss = 0
    tree = desktop.process_tree(pid)
    for p in tree:
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                fields = {line.split(":")[0]: int(line.split()[1]) for line in f if line.split()[-1] == "kB"}
        except OSError:
            continue
        pss += fields.get("Pss", 0)
        rss += fields.get("Rss", 0)
        uss += fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)
    return pss / 1024, rss / 1024, uss / 1024, len(tree)


def switches(pid):
    total = 0
    for p in desktop.process_tree(pid):
        for status in glob.glob(f"/proc/{p}/task/*/status"):
            try:
                with open(status) as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                            total += int(line.split()[1])
            except OSError:
                pass
    return total


def wakeups(pid, seconds=10):
    before = switches(pid)
    time.sleep(seconds)
    return (switches(pid) - before) / seconds


def row(what, pid, extra=""):
    pss, rss, uss, procs = memory(pid)
    return f"| {what} | {pss:.0f} | {rss:.0f} | {uss:.0f} | {procs} | {extra} |"


def bare_window(root):
    binary = os.path.join(root, "bare_window")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "Qt6Widgets"], capture_output=True, text=True,
                           check=True).stdout.split()
    subprocess.run(["g++", "-std=c++17", "-O2", "-fPIC", os.path.join(HERE, "bare_window.cpp"), "-o", binary,
                    *flags], check=True)
    return binary


def main():
    binary = sys.argv[1]
    counts = [int(c) for c in sys.argv[2:]] or [50, 1000, 20000]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), fdsn.Service)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    now = int(time.time() * 1000)
    rows = []
    with tempfile.TemporaryDirectory(prefix="dravik-footprint-") as root, desktop.Desktop() as desk:
        bare = bare_window(root)
        env = dict(desk.env, QT_QPA_PLATFORM="xcb")
        start = time.monotonic()
        with desktop.Program(bare, env) as proc:
            if not desktop.wait_for(lambda: desk.viewable_windows(proc.pid, "^Dravik bare"), 30):
                raise SystemExit("FAIL: the bare window did not show")
            shown = time.monotonic() - start
            time.sleep(3)
            rows.append(row("bare Qt Widgets window, shown", proc.pid, f"window {shown:.2f} s, "
                                                                     f"{wakeups(proc.pid, 5):.1f} wake-ups/s"))
        for count in counts:
            fdsn.QUAKES = [(now - 86400 * 1000 + i * (86400 * 1000 // count), f"2026{i:07d}", -60 + (i * 7) % 130,
                            -180 + (i * 13) % 360, 2.0 + i % 40 / 10) for i in range(count)]
            home = os.path.join(root, f"run{count}")
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
                time.sleep(8)
                rows.append(row(f"Dravik, {count} served, shown", proc.pid, f"window {shown:.2f} s"))
                # Real key presses (XTEST) to the active window: a synthetic event may be ignored.
                desktop.run(["xdotool", "windowactivate", "--sync", str(window[0]), "key", "ctrl+w"], desk.env)
                if not desktop.wait_for(lambda: not desk.viewable_windows(proc.pid), 10):
                    raise SystemExit("FAIL: Ctrl+W did not hide the window")
                time.sleep(5)
                rows.append(row(f"Dravik, {count} served, hidden", proc.pid,
                                f"{wakeups(proc.pid):.1f} wake-ups/s"))
            home = os.path.join(root, f"tray{count}")
            env = e2e.make_env(home, base)
            env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb",
                       DRAVIK_QUAKE_URL=f"{base}/fdsnws/event/1/query?format=text&limit={count}")
            with desktop.Program(binary, env, ["--autostart"]) as proc:
                time.sleep(10)
                rows.append(row(f"Dravik, {count} served, started to the tray", proc.pid,
                                f"{wakeups(proc.pid):.1f} wake-ups/s"))
    server.shutdown()
    print("| what | PSS MiB | RSS MiB | USS MiB | processes | |")
    print("|---|---|---|---|---|---|")
    print("\n".join(rows))


if __name__ == "__main__":
    main()
