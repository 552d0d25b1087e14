"""One earthquake's world for the identity cases: two agencies' catalogues (an FDSN service and a USGS-like
feed) and EMSC's push on 127.0.0.1, what the archive holds, and the checks; shared with completeness_e2e.py."""

import datetime
import math
import os
import random
import re
import sqlite3
import statistics
import sys
import tempfile
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import archive_e2e  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

SKIPPED = 77
SANITIZED = bool(os.environ.get("ASAN_OPTIONS"))
HOUR = 3600_000
MINUTE = 60_000
POLL_SECONDS = 2
WAIT = 60.0
FDSN_PATH = "/fdsnws/event/1/query"
USGS_PATH = "/earthquakes/feed/v1.0/summary/all_day.geojson"
FDSN_PREFIX = "127.0.0.1:"
USGS_PREFIX = "localhost:"
PUSH_PREFIX = "emsc:"
SETTINGS = "[General]\nlang=EN\n[alert]\nglobalMagnitude=5.0\n[notify]\nminMagnitude=5.0\n"
REGIONS = ["SOUTHERN GREECE", "NORTHERN CHILE", "KEPULAUAN TALAUD, INDONESIA", "CENTRAL TURKEY",
           "NEAR COAST OF PERU", "HOKKAIDO, JAPAN REGION", "SOUTHERN ALASKA", "CRETE, GREECE", "FIJI REGION",
           "NORTHERN ITALY", "ICELAND", "CENTRAL CALIFORNIA", "SICILY, ITALY", "WESTERN IRAN", "PUERTO RICO REGION"]


def now_ms():
    return int(time.time() * 1000)


def iso(ms):
    t = datetime.datetime.fromtimestamp(ms // 1000, datetime.timezone.utc)
    return t.strftime("%Y-%m-%dT%H:%M:%S") + f".{ms % 1000 // 100}Z"


def km(a, b):
    la1, lo1, la2, lo2 = map(math.radians, (a["lat"], a["lon"], b["lat"], b["lon"]))
    h = math.sin((la2 - la1) / 2) ** 2 + math.cos(la1) * math.cos(la2) * math.sin((lo2 - lo1) / 2) ** 2
    return 2 * 6371 * math.asin(math.sqrt(min(1.0, h)))


def fail(text):
    raise SystemExit(f"FAIL: {text}")


# ---------------------------------------------------------------------------------------------------- the data


class Catalogue:
    """The first agency's quakes, and which of them the test gives a special part."""

    def __init__(self, t0):
        rng = random.Random(20261207)
        self.t0 = t0
        self.quakes = []
        seq = [0]

        def add(t, lat, lon, mag, region, depth=None):
            seq[0] += 1
            day = datetime.datetime.fromtimestamp(t // 1000, datetime.timezone.utc).strftime("%Y%m%d")
            q = {"id": f"{day}_{seq[0]:07d}", "t": t, "lat": round(lat, 2), "lon": round(lon, 2),
                 "depth": depth if depth is not None else round(rng.uniform(2, 150), 1), "mag": mag, "region": region}
            self.quakes.append(q)
            return q

        # Aftershock sequences (minute-aligned starts): within each marked pair both quakes share the minute,
        # magnitude, position and region, so every text of their rows is equal.
        minute0 = t0 - t0 % MINUTE
        self.equal_pairs = []
        self.sequences = []
        for start, lat, lon, region in ((minute0 - 18 * HOUR, 37.50, 20.10, "IONIAN SEA"),
                                        (minute0 - 5 * HOUR, 42.10, 13.40, "CENTRAL ITALY")):
            self.sequences.append((start - 5 * MINUTE, start + 45 * MINUTE))
            add(start, lat, lon, 4.4, region, 10.0)
            for offset in (130, 250, 905, 1500, 1820, 2110, 2400):
                add(start + offset * 1000, lat + rng.choice((-0.02, 0.0, 0.03)), lon + rng.choice((-0.01, 0.02)),
                    round(rng.uniform(2.0, 3.4), 1), region, 10.0)
            for first, second, mag, dlat, dlon in ((610, 640, 2.5, 0.02, 0.02), (1210, 1235, 2.8, -0.01, -0.02)):
                a = add(start + first * 1000, lat + dlat, lon + dlon, mag, region, 10.0)
                b = add(start + second * 1000, lat + dlat, lon + dlon, mag, region, 10.0)
                self.equal_pairs.append((a, b))

        # Quakes the test follows by name: three revised by their source in run 2, the newest run 1 gets, a
        # fresh strong one that run 2's first cycle lists, the newest of all (revised while run 2 runs).
        edge = t0 - 12 * HOUR
        place = lambda: (rng.uniform(-30, 55), rng.uniform(-170, 170))  # noqa: E731
        self.revised_mag = add(edge - 50 * MINUTE, *place(), 3.1, "NEAR COAST OF PERU")
        self.revised_region = add(edge - 40 * MINUTE, *place(), 3.7, "FIJI REGION")
        self.revised_all = add(edge - 30 * MINUTE, *place(), 4.0, "WESTERN IRAN")
        self.newest_lagged = add(edge - 15 * MINUTE, *place(), 2.9, "ICELAND")
        self.fresh_strong = add(t0 - 30 * MINUTE, 10.20, 125.60, 5.6, "MINDANAO, PHILIPPINES")
        self.latest = add(t0 - 4 * MINUTE, 36.30, 27.90, 3.3, "DODECANESE ISLANDS, GREECE")

        # The daily rate around them (about 250 a day), leaving the day's edge, the 12 h edge and the named
        # quakes' surroundings clear so that which side of an edge each quake is on never depends on timing.
        clear = [(t0 - 24 * HOUR - 10 * MINUTE, t0 - 24 * HOUR + 10 * MINUTE), (edge - 60 * MINUTE, edge + 5 * MINUTE),
                 (t0 - 35 * MINUTE, t0 - 25 * MINUTE), (t0 - 10 * MINUTE, t0)] + self.sequences
        t = t0 - 36 * HOUR
        while True:
            t += rng.randint(150, 540) * 1000 + rng.randint(0, 9) * 100
            if t >= t0:
                break
            if any(a <= t <= b for a, b in clear):
                continue
            add(t, *place(), round(rng.uniform(2.0, 4.7), 1), rng.choice(REGIONS))
        self.quakes.sort(key=lambda q: (q["t"], q["id"]))

        # Revisions run 2's service gives (same id, other values).
        self.revisions = {
            self.revised_mag["id"]: {"mag": 3.6},
            self.revised_region["id"]: {"region": "SOUTH OF FIJI ISLANDS"},
            self.revised_all["id"]: {"mag": 4.3, "region": "IRAN-IRAQ BORDER REGION",
                                     "lat": round(self.revised_all["lat"] + 0.05, 2)},
        }

        # Shifted copies only of quakes with no other quake near in time and place, so each copy has one match.
        def isolated(q):
            return all(o is q or abs(o["t"] - q["t"]) > 300_000 or km(o, q) > 300 for o in self.quakes)

        def pick(n, older, newer, taken):
            found = [q for q in self.quakes if t0 - older <= q["t"] <= t0 - newer and q not in taken and
                     q["mag"] < 4.5 and isolated(q)]
            if len(found) < n:
                raise SystemExit(f"test data: only {len(found)} isolated quakes to copy")
            return rng.sample(found, n)

        self.copied_run1 = pick(3, 22 * HOUR, 14 * HOUR, []) + [self.revised_all]
        self.copied_late = pick(2, 20 * HOUR, 14 * HOUR, self.copied_run1)
        self.copied_run2 = pick(2, 10 * HOUR, 1 * HOUR, [])

    def published(self, cutoff=None, revised=None):
        out = []
        for q in self.quakes:
            if cutoff is None or q["t"] < cutoff:
                out.append(dict(q, **(revised or {}).get(q["id"], {})))
        return out

    def in_reach(self, start):
        """Ids of the quakes a first start's catch-up reaches (origin at or after its start)."""
        return {FDSN_PREFIX + q["id"] for q in self.quakes if q["t"] >= start}


def fdsn_body(quakes):
    header = ("#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|"
              "Magnitude|MagAuthor|EventLocationName|EventType\n")
    return header + "".join(
        f"{q['id']}|{iso(q['t'])}|{q['lat']:.2f}|{q['lon']:.2f}|{q['depth']:.1f}|EMSC|EMSC-RTS|EMSC|{q['id']}|ml|"
        f"{q['mag']:.1f}|EMSC|{q['region']}|ke\n" for q in quakes)


def usgs_copy(q, n):
    return {"id": f"us7000c{n:03d}", "t": q["t"] + 20_000, "lat": q["lat"] + 0.18, "lon": q["lon"],
            "depth": q["depth"] + 5, "mag": round(q["mag"] + 0.2, 1), "region": f"{12 + n} km NNE of {q['region']}"}


def usgs_body(quakes):
    features = ",".join(
        '{"type":"Feature","id":"%s","properties":{"mag":%.1f,"place":"%s","time":%d,"type":"earthquake"},'
        '"geometry":{"type":"Point","coordinates":[%.3f,%.3f,%.1f]}}'
        % (q["id"], q["mag"], q["region"], q["t"], q["lon"], q["lat"], q["depth"]) for q in quakes)
    return '{"type":"FeatureCollection","metadata":{"count":%d},"features":[%s]}' % (len(quakes), features)


def push_message(action, quake):
    return ('{"action":"%s","data":{"type":"Feature","id":"%s","geometry":{"type":"Point","coordinates":'
            '[%.2f,%.2f,%.1f]},"properties":{"unid":"%s","time":"%s","lat":%.2f,"lon":%.2f,"depth":%.1f,'
            '"mag":%.1f,"magtype":"ml","flynn_region":"%s","lastupdate":"%s"}}}'
            % (action, quake["id"], quake["lon"], quake["lat"], -quake["depth"], quake["id"], iso(quake["t"]),
               quake["lat"], quake["lon"], quake["depth"], quake["mag"], quake["region"], iso(now_ms())))


# ------------------------------------------------------------------------------------------------- the servers


class World:
    """What the HTTP services serve, and every request they were sent."""
    lock = threading.Lock()
    run = 0
    fdsn_quakes = []
    usgs = ""
    requests = []  # (run, path, params, monotonic time)
    bad = []  # requests the FDSN service could not read

    @classmethod
    def hit(cls, run, path):
        with cls.lock:
            return any(r[0] == run and r[1] == path for r in cls.requests)

    @classmethod
    def catch_ups(cls, run):
        with cls.lock:
            return [r[2] for r in cls.requests if r[0] == run and r[1] == FDSN_PATH and "starttime" in r[2]]

    @classmethod
    def polls(cls, run):
        with cls.lock:
            return sum(1 for r in cls.requests if r[0] == run and r[1] == FDSN_PATH and "starttime" not in r[2])


def fdsn_time_ms(text):
    m = re.fullmatch(r"(\d{4})-(\d\d)-(\d\d)(?:T(\d\d):(\d\d):(\d\d)(?:\.(\d{1,6}))?)?", text)
    if not m:
        return None
    y, mo, d, h, mi, s, frac = m.groups()
    t = datetime.datetime(int(y), int(mo), int(d), int(h or 0), int(mi or 0), int(s or 0),
                          tzinfo=datetime.timezone.utc)
    return int(t.timestamp()) * 1000 + (int((frac or "0").ljust(3, "0")[:3]))


def fdsn_answer(params):
    """(status, body) as an FDSN event service answers: time windows, order and limit honoured, 204 for none."""
    with World.lock:
        quakes = list(World.fdsn_quakes)
    bounds = {}
    for name, alias in (("starttime", "start"), ("endtime", "end")):
        text = params.get(name, params.get(alias))
        if text is not None:
            bounds[name] = fdsn_time_ms(text)
            if bounds[name] is None:
                return 400, f"Bad {name}: {text}"
    if bounds.get("starttime") is not None:
        quakes = [q for q in quakes if q["t"] >= bounds["starttime"]]
    if bounds.get("endtime") is not None:
        quakes = [q for q in quakes if q["t"] <= bounds["endtime"]]
    order = params.get("orderby", "time")
    if order not in ("time", "time-asc"):
        return 400, f"Bad orderby: {order}"
    quakes.sort(key=lambda q: (q["t"], q["id"]), reverse=order == "time")
    limit = params.get("limit")
    if limit is not None:
        if not limit.isdigit() or int(limit) < 1:
            return 400, f"Bad limit: {limit}"
        quakes = quakes[:int(limit)]
    if not quakes:
        return 204, ""
    return 200, fdsn_body(quakes)


class Services(e2e.http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        params = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        with World.lock:
            World.requests.append((World.run, url.path, params, time.monotonic()))
            usgs = World.usgs
        status, body = 404, "Not found"
        if url.path == FDSN_PATH:
            status, body = fdsn_answer(params)
            if status == 400:
                with World.lock:
                    World.bad.append(f"{self.path}: {body}")
        elif url.path == USGS_PATH:
            status, body = 200, usgs
        elif url.path == "/wind":
            status, body = 200, e2e.SOLAR_WIND_PAGE
        elif url.path in ("/xray", "/site"):
            status, body = 200, "<html></html>"
        data = body.encode("utf-8")
        self.send_response(status)
        if status != 204:
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if status != 204:
            self.wfile.write(data)

    def log_message(self, *args):
        pass


# ------------------------------------------------------------------------------------------------- the archive


class Archive:
    """One read of dravik.dat: rows by rowid and ids with (row, creator)."""

    def __init__(self, rows, ids):
        self.rows = rows
        self.ids = ids

    @staticmethod
    def read(env):
        db = os.path.join(env["DRAVIK_DATA_DIR"], "dravik.dat")
        if not os.path.exists(db):
            return Archive({}, {})
        try:
            con = sqlite3.connect(f"file:{db}?mode=ro", uri=True, timeout=0.5)
            try:
                rows = {r[0]: r[1:] for r in con.execute(
                    "select rowid, mag, region, data1, data2, wsp1, wsp2 from trze")}
                ids = {r[0]: (r[1], r[2]) for r in con.execute("select id, row, creator from trze_id")}
            finally:
                con.close()
        except sqlite3.Error:
            return None
        return Archive(rows, ids)

    def creators(self):
        return {i: row for i, (row, creator) in self.ids.items() if creator == 1}

    def row_of(self, ident):
        entry = self.ids.get(ident)
        return None if entry is None else entry[0]

    def texts(self, ident):
        row = self.row_of(ident)
        return None if row is None else self.rows.get(row)

    @staticmethod
    def complete_mark(env, source):
        """How far the archive holds every report of the source: its mark, or its addresses' (kept under the
        agency's key, a blank and the address), the furthest."""
        db = os.path.join(env["DRAVIK_DATA_DIR"], "dravik.dat")
        con = sqlite3.connect(f"file:{db}?mode=ro", uri=True, timeout=5)
        try:
            row = con.execute("select max(complete_ms) from trze_mark where source=? or substr(source,1,?)=?",
                              (source, len(source) + 1, source + " ")).fetchone()
            return None if row is None else row[0]
        finally:
            con.close()


def sample(items, n=5):
    items = sorted(items)
    return ", ".join(items[:n]) + (f" ... ({len(items)} in all)" if len(items) > n else "")


def check_identity(archive, expected, merged, what):
    """Every expected quake one row made by its own id, nothing else a row, each copy an id of its quake's row."""
    problems = []
    creators = archive.creators()
    missing, extra = expected - set(creators), set(creators) - expected
    if missing:
        problems.append(f"{what}: {len(missing)} quakes not stored (by their own id): {sample(missing)}")
    if extra:
        problems.append(f"{what}: {len(extra)} rows made by ids that should not make one: {sample(extra)}")
    per_row = {}
    for ident, (row, creator) in archive.ids.items():
        per_row.setdefault(row, []).append(ident)
    without = [row for row in archive.rows if not any(archive.ids[i][1] == 1 for i in per_row.get(row, []))]
    shared = [row for row in archive.rows if sum(archive.ids[i][1] for i in per_row.get(row, [])) > 1]
    if len(archive.rows) != len(expected) or without or shared:
        problems.append(f"{what}: {len(archive.rows)} rows in trze for {len(expected)} quakes; {len(without)} rows "
                        f"without their creating id, {len(shared)} with two")
    for copy, quake in merged.items():
        entry = archive.ids.get(copy)
        if entry is None:
            problems.append(f"{what}: the second agency's id {copy} is not kept (a copy of {quake})")
        elif entry[1] == 1 or entry[0] != archive.row_of(quake):
            texts = archive.rows.get(entry[0])
            problems.append(f"{what}: {copy}, a shifted copy of {quake}, is "
                            f"{'a row of its own' if entry[1] == 1 else 'an id of another row'}: {texts}")
    return problems


def check_equal_texts(archive, catalogue, what):
    problems = []
    for a, b in catalogue.equal_pairs:
        ia, ib = FDSN_PREFIX + a["id"], FDSN_PREFIX + b["id"]
        ra, rb = archive.row_of(ia), archive.row_of(ib)
        if ra is None or rb is None:
            continue  # reported as missing already
        if archive.rows[ra] != archive.rows[rb]:
            raise SystemExit(f"test data: {ia} and {ib} were meant to have equal texts: {archive.rows[ra]} "
                             f"{archive.rows[rb]}")
        if ra == rb:
            problems.append(f"{what}: {ia} and {ib}, two quakes of one agency with equal texts, share row {ra}")
    return problems


# ------------------------------------------------------------------------------------------------- the program


class Run:
    """The program once, with its environment, its stderr and the time it was started."""

    def __init__(self, binary, env, number):
        with World.lock:
            World.run = number
        self.env = env
        self.number = number
        self.started = time.monotonic()
        self.program = archive_e2e.Program(binary, env)

    def wait(self, predicate, timeout, what, detail=lambda: ""):
        if not e2e.wait_for(predicate, timeout, self.program.proc):
            status = self.program.proc.poll()
            tail = "\n".join(self.program.lines[-15:])
            fail(f"run {self.number}: {what} (waited {timeout:.0f} s; exit status {status}) {detail()}\n{tail}")

    def archive(self):
        """The archive as it is now; empty while it cannot be read (not made yet, being written)."""
        deadline = time.monotonic() + 10
        a = Archive.read(self.env)
        while a is None and time.monotonic() < deadline:
            time.sleep(0.05)
            a = Archive.read(self.env)
        return a if a is not None else Archive({}, {})

    def sounds(self):
        return len(self.program.lines_with("dravik.alert: sound"))


class Notices:
    def __init__(self, record):
        self.record = record

    def all(self):
        return e2e.recorded(self.record)

    def count(self):
        return len(self.all())

    def settle(self, run, before, expected, what, problems):
        """Waits for `expected` new notices (a moment longer when none is due) and returns the new ones."""
        deadline = time.monotonic() + (5.0 if expected else 1.0)
        while time.monotonic() < deadline and self.count() - before < max(expected, 1):
            time.sleep(0.05)
        if expected:
            time.sleep(0.5)  # a second notice would come right after the first
        new = self.all()[before:]
        if len(new) != expected:
            problems.append(f"run {run.number}: {what}: {len(new)} notifications, expected {expected}: "
                            f"{[(n['summary'], n['body']) for n in new]}")
        return new


def push_and_wait(run, push, action, quake, text_check, what):
    """Pushes one message and waits for the row to show it; the seconds it took."""
    sent = time.monotonic()
    push.send(push_message(action, quake))
    ident = PUSH_PREFIX + quake["id"]
    run.wait(lambda: text_check(run.archive().texts(ident)), 15, f"{what}: row of {ident} not as pushed")
    return time.monotonic() - sent


def shows(quake):
    return lambda texts: (texts is not None and texts[0].strip() == f"{quake['mag']:.1f}" and
                          texts[1] == quake["region"])


# ------------------------------------------------------------------------------------------------------ main
