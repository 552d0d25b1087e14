#!/usr/bin/env python3
"""The UI thread's longest stall and a pushed quake's way to the archive while the real program works hard, on a
private X display, measured from outside (tests/e2e/ui_stall.py answers `_NET_WM_PING` timing).

Usage: /usr/bin/python3 scripts/stall_figures.py <path to dravik> [first fill] [flood]

One run of the program against a local FDSN service and a local push server:
1. a first fill of 20,000 quakes (the last three days), with a quake pushed every half second meanwhile: each
   push's time to its row in the archive, and the longest stall while the fill is listed and stored;
2. a burst of 1,000 pushes with the list full: the longest stall and the time to the last row;
3. a poll that brings 20,000 new quakes with the list full: the longest stall;
4. a flood of 30,000 pushes: the longest stall and the time to the last row.
A figure script, not a test: it asserts only that everything arrived.
"""

import datetime
import http.server
import os
import statistics
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, HERE)
import archive_e2e  # noqa: E402
import catchup_figures as fdsn  # noqa: E402
import desktop  # noqa: E402
import dravik_e2e as e2e  # noqa: E402
import push_e2e  # noqa: E402
import sources_e2e  # noqa: E402
import ui_stall  # noqa: E402

NOW_MS = int(time.time() * 1000)


def catalogue(count, first, newest_ms, span_ms):
    """count quakes, ids from first on, spread evenly over span_ms up to newest_ms."""
    step = span_ms // count
    return [(newest_ms - span_ms + i * step, f"2026{first + i:07d}", -60 + (i * 7) % 130, -180 + (i * 13) % 360,
             2.0 + i % 40 / 10) for i in range(count)]


class Gated(fdsn.Service):
    """The FDSN service, whose first answer waits until the window is being watched."""
    gate = threading.Event()

    def do_GET(self):
        Gated.gate.wait()
        super().do_GET()


def ids(db):
    """Every report's id that the archive holds: a report another agency's quake took is not a row of its own."""
    try:
        con = fdsn.sqlite3.connect(f"file:{db}?mode=ro", uri=True, timeout=0.2)
        try:
            return con.execute("select count(*) from trze_id").fetchone()[0]
        finally:
            con.close()
    except fdsn.sqlite3.Error:
        return 0


def stored(db, expected, timeout, program):
    end = time.monotonic() + timeout
    while time.monotonic() < end and program.proc.poll() is None:
        if ids(db) >= expected:
            return True
        time.sleep(0.02)
    return False


def main():
    binary = sys.argv[1]
    fill = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    flood = int(sys.argv[3]) if len(sys.argv) > 3 else 30000
    fdsn.QUAKES = catalogue(fill, 0, NOW_MS - 10 * 60 * 1000, 3 * 86400 * 1000)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Gated)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    push = sources_e2e.PushServer()
    now = datetime.datetime.now(datetime.timezone.utc)
    results = []
    with tempfile.TemporaryDirectory(prefix="dravik-stall-") as root, \
            desktop.Desktop(window_manager=False, tray=False) as desk, ui_stall.StallProbe(desk.env["DISPLAY"]) as probe:
        env = e2e.make_env(root, base)
        env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb", DRAVIK_POLL_SECONDS="2",
                   DRAVIK_QUAKE_URL=f"{base}/fdsnws/event/1/query?format=text&limit={fill}",
                   DRAVIK_PUSH_URL=f"ws://127.0.0.1:{push.port}/standing_order/websocket")
        db = os.path.join(env["DRAVIK_DATA_DIR"], "dravik.dat")
        program = archive_e2e.Program(binary, env)
        try:
            window = desk.settled_window(program.proc.pid)
            if window is None or not desktop.wait_for(lambda: push.clients, 30):
                raise SystemExit("FAIL: no window or no push connection")
            probe.attach(window)
            time.sleep(1)
            results.append(("idle, 1 s", probe.longest(), None))

            probe.reset()
            start = time.monotonic()
            Gated.gate.set()
            # One quake pushed every half second while the fill is read, listed and stored.
            waits = []
            for n in range(1, 9):
                time.sleep(0.5)
                sent = time.monotonic()
                push.send(push_e2e.message(n, now))
                if not desktop.wait_for(lambda: f"PUSHED {n}" in (archive_e2e.counts(env) or {}), 60, step=0.02):
                    raise SystemExit(f"FAIL: push {n} during the first fill was not stored")
                waits.append(time.monotonic() - sent)
            print("push waits during the fill:", " ".join(f"{w:.2f}" for w in waits), "at", f"{sent:.3f}")
            if not stored(db, fill + 8, 120, program):
                raise SystemExit(f"FAIL: {ids(db)} of {fill + 8} rows after the first fill")
            results.append((f"first fill of {fill} (8 pushes meanwhile: median {statistics.median(waits):.2f} s, "
                            f"max {max(waits):.2f} s to the row)", probe.longest(), time.monotonic() - start))

            for label, count, first_n in (("burst of 1,000 pushes", 1000, 10), (f"flood of {flood} pushes", flood,
                                                                                  100000)):
                probe.reset()
                before = ids(db)
                start = time.monotonic()
                for n in range(first_n, first_n + count):
                    push.send(push_e2e.message(n, now - datetime.timedelta(seconds=n - first_n)))
                if not stored(db, before + count, 120, program):
                    raise SystemExit(f"FAIL: {ids(db) - before} of {count} rows after the {label}")
                results.append((label, probe.longest(), time.monotonic() - start))
                if first_n == 10:
                    probe.reset()
                    before = ids(db)
                    fdsn.QUAKES = fdsn.QUAKES + catalogue(fill, fill, NOW_MS - 60 * 1000, 5 * 60 * 1000)
                    start = time.monotonic()
                    if not stored(db, before + fill, 120, program):
                        raise SystemExit(f"FAIL: {ids(db) - before} of {fill} rows after the second poll")
                    results.append((f"a poll of {fill} new quakes", probe.longest(), time.monotonic() - start))
            program.terminate("stall figures")
            if os.environ.get("STALL_TRACE"):
                print("\n".join(line for line in program.lines if line.startswith("T ")))
        finally:
            program.kill()
    server.shutdown()
    print("| what | longest UI stall | to the last row |")
    print("|---|---|---|")
    for label, stall, took in results:
        print(f"| {label} | {stall * 1000:.0f} ms | {'' if took is None else f'{took:.1f} s'} |")


if __name__ == "__main__":
    main()
