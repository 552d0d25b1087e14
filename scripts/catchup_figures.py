#!/usr/bin/env python3
"""Catch-up after time off, measured with the real program against a local FDSN event service.

Usage: scripts/catchup_figures.py <path to dravik>

The service on 127.0.0.1 holds 31 days at EMSC's real rate (250 quakes a day) and honours starttime, endtime,
limit and orderby. For 1, 7 and 30 days off, an archive is made whose newest quake of that source is that old;
the program starts offscreen, and the script reports the requests it made and the time from its start until the
archive holds every quake since then. A figure script, not a test: it asserts only that everything arrived.
"""

import datetime
import http.server
import os
import random
import sqlite3
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import archive_e2e  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

PER_DAY = 250
DAYS = 31
NOW_MS = int(time.time() * 1000)
HEADER = ("#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|Magnitude|"
          "MagAuthor|EventLocationName|EventType\n")


def catalogue():
    rng = random.Random(7)
    quakes = []
    for i in range(PER_DAY * DAYS):
        origin = NOW_MS - 5 * 60 * 1000 - rng.randrange(DAYS * 86400 * 1000)
        quakes.append((origin, f"2026{i:07d}", rng.uniform(-60, 70), rng.uniform(-180, 180), rng.uniform(1.5, 6.5)))
    quakes.sort()
    return quakes


QUAKES = catalogue()


def iso(ms):
    return datetime.datetime.fromtimestamp(ms / 1000, datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%S.%f")[:-3]


def parse_time(text):
    return int(datetime.datetime.fromisoformat(text).replace(tzinfo=datetime.timezone.utc).timestamp() * 1000)


class Service(http.server.BaseHTTPRequestHandler):
    requests = []

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path != "/fdsnws/event/1/query":
            self.send_response(200)
            self.end_headers()
            return
        Service.requests.append(self.path)
        q = {k.lower(): v[0] for k, v in urllib.parse.parse_qs(url.query).items()}
        start = parse_time(q["starttime"]) if "starttime" in q else 0
        rows = [x for x in QUAKES if x[0] >= start]
        if q.get("orderby", "time") == "time":
            rows.reverse()
        rows = rows[:int(q.get("limit", "1000"))]
        if not rows:
            self.send_response(204)
            self.end_headers()
            return
        body = HEADER + "".join(f"{i}|{iso(t)}|{la:.3f}|{lo:.3f}|10.0|EMSC|EMSC|EMSC|1|ml|{m:.1f}|EMSC|R {i}|ke\n"
                                for t, i, la, lo, m in rows)
        data = body.encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


def archive_with_newest(path, newest_ms):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    con = sqlite3.connect(path)
    con.execute("CREATE TABLE trze (ID_trz INTEGER,ident  varchar(31),mag    varchar(4),region varchar(40),"
                "data1 varchar(15),data2 varchar(15),wsp1 varchar(8),wsp2 varchar(8))")
    con.execute("CREATE TABLE trze_id (id TEXT PRIMARY KEY, row INTEGER NOT NULL, source TEXT NOT NULL, "
                "origin_ms INTEGER, creator INTEGER NOT NULL, depth TEXT)")
    con.execute("INSERT INTO trze (mag,region) VALUES ('4.0','BEFORE')")
    con.execute("INSERT INTO trze_id VALUES ('127.0.0.1:old',1,'127.0.0.1',?,1,'10')", (newest_ms,))
    con.commit()
    con.close()


def rows(path):
    try:
        con = sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=0.2)
        try:
            return con.execute("select count(*) from trze").fetchone()[0]
        finally:
            con.close()
    except sqlite3.Error:
        return 0


def main():
    binary = sys.argv[1]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Service)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    print("| days off | quakes to catch up | requests | start to all stored |")
    print("|---|---|---|---|")
    for days in (1, 7, 30):
        with tempfile.TemporaryDirectory() as root:
            env = e2e.make_env(root, base)
            env["DRAVIK_QUAKE_URL"] = base + "/fdsnws/event/1/query?format=text&limit=50"
            db = os.path.join(env["DRAVIK_DATA_DIR"], "dravik.dat")
            newest = NOW_MS - days * 86400 * 1000
            archive_with_newest(db, newest)
            # An hour before the newest, never more than 30 days back (a minute's slack for the start's own clock).
            since = max(newest - 3600 * 1000, int(time.time() * 1000) - 30 * 86400 * 1000 + 60 * 1000)
            expected = 1 + sum(1 for q in QUAKES if q[0] >= since)
            Service.requests = []
            start = time.monotonic()
            program = archive_e2e.Program(binary, env)
            try:
                while rows(db) < expected:
                    if time.monotonic() - start > 120 or program.proc.poll() is not None:
                        raise SystemExit(f"FAIL: {rows(db)} of {expected} rows after {days} days off")
                    time.sleep(0.02)
                elapsed = time.monotonic() - start
                print(f"| {days} | {expected - 1} | {len(Service.requests)} | {elapsed:.2f} s |")
                program.terminate(f"{days} days off")
            finally:
                program.kill()
    server.shutdown()


if __name__ == "__main__":
    main()
