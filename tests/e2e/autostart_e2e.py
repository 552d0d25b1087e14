#!/usr/bin/env python3
"""The real program started as the session's autostart entry starts it (with --autostart), on a desktop with a
window manager.

Usage: autostart_e2e.py <path to dravik>

1. With a tray host: the icon comes and the window is never shown; the program's memory is reported. A double
   click on the icon shows the window with its map.
2. With a tray host that comes up 3 s after the program (a session starting its panel late): the same.
3. Without a tray host: the window shows (after the wait for a host), as on any start.
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
import sample_pages  # noqa: E402

TRAY_WAIT = 10.0


def fail(message):
    raise SystemExit("FAIL: " + message)


wait_for = desktop.wait_for


def run_case(binary, server, name, tray, late_tray):
    root = tempfile.mkdtemp(prefix="dravik-autostart-")
    try:
        with desktop.Desktop(tray=tray) as desk, \
                desktop.Program(binary, sample_pages.program_env(root, server, desk.env), ["--autostart"]) as proc:
            check_start(desk, proc, name, tray, late_tray)
            status = desktop.terminate(proc)
            if status != 0:
                fail(f"{name}: exit status {status} after SIGTERM")
    finally:
        shutil.rmtree(root, ignore_errors=True)


def check_start(desk, proc, name, tray, late_tray):
    began = time.monotonic()
    if late_tray:
        time.sleep(3)
        if desk.viewable_windows(proc.pid):
            fail(f"{name}: the window showed while the session had no tray host yet")
        desk.start_tray()
    if tray or late_tray:
        # Watches for the window all the while: it must never be mapped.
        deadline = time.monotonic() + 30
        while not desk.tray_icons():
            if desk.viewable_windows(proc.pid):
                fail(f"{name}: the window showed before the icon came")
            if time.monotonic() > deadline or proc.poll() is not None:
                fail(f"{name}: no tray icon within 30 s")
            time.sleep(0.05)
        print(f"{name}: in the tray {time.monotonic() - began:.1f} s after the start")
        end = time.monotonic() + 3
        while time.monotonic() < end:
            if desk.viewable_windows(proc.pid):
                fail(f"{name}: the window showed though the program went to the tray")
            time.sleep(0.1)
        pss, count = desktop.tree_pss_kib(proc.pid)
        print(f"{name}: PSS in the tray from the start: {pss / 1024:.1f} MiB over {count} processes")
        x, y, width, height = desk.tray_icons()[0]
        desk.click(x + width // 2, y + height // 2, count=2)
        if not wait_for(lambda: desk.viewable_windows(proc.pid) and not desk.tray_icons(), 10):
            fail(f"{name}: a double click on the icon did not show the window")
        if desktop.tree_pss_kib(proc.pid)[1] != 1:
            fail(f"{name}: shown, the program started helper processes")
    else:
        if not wait_for(lambda: desk.viewable_windows(proc.pid), TRAY_WAIT + 20):
            fail(f"{name}: without a tray host the window never showed")
        shown_after = time.monotonic() - began
        print(f"{name}: window shown {shown_after:.1f} s after the start")
        if shown_after < TRAY_WAIT - 1:
            fail(f"{name}: the window showed before the wait for a tray host was over")
    window = desk.settled_window(proc.pid)
    if window is None:
        fail(f"{name}: the window did not stay on screen")
    if desk.wm_state(window) != "Normal":
        fail(f"{name}: WM_STATE {desk.wm_state(window)}")


def main():
    binary = sys.argv[1]
    missing = desktop.missing_tools()
    if missing:
        print("skipped: missing programs: " + ", ".join(missing))
        sys.exit(desktop.SKIPPED)
    server = sample_pages.serve()
    try:
        run_case(binary, server, "tray host", tray=True, late_tray=False)
        run_case(binary, server, "late tray host", tray=False, late_tray=True)
        run_case(binary, server, "no tray host", tray=False, late_tray=False)
    finally:
        server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
