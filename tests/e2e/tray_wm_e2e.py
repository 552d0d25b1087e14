#!/usr/bin/env python3
"""The real program on a desktop with a window manager (openbox) and a panel with a taskbar and a tray (tint2, by
default): fast hiding to the tray with the window's own button and bringing the window back with a real double
click on the icon, many times over.

Usage: tray_wm_e2e.py <path to dravik> [cycles] [tint2|wmsystemtray]

Each cycle clicks "Schowaj", waits for the icon, waits 0 to 1.5 s (the window manager may still be busy with the
hiding), double-clicks the icon, and expects within 5 s: the window mapped, WM_STATE Normal, and no icon, and the
window where it stood before. Between
cycles the window must stay so. At no point may the window be neither shown nor in the tray.
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
import sample_pages  # noqa: E402

# The hide button's centre in the main window at its template size.
TEMPLATE_SIZE = (803, 689)
# A point in the list's first row.
FIRST_ROW = (100, 55)
# Time for the heap to be given back (the program trims it 3 s after hiding) before memory is measured.
SETTLE = 4.0


def fail(message):
    raise SystemExit("FAIL: " + message)


wait_for = desktop.wait_for


def settled_pss(pid):
    """The tree's (PSS in KiB, processes) once two readings a second apart agree within 2 %."""
    last = desktop.tree_pss_kib(pid)
    for _ in range(20):
        time.sleep(1)
        now = desktop.tree_pss_kib(pid)
        if now[1] == last[1] and abs(now[0] - last[0]) <= 0.02 * last[0]:
            return now
        last = now
    return last


def memory_shown_and_hidden(desk, pid, window, shown):
    """The program's memory with the window shown and hidden to the tray, where the map lets its tiles go; both
    figures are printed, not compared, as the program's share moves with what else runs. The map is drawn by the
    program itself: it is one process throughout."""
    info = desk.window_info(window)
    desk.click(info[1] + FIRST_ROW[0], info[2] + FIRST_ROW[1])
    shown_kib, shown_count = settled_pss(pid)
    desk.click(*desktop.hide_button(info))
    if not wait_for(lambda: desk.tray_icons(), 15):
        fail("hidden to the tray, no icon came")
    time.sleep(SETTLE)
    hidden_kib, hidden_count = settled_pss(pid)
    print(f"PSS shown: {shown_kib / 1024:.1f} MiB over {shown_count} processes; "
          f"hidden to the tray: {hidden_kib / 1024:.1f} MiB over {hidden_count} processes")
    if shown_count != 1 or hidden_count != 1:
        fail(f"the program started helper processes: {shown_count} shown, {hidden_count} hidden")
    x, y, width, height = desk.tray_icons()[0]
    desk.click(x + width // 2, y + height // 2, count=2)
    if not wait_for(shown, 30):
        fail("shown again, the window did not come back")


def main():
    binary = sys.argv[1]
    cycles = int(sys.argv[2]) if len(sys.argv) > 2 else 50
    panel = sys.argv[3] if len(sys.argv) > 3 else "tint2"
    missing = desktop.missing_tools()
    if missing:
        print("skipped: missing programs: " + ", ".join(missing))
        sys.exit(desktop.SKIPPED)
    root = tempfile.mkdtemp(prefix="dravik-tray-wm-")
    server = sample_pages.serve()
    try:
        with desktop.Desktop(panel=panel) as desk, \
                desktop.Program(binary, sample_pages.program_env(root, server, desk.env)) as proc:
            window = desk.settled_window(proc.pid)
            if window is None:
                fail("no main window within 30 s")

            def state():
                info = desk.window_info(window)
                return (info, desk.wm_state(window), desk.tray_icons())

            def shown():
                info, wm, icons = state()
                return info is not None and info[0] and wm == "Normal" and not icons

            def describe():
                info, wm, icons = state()
                return f"window {info}, WM_STATE {wm}, icons {icons}"

            if not wait_for(shown, 30):
                fail("the window did not come up: " + describe())
            info = desk.window_info(window)
            if info[3] < TEMPLATE_SIZE[0] or info[4] < TEMPLATE_SIZE[1]:
                fail(f"window size {info[3:5]}, smaller than the template's {TEMPLATE_SIZE}")
            # The window has no stored place: it must still come back where it stood.
            place = tuple(info[1:3])
            began = time.monotonic()
            for cycle in range(cycles):
                time.sleep(0.1 + (cycle % 5) * 0.04)
                if not shown():
                    fail(f"cycle {cycle}: the window left its shown state on its own: {describe()}")
                info = desk.window_info(window)
                if not desk.click(*desktop.hide_button(info)):
                    fail(f"cycle {cycle}: the pointer did not reach the hide button")
                icons = wait_for(lambda: desk.tray_icons() if not desk.window_info(window)[0] else None, 10)
                if not icons:
                    fail(f"cycle {cycle}: not hidden to the tray: {describe()}")
                time.sleep((cycle * 7) % 16 * 0.1)
                x, y, width, height = icons[0]
                if not desk.click(x + width // 2, y + height // 2, count=2):
                    fail(f"cycle {cycle}: the pointer did not reach the icon")
                if not wait_for(shown, 5):
                    fail(f"cycle {cycle}: the window did not come back: {describe()}")
                if not wait_for(lambda: tuple(desk.window_info(window)[1:3]) == place, 2):
                    fail(f"cycle {cycle}: the window came back at {desk.window_info(window)[1:3]}, not at {place}")
                if proc.poll() is not None:
                    fail(f"cycle {cycle}: the program ended with status {proc.returncode}")
            print(f"{cycles} of {cycles} hide/show cycles, {time.monotonic() - began:.1f} s")
            memory_shown_and_hidden(desk, proc.pid, window, shown)
            status = desktop.terminate(proc)
            if status != 0:
                fail(f"exit status {status} after SIGTERM")
    finally:
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
