"""What the user sees in the real program's window, read through the accessibility bus (AT-SPI) as a screen reader
reads it: so a test checks the window's text itself, not a log line.

A private session bus is started; the program is told to talk to it with accessibility always on (Qt's xcb
platform only: run it on an X display). The reader runs in Debian's python3, which has python3-pyatspi.
"""

import json
import os
import shutil
import subprocess
import time

READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_texts.py")
DEBIAN_PYTHON = "/usr/bin/python3"


def missing():
    """The programs an accessibility reading needs that are not here (empty when all are)."""
    need = {"dbus-daemon": shutil.which("dbus-daemon"), "dbus-send": shutil.which("dbus-send"),
            DEBIAN_PYTHON: os.access(DEBIAN_PYTHON, os.X_OK),
            "at-spi-bus-launcher": os.path.exists("/usr/libexec/at-spi-bus-launcher")}
    gone = [name for name, found in need.items() if not found]
    if not gone and subprocess.run([DEBIAN_PYTHON, "-I", "-c", "import pyatspi"], stderr=subprocess.DEVNULL).returncode:
        gone.append("python3-pyatspi")
    return gone


class Bus:
    """A session bus of its own (under root, with HOME and the runtime directory there too, so the accessibility
    bus it starts leaves nothing behind), and the environment a program and the reader need for it."""

    def __init__(self, root, env):
        os.makedirs(root, exist_ok=True)
        self.env = dict(env)
        self.env.update(HOME=root, XDG_RUNTIME_DIR=root, XDG_CACHE_HOME=os.path.join(root, "cache"))
        self.daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                        f"--address=unix:path={root}/bus"], env=self.env, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL)
        address = self.daemon.stdout.readline().decode().strip()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # The accessibility bus first, so the program finds it when it starts.
        subprocess.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
                        "org.a11y.Bus.GetAddress"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=20)

    def program_env(self, env):
        """env for a program whose window is to be read."""
        out = dict(env)
        out["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
        out["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        return out

    def texts(self, pid):
        """[[role, name], ...] of what the process shows now; empty when it cannot be read."""
        try:
            result = subprocess.run([DEBIAN_PYTHON, "-I", READER, str(pid)], env=self.env, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, text=True, timeout=30)
            return json.loads(result.stdout or "[]")
        except (subprocess.TimeoutExpired, ValueError):
            return []

    def wait_for_text(self, pid, wanted, timeout):
        """The first shown text containing every piece of wanted (a list of strings), within timeout; else None
        and the texts seen last."""
        end = time.monotonic() + timeout
        seen = []
        while time.monotonic() < end:
            seen = self.texts(pid)
            for _, name in seen:
                if all(piece in name for piece in wanted):
                    return name, seen
            time.sleep(0.3)
        return None, seen

    def close(self):
        self.daemon.terminate()
        try:
            self.daemon.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.daemon.kill()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
