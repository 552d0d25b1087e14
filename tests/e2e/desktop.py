"""A desktop for the real program on a private X display: Xvfb, the openbox window manager and a tray host
(wmsystemtray, or the tint2 panel with its taskbar), with real mouse input through xdotool and what the window
manager sees through xprop and xwininfo. Used by the end-to-end tests and by `make screenshots`.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

TOOLS = ("Xvfb", "openbox", "wmsystemtray", "tint2", "xdotool", "xprop", "xwininfo")

# The main window's hide button keeps to the window's bottom right corner: its centre this far from it (at 1x).
HIDE_FROM_CORNER = (56, 23)


def hide_button(info, scale=1):
    """The hide button's centre on the screen, for a window's (viewable, x, y, width, height)."""
    return (info[1] + info[3] - HIDE_FROM_CORNER[0] * scale, info[2] + info[4] - HIDE_FROM_CORNER[1] * scale)


# The exit status for a missing tool: CTest's SKIP_RETURN_CODE, so it shows as skipped, never as passed.
SKIPPED = 77


def missing_tools():
    return [tool for tool in TOOLS if shutil.which(tool) is None]


def wait_for(predicate, timeout, step=0.05):
    """predicate()'s first true value within timeout seconds, else None."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return None


class Program:
    """The real program run in a `with` block, killed at its end if it is still running."""

    def __init__(self, binary, env, args=()):
        self.proc = subprocess.Popen([binary, *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def __enter__(self):
        return self.proc

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        return False


def terminate(proc, timeout=10):
    """SIGTERM and the exit status; None when the program did not end within timeout seconds."""
    proc.send_signal(signal.SIGTERM)
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def run(args, env, timeout=10):
    return subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                          timeout=timeout).stdout


class Desktop:
    """Xvfb with a window manager and a tray host; stopped when the `with` block ends."""

    # Tray hosts: a dock of tray icons only, or a panel with a taskbar and a tray; the window class to find it by.
    PANELS = {"wmsystemtray": (["wmsystemtray", "--non-wmaker"], "wmsystemtray0"), "tint2": (["tint2"], "tint2")}

    def __init__(self, size="1280x1024", window_manager=True, tray=True, panel="wmsystemtray"):
        self.size = size
        self.window_manager = window_manager
        self.tray = tray
        self.panel = panel
        self.procs = []
        self.env = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.size + "x24", "-nolisten",
                                 "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        self.procs.append(xvfb)
        with os.fdopen(read_fd) as pipe:
            display = pipe.readline().strip()
        if not display:
            self.__exit__(None, None, None)
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ)
        self.env["DISPLAY"] = ":" + display
        # openbox keeps its own settings out of the user's home.
        self.home = tempfile.mkdtemp(prefix="dravik-desktop-")
        self.env_wm = dict(self.env, HOME=self.home, XDG_CONFIG_HOME=self.home, XDG_CACHE_HOME=self.home)
        if self.window_manager:
            self._start_window_manager()
        if self.tray:
            self.start_tray()
        return self

    def start_tray(self):
        """Starts the tray host (when the desktop was made without one, later on)."""
        self._start(self.PANELS[self.panel][0])
        self._wait(lambda: self.tray_host() is not None)

    def __exit__(self, *exc):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if getattr(self, "home", None):
            shutil.rmtree(self.home, ignore_errors=True)
        return False

    def _start_window_manager(self):
        """openbox, started again should it end before it took the screen (seen once on a loaded machine)."""
        for _ in range(3):
            self._start(["openbox", "--sm-disable"])
            openbox = self.procs[-1]
            took = wait_for(lambda: openbox.poll() is not None or
                            "_NET_SUPPORTING_WM_CHECK(WINDOW)" in run(["xprop", "-root"], self.env), 30.0)
            if openbox.poll() is None:
                if took:
                    return
                break
        raise RuntimeError(f"the desktop did not come up (openbox exit status {openbox.poll()})")

    def _start(self, args):
        self.procs.append(subprocess.Popen(args, env=self.env_wm, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))

    # Generous: beside a sanitized suite on two cores, openbox has been seen to take more than 10 s to start.
    @staticmethod
    def _wait(predicate, timeout=30.0):
        if not wait_for(predicate, timeout):
            raise RuntimeError("the desktop did not come up")

    # What the X server and the window manager know of windows.

    def find_windows(self, pid=None, name=None):
        args = ["xdotool", "search", "--onlyvisible" if name is None else "--all"]
        if pid is not None:
            args += ["--pid", str(pid)]
        args += ["--name", name or "."]
        return [int(line) for line in run(args, self.env).split()]

    def viewable_windows(self, pid, name="^Dravik"):
        """The program's windows of that name that are on screen."""
        windows = []
        for window in self.find_windows(pid=pid, name=name):
            info = self.window_info(window)
            if info is not None and info[0]:
                windows.append(window)
        return windows

    def settled_window(self, pid, timeout=30.0, name="^Dravik"):
        """The program's window of that name once the same one has been on screen for 2 s; None if none is
        within timeout. Qt may make a window's X window anew soon after it is first shown (a web view wants
        another kind of surface), so the first one seen need not be the one that stays."""
        deadline = time.monotonic() + timeout
        seen, since = None, None
        while time.monotonic() < deadline:
            windows = self.viewable_windows(pid, name)
            current = windows[0] if len(windows) == 1 else None
            if current != seen:
                seen, since = current, time.monotonic()
            elif current is not None and time.monotonic() - since >= 2.0:
                return current
            time.sleep(0.1)
        return None

    def window_info(self, window):
        """(viewable, x, y, width, height) of a window's client area on the screen."""
        text = run(["xwininfo", "-id", str(window)], self.env)
        number = lambda label: int(re.search(label + r":\s+(-?\d+)", text).group(1))
        if "Absolute upper-left X" not in text:
            return None
        return ("IsViewable" in text, number("Absolute upper-left X"), number("Absolute upper-left Y"),
                number("Width"), number("Height"))

    def wm_state(self, window):
        """"Normal", "Iconic", "Withdrawn", or None without the property."""
        match = re.search(r"window state: (\w+)", run(["xprop", "-id", str(window), "WM_STATE"], self.env))
        return match.group(1) if match else None

    def tray_host(self):
        ids = [int(w) for w in run(["xdotool", "search", "--classname", self.PANELS[self.panel][1]], self.env).split()]
        return ids[0] if ids else None

    def tray_icons(self):
        """The icon windows the tray host has taken in (those with a window class of their own), as (x, y, width,
        height) on the screen."""
        host = self.tray_host()
        if host is None:
            return []
        icons = []
        for line in run(["xwininfo", "-tree", "-id", str(host)], self.env).splitlines():
            match = re.match(r'\s+(0x[0-9a-f]+) .*\("[^"]+" "[^"]+"\)', line)
            if match:
                info = self.window_info(int(match.group(1), 16))
                if info is not None and info[0]:
                    icons.append(info[1:])
        return icons

    # Real input.

    def pointer(self):
        match = re.search(r"x:(\d+) y:(\d+)", run(["xdotool", "getmouselocation"], self.env))
        return (int(match.group(1)), int(match.group(2))) if match else None

    def click(self, x, y, count=1, button=1):
        """Moves the pointer to (x, y) on the screen, makes sure it is there, and clicks a button (1 left, 3 right)
        count times."""
        for _ in range(5):
            run(["xdotool", "mousemove", str(x), str(y)], self.env)
            deadline = time.monotonic() + 0.5
            while time.monotonic() < deadline:
                if self.pointer() == (x, y):
                    run(["xdotool", "click", "--repeat", str(count), "--delay", "60", str(button)], self.env)
                    return True
                time.sleep(0.02)
        return False

    def screenshot(self, path, window=None):
        """A PNG of the whole screen, or of one window with its frame, through ImageMagick's import."""
        args = ["import", "-window", "root" if window is None else str(window)]
        if window is not None:
            args.insert(1, "-frame")
        run(args + [path], self.env, timeout=30)
        return os.path.exists(path)


def process_tree(pid):
    """pid and all its descendants, from /proc."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(parent, []).append(int(entry))
    tree, todo = [], [pid]
    while todo:
        current = todo.pop()
        tree.append(current)
        todo.extend(children.get(current, []))
    return tree


def pss_kib(pid):
    """The proportional set size of one process from /proc/PID/smaps_rollup, in KiB; 0 once it is gone."""
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def tree_pss_kib(pid):
    """(total PSS in KiB, number of processes) of a process and its descendants."""
    tree = process_tree(pid)
    return sum(pss_kib(p) for p in tree), len(tree)
