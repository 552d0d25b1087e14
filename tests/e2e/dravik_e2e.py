#!/usr/bin/env python3
"""Starts the real program offscreen against pages served on 127.0.0.1 and checks one polling cycle.

Usage: dravik_e2e.py <path to dravik>

1. With the earthquake address refusing connections: the time from the start to the first solar-wind
   request (the cycle begins right after the window's initialisation); then SIGTERM.
2. With an earthquake page of 20 rows and a solar-wind page: waits for the first cycle, checks the 20 rows
   stored in $DRAVIK_DATA_DIR/dravik.dat, sends SIGTERM and expects exit status 0 within 5 seconds.
3. With today's sources, EMSC's FDSN event text and NOAA's solar-wind JSON: the rows stored in the same text
   forms as from the page (coordinates with two decimals and a trailing blank, "-" for south and west).
4. With an earthquake server that never answers: SIGTERM while the cycle waits in that fetch ends the
   program just as cleanly.
5. With alert thresholds set (global 5.0), a private session bus and a stand-in notification service: of a
   second page with new events 4.9, 5.0 and 6.1 only the last two sound (the program's alert log) and are
   notified (the stand-in's record); all are listed and stored.
"""

import contextlib
import http.server
import json
import os
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

ROWS = 20
CYCLE_TIMEOUT = 60.0
EXIT_TIMEOUT = 5.0


def quake_row(event_id, mag, region, lat, lon):
    return (f'<tr id="{event_id}" class="ev"><td class="tabev6">'
            f'<a href="/Earthquake/earthquake.php?id={event_id}">2016-05-10&#160;&#160;&#160;18:03:19.0</a></td>'
            f'<td class="tabev1">{lat}&nbsp;</td><td class="tabev2">N&nbsp;</td>'
            f'<td class="tabev1">{lon}&nbsp;</td><td class="tabev2">E&nbsp;</td>'
            f'<td class="tabev3">10</td><td class="tabev2">{mag}</td>'
            f'<td class="tb_region" >&#160;{region}</td></tr>\n')


def quake_page():
    rows = [quake_row(500000 + i, f"{3 + i * 0.25:.1f}", f"REGION {i}", f"{10 + i}.50", f"{20 + i}.25")
            for i in range(ROWS)]
    return "<html><body><table>\n" + "".join(rows) + "</table></body></html>\n"


FDSN_TEXT = (
    "#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|Magnitude|"
    "MagAuthor|EventLocationName|EventType\n"
    "20171031_0000002|2017-10-31T00:42:12.4Z|-21.71|-68.5|112.3|EMSC|EMSC-RTS|EMSC|636462|mb|4.6|EMSC|"
    "NORTHERN CHILE|ke\n"
    "20171030_0000141|2017-10-30T23:59:00.0Z|38.8|20.62|10.0|EMSC|EMSC-RTS|EMSC|636460|ML|3.1|THE|"
    "SOUTHERN GREECE|ke\n")

SOLAR_WIND_JSON = ('[{"time_tag":"2026-12-07T05:59:00","active":false,"source":"DSCOVR","proton_speed":null,'
                   '"proton_density":null},'
                   '{"time_tag":"2026-12-07T05:59:00","active":true,"source":"ACE","proton_speed":412.3,'
                   '"proton_density":5.1}]')

SOLAR_WIND_PAGE = "<html><body>Solar wind speed: <b>412.3</b> km/s density: <b>5.1</b> protons</body></html>\n"


class Pages(http.server.BaseHTTPRequestHandler):
    bodies = {}
    # Pages that change: the n-th request gets the n-th body, the last one from then on.
    sequences = {}
    counts = {}
    hits = {}
    lock = threading.Lock()

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        with Pages.lock:
            Pages.hits.setdefault(path, time.monotonic())
            count = Pages.counts.get(path, 0)
            Pages.counts[path] = count + 1
        if path == "/stall":
            time.sleep(30)
            return
        body = Pages.bodies.get(path)
        if path in Pages.sequences:
            sequence = Pages.sequences[path]
            body = sequence[min(count, len(sequence) - 1)]
        if body is None:
            self.send_response(404)
            body = "Not found"
        else:
            self.send_response(200)
        data = body.encode("utf-8")
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


def refused_url():
    # A port that was free a moment ago and has no listener.
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return f"http://127.0.0.1:{port}/"


def make_env(root, base, settings=""):
    env = dict(os.environ)
    for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        path = os.path.join(root, name.lower())
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[name] = path
    env["DRAVIK_DATA_DIR"] = os.path.join(root, "data")
    # A language is stored, so no first-start dialog waits for an answer.
    os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "Korvan"), exist_ok=True)
    with open(os.path.join(env["XDG_CONFIG_HOME"], "Korvan", "Dravik.conf"), "w") as f:
        f.write("[General]\nlang=PL\n" + settings)
    env.update({
        "QT_QPA_PLATFORM": "offscreen",
        "DRAVIK_TILE_URL": "http://127.0.0.1:9/{z}/{x}/{y}.png",
        "DRAVIK_QUAKE_URL": base + "/quake",
        "DRAVIK_SOLAR_WIND_URL": base + "/wind",
        "DRAVIK_XRAY_URL": base + "/xray",
        "DRAVIK_TSUNAMI_URL": "",  # no tsunami feed: the real centres are never asked
        "DRAVIK_EVENT_DETAIL_URL": "",  # nor USGS's event details
        "DRAVIK_SITE_URL": base + "/site",
        "DRAVIK_POLL_SECONDS": "300",
        "TZ": "UTC",
    })
    env.pop("DRAVIK_MAP_URL", None)
    env.pop("http_proxy", None)
    env.pop("ALL_PROXY", None)
    return env


def wait_for(predicate, timeout, proc):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        if proc.poll() is not None:
            return False
        time.sleep(0.05)
    return False


def terminate(proc, what):
    start = time.monotonic()
    proc.send_signal(signal.SIGTERM)
    try:
        status = proc.wait(timeout=EXIT_TIMEOUT)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        raise SystemExit(f"FAIL ({what}): no exit within {EXIT_TIMEOUT} s of SIGTERM")
    elapsed = time.monotonic() - start
    if status != 0:
        raise SystemExit(f"FAIL ({what}): exit status {status} after SIGTERM")
    print(f"{what}: exit status 0, {elapsed:.2f} s after SIGTERM")


def run(binary, root, base, quake_url=None, wait_path="/xray", wind_url=None):
    Pages.hits = {}
    env = make_env(root, base)
    if quake_url:
        env["DRAVIK_QUAKE_URL"] = quake_url
    if wind_url:
        env["DRAVIK_SOLAR_WIND_URL"] = wind_url
    start = time.monotonic()
    proc = subprocess.Popen([binary], env=env)
    try:
        if not wait_for(lambda: wait_path in Pages.hits, CYCLE_TIMEOUT, proc):
            raise SystemExit(f"FAIL: no complete cycle within {CYCLE_TIMEOUT} s (exit status {proc.poll()})")
        return proc, env, Pages.hits.get("/wind", start) - start
    except BaseException:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        raise


def stored_rows(env, proc):
    db = os.path.join(env["DRAVIK_DATA_DIR"], "dravik.dat")
    try:
        con = sqlite3.connect(f"file:{db}?mode=ro", uri=True, timeout=5)
        rows = con.execute("select mag, region, data1, data2, wsp1, wsp2 from trze order by region").fetchall()
        con.close()
        return rows
    except sqlite3.Error as e:
        proc.kill()
        raise SystemExit(f"FAIL: cannot read {db}: {e}")


def fdsn_rows(binary, root, base):
    proc, env, _ = run(binary, root, base, quake_url=base + "/fdsn", wind_url=base + "/windjson")
    rows = stored_rows(env, proc)
    expected = [("4.6", "NORTHERN CHILE", "2017-10-31", "01:42", "-21.71 ", "-68.50 "),
                ("3.1", "SOUTHERN GREECE", "2017-10-31", "00:59", "38.80 ", "20.62 ")]
    if rows != expected:
        proc.kill()
        raise SystemExit(f"FAIL: FDSN rows stored as {rows}, expected {expected}")
    print(f"{len(rows)} rows from the FDSN event text stored in dravik.dat")
    terminate(proc, "FDSN run")


ALERT_SETTINGS = "\n[alert]\nglobalMagnitude=5.0\n"


def alert_pages():
    first = [quake_row(700001, "5.5", "OLD ONE", "10.50", "20.25"), quake_row(700002, "3.0", "OLD TWO", "11.50", "21.25")]
    new = [quake_row(700011, "4.9", "NEW 4.9", "12.50", "22.25"), quake_row(700012, "5.0", "NEW 5.0", "13.50", "23.25"),
           quake_row(700013, "6.1", "NEW 6.1", "14.50", "24.25")]
    wrap = lambda rows: "<html><body><table>\n" + "".join(rows) + "</table></body></html>\n"
    return [wrap(first), wrap(new + first)]


def start_bus(root, markup=False):
    """A private session bus with the stand-in notification service (claiming body markup from its first answer
    when asked); None where the packages are missing."""
    daemon = shutil.which("dbus-daemon")
    standin = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common", "notification_standin.py")
    if daemon is None or not os.path.exists("/usr/bin/python3"):
        return None
    os.makedirs(root, exist_ok=True)
    bus = subprocess.Popen([daemon, "--session", "--nofork", "--print-address=1",
                            f"--address=unix:path={root}/bus"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    address = bus.stdout.readline().decode().strip()
    record = os.path.join(root, "notify.jsonl")
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
    if markup:
        env["DRAVIK_STANDIN_BODY_MARKUP"] = "1"
    service = subprocess.Popen(["/usr/bin/python3", standin, record], env=env, stdout=subprocess.PIPE)
    if not service.stdout.readline().startswith(b"ready"):
        service.kill()
        bus.kill()
        raise SystemExit("FAIL: the stand-in notification service did not start (python3-dbus, python3-gi?)")
    return bus, service, address, record


@contextlib.contextmanager
def notification_bus(root, what, markup=False):
    """The private bus and stand-in notification service of one run, as (address, record), ended with the run;
    exits with CTest's skip status (77) where dbus-daemon or python3 is missing, naming the run."""
    started = start_bus(os.path.join(root, "bus"), markup)
    if started is None:
        print(f"skipped: {what}: dbus-daemon or /usr/bin/python3 missing")
        sys.exit(77)  # the runs before this one passed; this one did not run
    bus, service, address, record = started
    try:
        yield address, record
    finally:
        for proc in (service, bus):
            proc.kill()
            proc.wait()


@contextlib.contextmanager
def running(args, env, **popen):
    """The program started for a run, killed if it is still running when the run ends (a failure)."""
    proc = subprocess.Popen(args, env=env, **popen)
    try:
        yield proc
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def recorded(record):
    if not os.path.exists(record):
        return []
    with open(record, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


# A home whose name holds markup: a service that renders markup must get it escaped.
MARKUP_HOME = "\n[home]\nlatitude=12.0\nlongitude=22.0\nname=<b>Dom & Co</b>\n"


def alerts_run(binary, root, base, markup=False):
    with notification_bus(root, "alerts run", markup) as (address, record):
        Pages.counts = {}
        env = make_env(root, base, ALERT_SETTINGS + (MARKUP_HOME if markup else ""))
        env.update({"DRAVIK_QUAKE_URL": base + "/alerts", "DRAVIK_POLL_SECONDS": "1",
                    "DBUS_SESSION_BUS_ADDRESS": address, "QT_LOGGING_RULES": "dravik.alert.info=true"})
        log_path = os.path.join(root, "stderr.log")
        with open(log_path, "w") as log, running([binary], env=env, stderr=log) as proc:
            # Two notices, then one more cycle that must add nothing.
            if not wait_for(lambda: len(recorded(record)) >= 2 and Pages.counts.get("/alerts", 0) >= 3,
                            CYCLE_TIMEOUT, proc):
                raise SystemExit(f"FAIL: alerts run: notices {recorded(record)}, fetches {Pages.counts}")
            summaries = sorted(n["summary"] for n in recorded(record))
            if summaries != ["M 5.0 NEW 5.0", "M 6.1 NEW 6.1"]:
                raise SystemExit(f"FAIL: notified {summaries}, expected the 5.0 and the 6.1")
            if markup:
                bodies = [n["body"] for n in recorded(record)]
                if not all("&lt;b&gt;Dom &amp; Co&lt;/b&gt;" in b and "<b>" not in b for b in bodies):
                    raise SystemExit(f"FAIL: a service that renders markup got the home's name unescaped: {bodies}")
                print("markup run: the home's name reached a markup-rendering service escaped")
            with open(log_path, encoding="utf-8", errors="replace") as f:
                sounds = [line for line in f if line.startswith("dravik.alert: sound")]
            if len(sounds) != 2:
                raise SystemExit(f"FAIL: {len(sounds)} sounds, expected 2: {sounds}")
            rows = stored_rows(env, proc)
            if sorted(r[1] for r in rows) != ["NEW 4.9", "NEW 5.0", "NEW 6.1", "OLD ONE", "OLD TWO"]:
                raise SystemExit(f"FAIL: alerts run stored {rows}")
            print(f"alerts run: {len(rows)} rows stored, 2 sounds, notices {summaries}")
            terminate(proc, "alerts run")


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    Pages.sequences = {"/alerts": alert_pages()}
    Pages.bodies = {"/quake": quake_page(), "/wind": SOLAR_WIND_PAGE, "/fdsn": FDSN_TEXT, "/windjson": SOLAR_WIND_JSON, "/xray": "<html></html>", "/site": ""}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"

    with tempfile.TemporaryDirectory(prefix="dravik-e2e-") as root:
        proc, _, to_cycle = run(binary, os.path.join(root, "refused"), base, quake_url=refused_url())
        print(f"quake server refusing: {to_cycle:.2f} s from start to the window's first cycle")
        terminate(proc, "refused run")

        proc, env, to_cycle = run(binary, os.path.join(root, "normal"), base)
        print(f"first cycle done {to_cycle:.2f} s after start")
        rows = stored_rows(env, proc)
        regions = sorted(f"REGION {i}" for i in range(ROWS))
        if len(rows) != ROWS or sorted(r[1] for r in rows) != regions:
            proc.kill()
            raise SystemExit(f"FAIL: {len(rows)} rows stored, expected {ROWS}: {rows[:3]}...")
        first = [r for r in rows if r[1] == "REGION 0"][0]
        if first[2] != "2016-05-10" or first[4] != "10.50 " or first[5] != "20.25 ":
            proc.kill()
            raise SystemExit(f"FAIL: row stored as {first}")
        print(f"{len(rows)} rows stored in dravik.dat")
        terminate(proc, "normal run")

        fdsn_rows(binary, os.path.join(root, "fdsn"), base)

        proc, _, _ = run(binary, os.path.join(root, "stalled"), base, quake_url=base + "/stall", wait_path="/stall")
        time.sleep(0.3)
        terminate(proc, "run stalled in a fetch")

        alerts_run(binary, os.path.join(root, "alerts"), base)
        alerts_run(binary, os.path.join(root, "markup"), base, markup=True)

    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
