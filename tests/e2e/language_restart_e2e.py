#!/usr/bin/env python3
"""A language change restarts the program by itself: the real program on a desktop with a tray host, its language
changed from the tray menu (a real right click on the icon, then the menu, the language dialog and the notice
answered through the accessibility bus). The program must end, a new program with the same arguments must hold the
data directory's lock, and its window must speak the new language.

Usage: language_restart_e2e.py <path to dravik>     Exits 77 (skipped) when a tool is missing.
"""

import fcntl
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import a11y  # noqa: E402
import desktop  # noqa: E402
import sample_pages  # noqa: E402

HIDE_BUTTON = (747, 666)
PRESSER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_window.py")
wait_for = desktop.wait_for


def fail(message):
    raise SystemExit("FAIL: " + message)


def press(bus, pid, name, timeout=20):
    """Presses the control of that name in the process's windows once it is there; whether it was."""
    def once():
        out = subprocess.run(["/usr/bin/python3", "-I", PRESSER, str(pid), name], env=bus.env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=30).stdout
        return '"pressed": true' in out
    return wait_for(once, timeout, step=0.3)


def cmdline(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return [part.decode(errors="replace") for part in f.read().split(b"\0") if part]
    except OSError:
        return None


def successors(binary, previous):
    """The processes started as the successor of previous."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            args = cmdline(int(entry))
            if args and os.path.realpath(args[0]) == os.path.realpath(binary) and \
                    f"--handover={previous}" in args:
                found.append(int(entry))
    return found


def lock_held(runtime):
    """Whether some process holds the program's lock in that runtime directory."""
    for path in glob.glob(os.path.join(runtime, "dravik-*.lock")):
        with open(path, "a") as f:
            try:
                fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
                fcntl.flock(f, fcntl.LOCK_UN)
            except BlockingIOError:
                return True
    return False


def main():
    binary = sys.argv[1]
    missing = desktop.missing_tools() + a11y.missing()
    if missing:
        print("skipped: missing programs: " + ", ".join(missing))
        sys.exit(desktop.SKIPPED)
    root = tempfile.mkdtemp(prefix="dravik-restart-")
    server = sample_pages.serve()
    successor = None
    try:
        with desktop.Desktop() as desk, a11y.Bus(os.path.join(root, "bus"), desk.env) as bus:
            env = bus.program_env(sample_pages.program_env(root, server, desk.env))
            with desktop.Program(binary, env, args=("--autostart",)) as proc:
                # Started as the session starts it: straight to the tray.
                icons = wait_for(desk.tray_icons, 30)
                if not icons:
                    fail("no tray icon within 30 s")
                time.sleep(1)
                x, y, width, height = icons[0]
                windows_before = desk.find_windows(pid=proc.pid)
                if not desk.click(x + width // 2, y + height // 2, button=3):
                    fail("the pointer did not reach the icon")
                # A popup menu is not among the application's windows on the accessibility bus: the keyboard,
                # which the open menu has grabbed.
                if not wait_for(lambda: len(desk.find_windows(pid=proc.pid)) > len(windows_before), 10):
                    fail("the tray menu did not open")
                time.sleep(0.5)
                desktop.run(["xdotool", "key", "--delay", "150", "Down", "Down", "Return"], desk.env)
                # The radio button's press through the bus checks it; the dialog's relabelling follows its click.
                if not press(bus, proc.pid, "English") or not (press(bus, proc.pid, "Next", timeout=2) or
                                                                press(bus, proc.pid, "Dalej")):
                    fail(f"the language dialog could not be answered: {bus.texts(proc.pid)}")
                if not press(bus, proc.pid, "OK"):
                    fail("no restart notice")
                try:
                    status = proc.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    fail("the program did not end after the language change")
                if status != 0:
                    fail(f"the program ended with status {status}")
                found = wait_for(lambda: successors(binary, proc.pid), 10)
                if not found or len(found) != 1:
                    fail(f"no single successor: {found}")
                successor = found[0]
                if "--autostart" not in cmdline(successor):
                    fail(f"the successor lost the arguments: {cmdline(successor)}")
                if not wait_for(lambda: lock_held(env["XDG_RUNTIME_DIR"]), 10):
                    fail("nobody holds the lock after the restart")
                # A further start finds the successor, not a gap, and the successor's window speaks English.
                if subprocess.run([binary], env=env, timeout=30).returncode != 0:
                    fail("a further start did not end cleanly")
                name, seen = bus.wait_for_text(successor, ["Hide"], 20)
                if name is None:
                    fail(f"the successor's window is not in English: {seen}")
                if cmdline(successor) is None:
                    fail("the successor ended")
                print(f"restarted as process {successor} with {cmdline(successor)[1:]}")
    finally:
        if successor is not None and cmdline(successor) is not None:
            os.kill(successor, 15)
            wait_for(lambda: cmdline(successor) is None, 10)
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
