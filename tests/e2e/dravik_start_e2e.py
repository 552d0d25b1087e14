#!/usr/bin/env python3
"""Starts the real program offscreen and checks how it starts: one program per data directory, and a product
site that never answers.

Usage: dravik_start_e2e.py <path to dravik> [--no-timing]

1. A second start on the same data directory exits with status 0 at once, and the first program shows its
   window (it says so on stderr); a start on another data directory runs beside them.
2. After the first program is killed with SIGKILL (lock and socket files left behind), a new start runs.
3. With a site that accepts the version check's connection and never answers, the window is up (the feed's
   first request, made right after the window's initialisation) within 1.5 s of the start, and SIGTERM
   still ends the program at once.

--no-timing (sanitizer builds) keeps every check but the time bounds.
"""

import http.server
import os
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

SECOND_START_LIMIT = 2.0
WINDOW_LIMIT = 1.5
EXIT_TIMEOUT = 5.0
WAIT = 60.0


class Pages(http.server.BaseHTTPRequestHandler):
    """Records the first request of each data directory's feed (the path names the run) and answers 404."""
    hits = {}
    lock = threading.Lock()

    def do_GET(self):
        with Pages.lock:
            Pages.hits.setdefault(self.path.split("?", 1)[0], time.monotonic())
        self.send_response(404)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


class SilentSite:
    """Accepts connections on 127.0.0.1, reads what comes and never answers."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.accepted = 0
        self.held = []
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            self.accepted += 1
            self.held.append(conn)

    def url(self):
        return f"http://127.0.0.1:{self.sock.getsockname()[1]}/"


def make_env(root, name, base, site_url):
    env = dict(os.environ)
    for var in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        path = os.path.join(root, var.lower())
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[var] = path
    env["DRAVIK_DATA_DIR"] = os.path.join(root, "data-" + name)
    os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "Korvan"), exist_ok=True)
    with open(os.path.join(env["XDG_CONFIG_HOME"], "Korvan", "Dravik.conf"), "w") as f:
        f.write("[General]\nlang=PL\n")
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "DRAVIK_TILE_URL": "http://127.0.0.1:9/{z}/{x}/{y}.png",
        "DRAVIK_QUAKE_URL": f"{base}/{name}/quake",
        "DRAVIK_SOLAR_WIND_URL": f"{base}/{name}/wind",
        "DRAVIK_XRAY_URL": f"{base}/{name}/xray",
        "DRAVIK_TSUNAMI_URL": "",  # no tsunami feed: the real centres are never asked
        "DRAVIK_SITE_URL": site_url,
        "DRAVIK_POLL_SECONDS": "300",
        "TZ": "UTC",
    })
    for var in ("DRAVIK_MAP_URL", "http_proxy", "https_proxy", "ALL_PROXY", "all_proxy"):
        env.pop(var, None)
    return env


class Program:
    """One run of the program with its stderr collected."""

    def __init__(self, binary, env, name):
        self.name = name
        self.start = time.monotonic()
        self.proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.proc.stderr:
            self.lines.append(raw.decode("utf-8", "replace").rstrip("\n"))

    def first_request(self):
        with Pages.lock:
            return Pages.hits.get(f"/{self.name}/quake")

    def wait_window(self, timeout=WAIT):
        """Seconds from the start to the feed's first request (the window's initialisation is done)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            hit = self.first_request()
            if hit is not None:
                return hit - self.start
            if self.proc.poll() is not None:
                fail(f"{self.name}: ended with status {self.proc.returncode} before its window came")
            time.sleep(0.02)
        fail(f"{self.name}: no window within {timeout} s")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()

    def terminate(self, timing):
        began = time.monotonic()
        self.proc.send_signal(signal.SIGTERM)
        try:
            status = self.proc.wait(timeout=EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.kill()
            fail(f"{self.name}: no exit within {EXIT_TIMEOUT} s of SIGTERM")
        if status != 0:
            fail(f"{self.name}: exit status {status} after SIGTERM")
        elapsed = time.monotonic() - began
        print(f"{self.name}: exit status 0, {elapsed:.2f} s after SIGTERM")
        return elapsed


RUNNING = []


def fail(message):
    for program in RUNNING:
        program.kill()
    raise SystemExit("FAIL: " + message)


def launch(binary, env, name):
    program = Program(binary, env, name)
    RUNNING.append(program)
    return program


def wait_line(program, text, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if any(text in line for line in program.lines):
            return True
        time.sleep(0.02)
    return False


def one_program_per_directory(binary, root, base, site_url, timing):
    first = launch(binary, make_env(root, "first", base, site_url), "first")
    print(f"first program: window after {first.wait_window():.2f} s")

    began = time.monotonic()
    try:
        second = subprocess.run([binary], env=make_env(root, "first", base, site_url), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=10)
    except subprocess.TimeoutExpired:
        fail("a second start on the same data directory ran on for 10 s")
    elapsed = time.monotonic() - began
    print(f"second start on the same data directory: exit status {second.returncode} after {elapsed:.2f} s")
    if second.returncode != 0:
        fail(f"second start exited with status {second.returncode}")
    if timing and elapsed >= SECOND_START_LIMIT:
        fail(f"second start took {elapsed:.2f} s to end (limit {SECOND_START_LIMIT} s)")
    if not wait_line(first, "window shown"):
        fail(f"the first program did not show its window; its stderr: {first.lines[-5:]}")
    if first.proc.poll() is not None:
        fail("the first program ended")

    beside = launch(binary, make_env(root, "beside", base, site_url), "beside")
    print(f"program on another data directory: window after {beside.wait_window():.2f} s")
    beside.terminate(timing)
    return first


def start_after_sigkill(binary, root, base, site_url, first):
    first.proc.send_signal(signal.SIGKILL)
    first.proc.wait()
    runtime = os.path.join(root, "xdg_runtime_dir")
    left = sorted(n for n in os.listdir(runtime) if n.startswith("dravik-"))
    print(f"killed with SIGKILL, left behind: {left}")
    with Pages.lock:
        Pages.hits.pop("/first/quake", None)
    again = launch(binary, make_env(root, "first", base, site_url), "first")
    print(f"start after SIGKILL: window after {again.wait_window():.2f} s")
    again.terminate(True)


def silent_site(binary, root, base, timing):
    site = SilentSite()
    program = launch(binary, make_env(root, "silent", base, site.url()), "silent")
    to_window = program.wait_window()
    print(f"site never answers: window {to_window:.2f} s after start")
    if timing and to_window >= WINDOW_LIMIT:
        fail(f"window {to_window:.2f} s after start with a silent site (limit {WINDOW_LIMIT} s)")
    deadline = time.monotonic() + 10
    while site.accepted == 0 and time.monotonic() < deadline:
        time.sleep(0.02)
    if site.accepted == 0:
        fail("the version check never reached the site")
    time.sleep(0.3)
    elapsed = program.terminate(timing)
    if timing and elapsed >= 2.0:
        fail(f"{elapsed:.2f} s from SIGTERM to the end while the version check waits")


def main():
    args = sys.argv[1:]
    timing = "--no-timing" not in args
    args = [a for a in args if a != "--no-timing"]
    if len(args) != 1:
        raise SystemExit(__doc__)
    binary = args[0]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    site_url = base + "/site"
    try:
        with tempfile.TemporaryDirectory(prefix="dravik-start-e2e-") as root:
            first = one_program_per_directory(binary, root, base, site_url, timing)
            start_after_sigkill(binary, root, base, site_url, first)
            silent_site(binary, root, base, timing)
    finally:
        for program in RUNNING:
            program.kill()
        server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
