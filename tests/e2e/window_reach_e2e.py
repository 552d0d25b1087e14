#!/usr/bin/env python3
"""The main window is never lost where there is no tray: the real program on a desktop without a tray host, on X11
(Xvfb with openbox) or on Wayland (headless weston, Qt's wayland platform). "Schowaj" minimises the window; a second
start brings it back; the window is a normal top-level window to the window manager.

Usage: window_reach_e2e.py <path to dravik> x11|wayland|geometry

geometry: on screens of 1366x768 and 1600x1000 (Xvfb with openbox), the main window and the settings window open
with their frames, title bars included, on the screen, and the settings' OK button shows on the screen and is
reached by Tab. Prints each window's opening size.

X11: the window's type, state and transient parent as openbox sees them (xprop), real clicks (xdotool), and the hide
button's description through the accessibility bus. Wayland: the button is pressed through the accessibility bus
and what the compositor shows is read from weston's scene graph (weston-debug). Prints the time from the start to a
shown window and the median of five second starts' times to the window shown again. Exits 77 (skipped) when a tool
is missing.
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import a11y  # noqa: E402
import desktop  # noqa: E402
import sample_pages  # noqa: E402

PRESSER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_window.py")
FOCUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_focus.py")
SCREENS = ("1366x768", "1600x1000")
SETTINGS_TITLE = "^Ustawienia$"
CYCLES = 5
HINT = "Brak zasobnika systemowego"


def fail(message):
    raise SystemExit("FAIL: " + message)


def skip(message):
    print("skipped: " + message)
    sys.exit(desktop.SKIPPED)


wait_for = desktop.wait_for


def second_start(binary, env):
    """Runs a second start to its end; its exit status must be 0 and it must end at once."""
    began = time.monotonic()
    status = subprocess.run([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            timeout=30).returncode
    if status != 0:
        fail(f"the second start ended with status {status}")
    return began


def report(kind, started, again):
    print(f"{kind}: start to a shown window {started * 1000:.0f} ms; second start to the window shown again, "
          f"median of {len(again)}: {statistics.median(again) * 1000:.0f} ms "
          f"({', '.join(f'{t * 1000:.0f}' for t in again)})")


def run_x11(binary, root, server):
    missing = desktop.missing_tools() + a11y.missing()
    if missing:
        skip("missing programs: " + ", ".join(missing))
    with desktop.Desktop(tray=False) as desk, a11y.Bus(os.path.join(root, "bus"), desk.env) as bus:
        env = bus.program_env(sample_pages.program_env(root, server, desk.env))
        began = time.monotonic()
        with desktop.Program(binary, env) as proc:
            if not wait_for(lambda: desk.viewable_windows(proc.pid), 30, step=0.01):
                fail("no main window within 30 s")
            started = time.monotonic() - began
            window = desk.settled_window(proc.pid)
            if window is None:
                fail("the main window did not settle")
            props = desktop.run(["xprop", "-id", str(window), "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                 "WM_TRANSIENT_FOR"], desk.env)
            if "_NET_WM_WINDOW_TYPE_NORMAL" not in props or "_NET_WM_WINDOW_TYPE_DIALOG" in props:
                fail("not a normal window to the window manager: " + props)
            if "_NET_WM_STATE_MODAL" in props:
                fail("the window says it is modal: " + props)
            if "WM_TRANSIENT_FOR(WINDOW)" in props:
                fail("the window is transient for another: " + props)
            # Before it is pressed, the button says what hiding does here.
            hint, seen = bus.wait_for_text(proc.pid, [HINT], 20)
            if hint is None:
                fail(f"the hide button does not say how the window comes back: {seen}")

            def shown(place):
                """On screen, not iconic, and where it stood before it was hidden."""
                now = desk.window_info(window)
                return now is not None and now[0] and tuple(now[1:3]) == place and desk.wm_state(window) == "Normal"

            again = []
            for cycle in range(CYCLES):
                info = desk.window_info(window)
                if not desk.click(*desktop.hide_button(info)):
                    fail(f"cycle {cycle}: the pointer did not reach the hide button at {info}")
                if not wait_for(lambda: desk.wm_state(window) == "Iconic", 10):
                    fail(f"cycle {cycle}: not minimised: WM_STATE {desk.wm_state(window)}")
                time.sleep(0.3)
                at = second_start(binary, env)
                if not wait_for(lambda: shown(tuple(info[1:3])), 5, step=0.01):
                    fail(f"cycle {cycle}: the second start did not bring the window back: "
                         f"{desk.window_info(window)}, WM_STATE {desk.wm_state(window)}")
                again.append(time.monotonic() - at)
                time.sleep(0.5)
                if not shown(tuple(info[1:3])):
                    fail(f"cycle {cycle}: the window did not stay where it stood: {desk.window_info(window)}")
                if proc.poll() is not None:
                    fail(f"the program ended with status {proc.returncode}")
            report("X11 without a tray", started, again)
            if desktop.terminate(proc) != 0:
                fail("no clean end on SIGTERM")


def frame_on_screen(desk, window, screen, what):
    """The window's client size; fails unless its frame, as the window manager reports it, lies on the screen."""
    info = desk.window_info(window)
    text = desktop.run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], desk.env)
    if "=" not in text:
        fail(f"{what}: the window manager gives no frame: {text!r}")
    left, right, top, bottom = (int(v) for v in text.split("=", 1)[1].split(","))
    frame = (info[1] - left, info[2] - top, info[1] + info[3] + right, info[2] + info[4] + bottom)
    if frame[0] < 0 or frame[1] < 0 or frame[2] > screen[0] or frame[3] > screen[1]:
        fail(f"{what}: frame {frame} (left, top, right, bottom) leaves the {screen[0]}x{screen[1]} screen")
    return info[3], info[4]


def run_geometry(binary, root, server):
    missing = desktop.missing_tools() + a11y.missing()
    if missing:
        skip("missing programs: " + ", ".join(missing))
    for size in SCREENS:
        screen = tuple(int(v) for v in size.split("x"))
        with desktop.Desktop(size=size, tray=False) as desk, \
                a11y.Bus(os.path.join(root, "bus-" + size), desk.env) as bus:
            env = bus.program_env(sample_pages.program_env(os.path.join(root, size), server, desk.env))
            with desktop.Program(binary, env) as proc:
                window = desk.settled_window(proc.pid)
                if window is None:
                    fail(f"{size}: the main window did not settle")
                main_size = frame_on_screen(desk, window, screen, f"{size} main window")
                desktop.run(["xdotool", "windowactivate", "--sync", str(window), "key", "ctrl+comma"], desk.env)
                settings = desk.settled_window(proc.pid, name=SETTINGS_TITLE)
                if settings is None:
                    fail(f"{size}: the settings window did not settle")
                settings_size = frame_on_screen(desk, settings, screen, f"{size} settings window")
                desktop.run(["xdotool", "windowactivate", "--sync", str(settings)], desk.env)
                out = subprocess.run(["/usr/bin/python3", "-I", FOCUS, str(proc.pid), "OK", "40"], env=bus.env,
                                     stdout=subprocess.PIPE, text=True, timeout=120).stdout
                found = json.loads(out or "{}")
                box = found.get("extents")
                if not box or box[0] < 0 or box[1] < 0 or box[0] + box[2] > screen[0] or box[1] + box[3] > screen[1]:
                    fail(f"{size}: the settings' OK button is not on the screen: {found}")
                if found.get("presses") is None:
                    fail(f"{size}: Tab does not reach the settings' OK button: {found}")
                print(f"{size}: main window {main_size[0]}x{main_size[1]}, settings {settings_size[0]}x"
                      f"{settings_size[1]}, OK at {box[:2]} reached by {found['presses']} presses of Tab")
                if desktop.terminate(proc, timeout=30) != 0:
                    fail("no clean end on SIGTERM")


class Weston:
    """Headless weston with its debug protocol, on a socket of its own in a private runtime directory."""

    def __init__(self, root):
        self.runtime = os.path.join(root, "runtime")
        os.makedirs(self.runtime, mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY="dravik-test")
        self.env.pop("DISPLAY", None)
        self.proc = subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=dravik-test", "--debug",
                                      "--idle-time=0"], env=self.env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        if not wait_for(lambda: "Output 0" in self.scene(), 30, step=0.1):
            self.close()
            raise SystemExit("FAIL: weston did not come up")

    def scene(self):
        try:
            return subprocess.run(["weston-debug", "scene-graph"], env=self.env, stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, timeout=5).stdout
        except subprocess.TimeoutExpired:
            return ""

    def toplevels(self, pid):
        """The titles of the process's top-level windows that the compositor shows (a minimised one is not in the
        scene)."""
        titles = []
        for line in self.scene().splitlines():
            if "role xdg_toplevel" in line and f"PID {pid}," in line and "top-level window '" in line:
                titles.append(line.split("top-level window '", 1)[1].split("'", 1)[0])
        return titles

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def run_wayland(binary, root, server):
    plugin = "/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so"
    missing = [tool for tool in ("weston", "weston-debug") if shutil.which(tool) is None] + a11y.missing()
    if not os.path.exists(plugin):
        missing.append("qt6-wayland")
    if missing:
        skip("missing: " + ", ".join(missing))
    weston = Weston(root)
    try:
        with a11y.Bus(os.path.join(root, "bus"), weston.env) as bus:
            env = bus.program_env(sample_pages.program_env(root, server, weston.env))
            # The program has a runtime directory of its own: the compositor's socket by its whole path.
            env.update(QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY=os.path.join(weston.runtime, "dravik-test"))
            began = time.monotonic()
            with desktop.Program(binary, env) as proc:
                if not wait_for(lambda: weston.toplevels(proc.pid), 30, step=0.01):
                    fail("no main window within 30 s")
                started = time.monotonic() - began
                if not weston.toplevels(proc.pid)[0].startswith("Dravik"):
                    fail(f"the compositor shows {weston.toplevels(proc.pid)}")
                time.sleep(2)
                again = []
                for cycle in range(CYCLES):
                    pressed = subprocess.run(["/usr/bin/python3", "-I", PRESSER, str(proc.pid), "Schowaj"],
                                             env=bus.env, stdout=subprocess.PIPE, text=True, timeout=30).stdout
                    if '"pressed": true' not in pressed:
                        fail(f"cycle {cycle}: the hide button was not found: {pressed}")
                    if not wait_for(lambda: not weston.toplevels(proc.pid), 10):
                        fail(f"cycle {cycle}: the window was not minimised")
                    time.sleep(0.3)
                    at = second_start(binary, env)
                    if not wait_for(lambda: weston.toplevels(proc.pid), 5, step=0.01):
                        fail(f"cycle {cycle}: the second start did not bring the window back")
                    again.append(time.monotonic() - at)
                    time.sleep(0.5)
                    if proc.poll() is not None:
                        fail(f"the program ended with status {proc.returncode}")
                report("Wayland (weston) without a tray", started, again)
                if desktop.terminate(proc) != 0:
                    fail("no clean end on SIGTERM")
    finally:
        weston.close()


def main():
    binary, kind = sys.argv[1], sys.argv[2]
    root = tempfile.mkdtemp(prefix="dravik-reach-")
    server = sample_pages.serve()
    try:
        {"x11": run_x11, "wayland": run_wayland, "geometry": run_geometry}[kind](binary, root, server)
    finally:
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
