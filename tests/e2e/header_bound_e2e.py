#!/usr/bin/env python3
"""An earthquake service (or a proxy in front of it) that answers with a header that never ends, against the real
program on a private X display, the status line read through the accessibility bus (a11y.py).

Usage: header_bound_e2e.py <path to dravik>   (exits 77 when a desktop or accessibility tool is missing)

Two cases, each a run of its own: the service itself sends "HTTP/1.1 200 OK" and then header lines without end, as
fast as the program reads them; and the same comes from the proxy that http_proxy names, for an address only a proxy
can reach. The server gives up after 256 MiB and then holds the connection open. Expected in each case: the program
closes every connection soon after the first header bytes (through the proxy, the push's tunnel too: it reads no more
than the header's bound), its peak memory stays small, and the status line says the source cannot be read because its
answer is too large.
"""

import http.server
import os
import socket
import socketserver
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import a11y  # noqa: E402
import desktop  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

SANITIZED = bool(os.environ.get("ASAN_OPTIONS"))
PROBLEM = "Źródło niedostępne: "
REASON = "za duża odpowiedź"
# More than a bounded reader can ever need; enough that an unbounded one shows in its memory.
GIVE_UP_BYTES = 256 << 20
# A bounded reader stops within moments; an unbounded one only at its 60 s time-out.
CLOSED_WITHIN_S = 20
PEAK_LIMIT_MIB = 150


class EndlessHeader(socketserver.BaseRequestHandler):
    """Answers any request with a status line and then header lines without end; notes each connection's bytes sent
    and how long after its first byte the program closed it (None while open)."""
    connections = []
    lock = threading.Lock()

    def handle(self):
        self.request.settimeout(90)
        try:
            self.request.recv(65536)
        except OSError:
            return
        record = {"sent": 0, "closed_after": None}
        with EndlessHeader.lock:
            EndlessHeader.connections.append(record)
        line = b"X-Pad: " + b"a" * 1017 + b"\r\n"
        start = time.monotonic()
        try:
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n")
            while record["sent"] < GIVE_UP_BYTES:
                self.request.sendall(line * 64)
                record["sent"] += len(line) * 64
            # Given up: hold on until the program lets go.
            while self.request.recv(4096):
                pass
        except OSError:
            pass
        record["closed_after"] = time.monotonic() - start


def peak_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


def run_case(binary, name, base, bus, desk, root, proxy):
    EndlessHeader.connections = []
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), EndlessHeader)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    hostile = f"http://127.0.0.1:{server.server_address[1]}"
    env = bus.program_env(e2e.make_env(os.path.join(root, name), base))
    env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb")
    if proxy:
        # Only the proxy can reach this host; the program's other addresses are on 127.0.0.1 and go direct, but for
        # EMSC's push (wss), which tunnels through the same proxy.
        env.update(http_proxy=hostile, https_proxy=hostile, no_proxy="127.0.0.1",
                   DRAVIK_QUAKE_URL="http://quakes.invalid/quake")
    else:
        env["DRAVIK_QUAKE_URL"] = hostile + "/quake"
    try:
        with desktop.Program(binary, env) as proc:
            line, seen = bus.wait_for_text(proc.pid, [PROBLEM], 60)
            if line is None:
                raise SystemExit(f"FAIL ({name}): the window never said the source cannot be read (peak memory "
                                 f"{peak_mib(proc.pid):.0f} MiB, {EndlessHeader.connections} sent): {seen}")
            if REASON not in line:
                raise SystemExit(f"FAIL ({name}): the status line does not say why: {line!r}")
            connections = list(EndlessHeader.connections)
            if not connections:
                raise SystemExit(f"FAIL ({name}): the program never asked the hostile server")
            # Every connection made to it so far (through the proxy: the push's tunnel too) is let go soon.
            closed = desktop.wait_for(lambda: all(c["closed_after"] is not None for c in connections),
                                      CLOSED_WITHIN_S)
            peak = peak_mib(proc.pid)
            held = [c for c in connections if c["closed_after"] is None or c["closed_after"] > CLOSED_WITHIN_S]
            times = ", ".join("open" if c["closed_after"] is None else f"{c['closed_after']:.3f} s" for c in connections)
            print(f"{name}: the status line says {line!r}; {len(connections)} answer(s) given, closed after their "
                  f"first byte: {times}; {sum(c['sent'] for c in connections) / 1048576:.1f} MiB sent into them; "
                  f"peak memory {peak:.0f} MiB")
            if not closed or held:
                raise SystemExit(f"FAIL ({name}): an endless header was read on for more than {CLOSED_WITHIN_S} s")
            if not SANITIZED and peak > PEAK_LIMIT_MIB:
                raise SystemExit(f"FAIL ({name}): peak memory {peak:.0f} MiB under an endless header")
            status = desktop.terminate(proc, timeout=30)
            if status != 0:
                raise SystemExit(f"FAIL ({name}): exit status {status} after SIGTERM")
    finally:
        server.shutdown()
        server.server_close()


def main():
    binary = sys.argv[1]
    missing = desktop.missing_tools() + a11y.missing()
    if missing:
        print(f"skipped: missing programs: {' '.join(missing)}")
        sys.exit(desktop.SKIPPED)
    pages = http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    e2e.Pages.bodies = {"/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": ""}
    threading.Thread(target=pages.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{pages.server_address[1]}"
    with tempfile.TemporaryDirectory(prefix="dravik-header-") as root, desktop.Desktop(tray=False) as desk, \
            a11y.Bus(os.path.join(root, "bus"), os.environ) as bus:
        run_case(binary, "direct", base, bus, desk, root, proxy=False)
        run_case(binary, "proxy", base, bus, desk, root, proxy=True)
    pages.shutdown()


if __name__ == "__main__":
    main()
