#!/usr/bin/env python3
"""Nothing a source published is lost, and each quake is one row, with the real program offscreen against
services on 127.0.0.1.

Usage: completeness_e2e.py <path to dravik> [case ...]   (cases: stop error orderby ties merge ids locked stale)

An FDSN event service (text) on 127.0.0.1 that reads the standard parameters (time and area bounds, orderby,
limit, offset; 204 for none, 400 for what it cannot read) and a USGS-like GeoJSON day feed on the host name
"localhost", a second agency. Polls every 2 s, no push. Each case runs in a data directory of its own.

stop     5,000 quakes over 20 h; SIGTERM once the archive holds its first rows, a restart: all stored, each once.
error    3,000 quakes over 20 h, the second catch-up page answered with HTTP 500 once: all stored by a later
         cycle of the same run, and stderr says the catch-up was cut short.
orderby  3,000 quakes over 30 days (catch-up reach 30 days) from a service that ignores orderby and always
         answers newest first: all stored.
ties     1,500 quakes at one origin time, ties always in one order: all stored.
merge    agency A's main shock; agency B's aftershock (+31 s, 25 km, M -0.8) listed before its report of that
         main shock (+1 s, 1 km): B's main shock an id of A's row, B's aftershock a row of its own.
ids      a revision whose `ids` also names another stored quake of its agency revises its own row only.
locked   the archive locked at a restart, a second agency's copy of an archived quake: no second row; SIGTERM
         while locked ends the program within 2 s; the time to the first poll request while locked.
stale    a feed that lags behind serves an older version (older `updated`) of a revised quake: the row keeps
         the newer values.
clock    the computer's clock an hour slow, then fast (faketime): a fresh M 6.0 by the source's clock is stored and
         sounds, a quake dated ahead is kept, and stderr says the clocks differ.
endless  a service whose every catch-up page is a full one of new quakes: they are listed and stored a part at a
         time while it goes on, within bounded memory.

Per case one line "<case>: stored X of Y served (requests N, T s)". stop, error, orderby, ties: X the quakes
stored by their own id, N the catch-up requests (those carrying a start time), T the seconds from the last
run's first catch-up request to the archive's last change. merge, ids, locked, stale: X the rows in the archive
for Y earthquakes, N all requests to the earthquake services, T the run's seconds (locked: the lock's).
"""

import json
import os
import glob
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import urllib.parse

SKIPPED = 77
try:
    import sqlite3
except ImportError as missing:  # a python3 built without it
    print(f"skipped: {missing}")
    sys.exit(SKIPPED)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import archive_e2e  # noqa: E402
import dravik_e2e as e2e  # noqa: E402
import identity_e2e as identity  # noqa: E402

SANITIZED = bool(os.environ.get("ASAN_OPTIONS"))
SCALE = 3.0 if SANITIZED else 1.0
HOUR = identity.HOUR
MINUTE = identity.MINUTE
DAY = 24 * HOUR
FDSN_PATH = identity.FDSN_PATH
USGS_PATH = identity.USGS_PATH
# Nothing moved in the archive nor in the catch-up for this long: the program has settled, complete or not.
IDLE = 30.0 * SCALE
LONGEST = 60.0 * SCALE
REGIONS = identity.REGIONS


class Failed(Exception):
    """A fault of the program: the case ends here."""


def now_ms():
    return int(time.time() * 1000)


def local_id(ident):
    """The source's own id of a qualified one, whatever the qualifier holds."""
    return ident.rsplit(":", 1)[-1]


def of_fdsn(ident):
    return ident.startswith("127.0.0.1:")


def of_feed(ident):
    return ident.startswith("localhost:")


# ------------------------------------------------------------------------------------------------ the services


def is_catch_up(params):
    """A request of the catch-up: the poll asks for the newest page, the catch-up from a start time; a look for
    late and revised quakes asks by update time."""
    names = {k.lower() for k in params}
    return bool(names & {"starttime", "start"}) and "updatedafter" not in names


class Service:
    """What the services serve in one case, and every request they were sent."""

    def __init__(self):
        self.lock = threading.Lock()
        self.fdsn = []  # the FDSN agency's quakes
        self.ignore_order = False  # newest first whatever orderby asks
        self.fail = set()  # catch-up requests (counted from 1) answered with HTTP 500
        self.failed = 0
        self.feed = []  # the GeoJSON feed's quakes, in its order
        self.endless = False  # every catch-up page a full one of new quakes, one second past the start asked
        self.made = 0
        self.requests = []  # (path, params, monotonic time, status)
        self.bad = []  # requests the FDSN service could not read

    def catch_ups(self):
        with self.lock:
            return [r for r in self.requests if r[0] == FDSN_PATH and is_catch_up(r[1])]

    def source_requests(self, since=0.0):
        with self.lock:
            return [r for r in self.requests if r[0] in (FDSN_PATH, USGS_PATH) and r[2] >= since]

    def feed_requests(self, since=0.0):
        return [r for r in self.source_requests(since) if r[0] == USGS_PATH]

    def set_feed(self, quakes):
        with self.lock:
            self.feed = list(quakes)


def feed_body(quakes):
    """A USGS-like GeoJSON feed: `ids` and `updated` where a quake has them."""
    features = []
    for q in quakes:
        properties = {"mag": q["mag"], "place": q["region"], "time": q["t"], "type": "earthquake"}
        if "updated" in q:
            properties["updated"] = q["updated"]
        if "ids" in q:
            properties["ids"] = q["ids"]
        features.append({"type": "Feature", "id": q["id"], "properties": properties,
                         "geometry": {"type": "Point", "coordinates": [q["lon"], q["lat"], q["depth"]]}})
    return json.dumps({"type": "FeatureCollection", "metadata": {"count": len(features)}, "features": features})


# The standard event parameters and their short forms; anything else is answered as a real service does: 400.
FDSN_PARAMS = {"starttime": "start", "endtime": "end", "minlatitude": "minlat", "maxlatitude": "maxlat",
               "minlongitude": "minlon", "maxlongitude": "maxlon", "minmagnitude": "minmag",
               "maxmagnitude": "maxmag", "mindepth": None, "maxdepth": None, "orderby": None, "limit": None,
               "offset": None, "format": None, "eventtype": None, "nodata": None, "updatedafter": None}
BOUNDS = {"minlatitude": ("lat", 1), "maxlatitude": ("lat", -1), "minlongitude": ("lon", 1),
          "maxlongitude": ("lon", -1), "minmagnitude": ("mag", 1), "maxmagnitude": ("mag", -1),
          "mindepth": ("depth", 1), "maxdepth": ("depth", -1)}


def fdsn_answer(service, params):
    aliases = {short: name for name, short in FDSN_PARAMS.items() if short}
    given = {}
    for key, value in params.items():
        name = aliases.get(key.lower(), key.lower())
        if name not in FDSN_PARAMS:
            return 400, f"Unknown parameter: {key}"
        given[name] = value
    if given.get("format", "text") != "text":
        return 400, f"Bad format: {given['format']}"
    with service.lock:
        quakes = list(service.fdsn)
        ignore_order = service.ignore_order
    if "updatedafter" in given:
        t = identity.fdsn_time_ms(given["updatedafter"])
        if t is None:
            return 400, f"Bad updatedafter: {given['updatedafter']}"
        # Published or changed after it: a quake says when ("updated"), else it was there from the start.
        quakes = [q for q in quakes if q.get("updated", 0) > t]
    for name in ("starttime", "endtime"):
        if name in given:
            t = identity.fdsn_time_ms(given[name])
            if t is None:
                return 400, f"Bad {name}: {given[name]}"
            quakes = [q for q in quakes if (q["t"] >= t if name == "starttime" else q["t"] <= t)]
    for name, (field, sign) in BOUNDS.items():
        if name in given:
            try:
                bound = float(given[name])
            except ValueError:
                return 400, f"Bad {name}: {given[name]}"
            quakes = [q for q in quakes if (q[field] - bound) * sign >= 0]
    order = given.get("orderby", "time")
    if order not in ("time", "time-asc", "magnitude", "magnitude-asc"):
        return 400, f"Bad orderby: {order}"
    if ignore_order:
        order = "time"
    # Ties in one order, by id, whichever way the times run.
    keys = {"time": lambda q: (-q["t"], q["id"]), "time-asc": lambda q: (q["t"], q["id"]),
            "magnitude": lambda q: (-q["mag"], q["id"]), "magnitude-asc": lambda q: (q["mag"], q["id"])}
    quakes.sort(key=keys[order])
    for name in ("offset", "limit"):
        if name in given and (not given[name].isdigit() or int(given[name]) < 1):
            return 400, f"Bad {name}: {given[name]}"
    quakes = quakes[int(given.get("offset", "1")) - 1:]
    if "limit" in given:
        quakes = quakes[:int(given["limit"])]
    if not quakes:
        return (404 if given.get("nodata") == "404" else 204), ""
    return 200, identity.fdsn_body(quakes)


def endless_page(service, params):
    """A full page of quakes never seen before, just past the start asked for: a service that never runs out."""
    start = identity.fdsn_time_ms(params["starttime"])
    limit = int(params.get("limit", "1000"))
    with service.lock:
        first = service.made
        service.made += limit
    quakes = [{"id": f"endless_{n:08d}", "t": start + 1 + i, "lat": (n * 37 % 16000) / 100 - 80,
               "lon": (n * 61 % 36000) / 100 - 180, "depth": 10.0, "mag": 2 + n % 50 / 10, "region": "NOWHERE"}
              for i, n in ((i, first + i) for i in range(limit))]
    return identity.fdsn_body(quakes)


def peak_rss_mib(program):
    with open(f"/proc/{program.proc.pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return 0.0


class Services(e2e.http.server.BaseHTTPRequestHandler):
    service = Service()

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        params = {k: v[-1] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True).items()}
        service = Services.service
        status, body = 404, "Not found"
        if url.path == FDSN_PATH:
            with service.lock:
                catch_up = is_catch_up(params)
                number = sum(1 for r in service.requests if r[0] == FDSN_PATH and is_catch_up(r[1])) + catch_up
                fail = catch_up and number in service.fail
                service.failed += fail
            if fail:
                status, body = 500, "Internal Server Error"
            elif service.endless and catch_up:
                status, body = 200, endless_page(service, params)
            else:
                status, body = fdsn_answer(service, params)
                if status == 400:
                    with service.lock:
                        service.bad.append(f"{self.path}: {body}")
        elif url.path == USGS_PATH:
            with service.lock:
                status, body = 200, feed_body(service.feed)
        elif url.path == "/wind":
            status, body = 200, e2e.SOLAR_WIND_PAGE
        elif url.path in ("/xray", "/site"):
            status, body = 200, "<html></html>"
        with service.lock:
            service.requests.append((url.path, params, time.monotonic(), status))
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


# -------------------------------------------------------------------------------------------------- the data


def spread(count, oldest, newest, tag):
    """`count` quakes of the FDSN agency from `oldest` to `newest` (ms), evenly, each at a place of its own."""
    step = (newest - oldest) // max(count - 1, 1)
    quakes = []
    for i in range(count):
        t = newest - i * step
        quakes.append({"id": f"{tag}_{i:07d}", "t": t - t % 100, "lat": round(-60 + (i * 7.31) % 120, 2),
                       "lon": round(-175 + (i * 13.77) % 350, 2), "depth": 5.0 + i % 90,
                       "mag": round(2.0 + (i % 29) / 10, 1), "region": REGIONS[i % len(REGIONS)]})
    return quakes


# ------------------------------------------------------------------------------------------------- the program


class Case:
    """One case: its data directory, its services' state, the program's runs and what went wrong."""

    def __init__(self, name, binary, root, port):
        self.name = name
        self.binary = binary
        self.root = root
        self.port = port
        self.service = Service()
        Services.service = self.service
        self.programs = []
        self.problems = []
        self.env = None

    def fdsn_url(self):
        return f"http://127.0.0.1:{self.port}{FDSN_PATH}?format=text&limit=50"

    def feed_url(self):
        return f"http://localhost:{self.port}{USGS_PATH}"

    def setup(self, sources, settings=""):
        env = e2e.make_env(self.root, f"http://127.0.0.1:{self.port}")
        with open(os.path.join(env["XDG_CONFIG_HOME"], "Korvan", "Dravik.conf"), "w") as f:
            f.write("[General]\nlang=EN\n" + settings)
        env.update({"DRAVIK_QUAKE_URL": " ".join(sources), "DRAVIK_POLL_SECONDS": "2", "DRAVIK_PUSH_URL": ""})
        self.env = env

    def start(self):
        program = archive_e2e.Program(self.binary, self.env)
        program.started = time.monotonic()
        self.programs.append(program)
        return program

    def stop(self, program, what, bound=e2e.EXIT_TIMEOUT):
        """SIGTERM; the seconds to the exit. A slow or failed exit is a problem, not the case's end."""
        start = time.monotonic()
        program.proc.send_signal(signal.SIGTERM)
        try:
            status = program.proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            program.kill()
            raise Failed(f"{what}: no exit within 30 s of SIGTERM")
        elapsed = time.monotonic() - start
        if status != 0:
            self.problems.append(f"{what}: exit status {status} after SIGTERM")
        if elapsed > bound and not SANITIZED:
            self.problems.append(f"{what}: the exit took {elapsed:.2f} s after SIGTERM, more than {bound} s")
        return elapsed

    def db(self):
        return os.path.join(self.env["DRAVIK_DATA_DIR"], "dravik.dat")

    def archive(self):
        """The archive as it is now; None when it cannot be read for a while (locked, not made yet)."""
        deadline = time.monotonic() + 2.0
        archive = identity.Archive.read(self.env)
        while archive is None and time.monotonic() < deadline:
            time.sleep(0.05)
            archive = identity.Archive.read(self.env)
        return archive

    def final_archive(self):
        archive = self.archive()
        if archive is None:
            raise Failed("the archive cannot be read")
        return archive

    def wait(self, program, predicate, timeout, what):
        if not e2e.wait_for(predicate, timeout, program.proc):
            raise Failed(f"{what} (waited {timeout:.0f} s; exit status {program.proc.poll()})\n"
                         + "\n".join(program.lines[-10:]))

    def fail(self, text):
        self.problems.append(text)

    def close(self):
        for program in self.programs:
            program.kill()
        with self.service.lock:
            self.problems += [f"the FDSN service could not read a request: {b}" for b in self.service.bad[:5]]
        if self.problems:
            for n, program in enumerate(self.programs, 1):
                if program.lines:
                    print(f"{self.name}: run {n} stderr:" + "".join(f"\n    {t}" for t in program.lines[-6:]))


def creators_of(archive, belongs=of_fdsn):
    """Own id -> rows made by it, over the ids of one agency."""
    rows = {}
    for ident, (row, creator) in archive.ids.items():
        if creator == 1 and belongs(ident):
            rows.setdefault(local_id(ident), []).append(row)
    return rows


def stored_ids(case):
    """The FDSN agency's own ids that made a row; None while the archive cannot be read."""
    try:
        con = sqlite3.connect(f"file:{case.db()}?mode=ro", uri=True, timeout=0.2)
        try:
            ids = [r[0] for r in con.execute("select id from trze_id where creator=1")]
        finally:
            con.close()
    except sqlite3.Error:
        return None if os.path.exists(case.db()) else set()
    return {local_id(i) for i in ids if of_fdsn(i)}


def settle(case, program, expected):
    """Waits until every expected quake has made a row, or until neither the archive nor the catch-up has moved
    for IDLE seconds. Returns the seconds from the run's first catch-up request to the last change."""
    stored, last = set(), None
    changed = time.monotonic()
    deadline = changed + LONGEST
    while time.monotonic() < deadline and program.proc.poll() is None:
        now = time.monotonic()
        ids = stored_ids(case)
        signature = (len(ids) if ids is not None else len(stored), len(case.service.catch_ups()))
        if ids is not None:
            stored = ids
        if signature != last:
            last, changed = signature, now
        if expected <= stored:
            break
        asked = case.service.source_requests(program.started)
        if asked and now - max(changed, asked[0][2]) > IDLE:
            break
        time.sleep(0.1)
    firsts = [r[2] for r in case.service.catch_ups() if r[2] >= program.started]
    return max(0.0, changed - firsts[0]) if firsts else 0.0


def check_each_once(case, served):
    """Every served quake one row made by its own id, every row one such quake."""
    archive = case.final_archive()
    creators = creators_of(archive)
    missing = served - set(creators)
    twice = {i: rows for i, rows in creators.items() if len(rows) > 1}
    if missing:
        case.fail(f"{len(missing)} of {len(served)} quakes not stored: {identity.sample(missing)}")
    if twice:
        case.fail(f"{len(twice)} quakes stored more than once: {identity.sample(twice)}")
    made = sum(len(rows) for rows in creators.values())
    if len(archive.rows) != made:
        case.fail(f"{len(archive.rows)} rows in trze for {made} ids that made one")
    return len(set(creators) & served)


def figure(case, stored, served, requests, seconds):
    print(f"{case.name}: stored {stored} of {served} served (requests {requests}, {seconds:.1f} s)")


# ----------------------------------------------------------------------------------------------------- cases


def case_stop(case):
    t0 = now_ms()
    quakes = spread(5000, t0 - 20 * HOUR, t0 - 2 * MINUTE, "20261207")
    served = {q["id"] for q in quakes}
    case.service.fdsn = quakes
    case.setup([case.fdsn_url()])
    first = case.start()
    # A read transaction keeps the archive as it was when it first held rows: the next chunk cannot commit, so
    # the signal surely comes in the middle of the catch-up's writes.
    reader, held = None, 0
    deadline = time.monotonic() + LONGEST
    while reader is None and time.monotonic() < deadline and first.proc.poll() is None:
        try:
            con = sqlite3.connect(f"file:{case.db()}?mode=ro", uri=True, isolation_level=None, timeout=0.2)
            con.execute("BEGIN")
            held = con.execute("select count(*) from trze").fetchone()[0]
            if held:
                reader = con
            else:
                con.execute("COMMIT")
                con.close()
        except sqlite3.Error:
            pass
        time.sleep(0.01)
    if reader is None:
        raise Failed(f"the archive never held a row (exit status {first.proc.poll()})")
    try:
        if held >= len(quakes):
            raise Failed(f"all {held} stored before the signal: nothing was interrupted")
        case.stop(first, "first run, SIGTERM during the catch-up's writes")
    finally:
        reader.close()
    after_first = stored_ids(case) or set()
    second = case.start()
    seconds = settle(case, second, served)
    case.stop(second, "restart")
    count = check_each_once(case, served)
    figure(case, count, len(served), len(case.service.catch_ups()), seconds)
    print(f"{case.name}: {held} rows at SIGTERM, {len(after_first)} quakes stored after the first run")


def case_error(case):
    t0 = now_ms()
    quakes = spread(3000, t0 - 20 * HOUR, t0 - 2 * MINUTE, "20261207")
    served = {q["id"] for q in quakes}
    case.service.fdsn = quakes
    case.service.fail = {2}
    case.setup([case.fdsn_url()])
    program = case.start()
    seconds = settle(case, program, served)
    if case.service.failed != 1:
        raise Failed(f"the HTTP 500 was served {case.service.failed} times, not once: the case did not happen")
    def said():
        return [line for line in program.lines if "catching up" in line.lower() and "127.0.0.1" in line]

    # The line may come a moment after the last row.
    e2e.wait_for(said, 2 * SCALE, program.proc)
    case.stop(program, "after the catch-up")
    count = check_each_once(case, served)
    if not said():
        case.fail("stderr never says that catching up 127.0.0.1 was cut short")
    else:
        print(f"{case.name}: stderr: " + " / ".join(said()[:3]))
    figure(case, count, len(served), len(case.service.catch_ups()), seconds)


def case_orderby(case):
    t0 = now_ms()
    quakes = spread(3000, t0 - 29 * DAY, t0 - 2 * MINUTE, "20261207")
    served = {q["id"] for q in quakes}
    case.service.fdsn = quakes
    case.service.ignore_order = True
    case.setup([case.fdsn_url()], "[catchup]\nfirstDays=30\nmaxDays=30\n")
    program = case.start()
    seconds = settle(case, program, served)
    case.stop(program, "after the catch-up")
    count = check_each_once(case, served)
    figure(case, count, len(served), len(case.service.catch_ups()), seconds)


def case_ties(case):
    t0 = now_ms()
    origin = t0 - 3 * HOUR - t0 % 1000
    quakes = [{"id": f"20261207_{i:07d}", "t": origin, "lat": round(-70 + (i % 50) * 2.8, 2),
               "lon": round(-175 + (i // 50) * 11.6, 2), "depth": 10.0, "mag": round(2.0 + (i % 25) / 10, 1),
               "region": REGIONS[i % len(REGIONS)]} for i in range(1500)]
    served = {q["id"] for q in quakes}
    case.service.fdsn = quakes
    case.setup([case.fdsn_url()])
    program = case.start()
    seconds = settle(case, program, served)
    case.stop(program, "after the catch-up")
    count = check_each_once(case, served)
    figure(case, count, len(served), len(case.service.catch_ups()), seconds)


def after_polls(case, program, polls, since=None):
    """Waits for `polls` more requests to the GeoJSON feed, and for the program to have done with the last."""
    start = since if since is not None else time.monotonic()
    case.wait(program, lambda: len(case.service.feed_requests(start)) >= polls, (polls * 2 + 10) * SCALE,
              f"no {polls} further polls of the feed")
    time.sleep(0.5 * SCALE)


def row_texts(archive, ident):
    row = None if archive is None else archive.row_of(ident)
    return None if row is None else archive.rows.get(row)


def find_id(archive, local, belongs):
    """The qualified id of the agency's `local` id in the archive, and its (row, creator)."""
    for ident, entry in archive.ids.items():
        if belongs(ident) and local_id(ident) == local:
            return ident, entry
    return None, None


def case_merge(case):
    t = now_ms() - 2 * HOUR
    t -= t % 1000
    main = {"id": "20261207_0000101", "t": t, "lat": 38.00, "lon": 22.00, "depth": 10.0, "mag": 5.0,
            "region": "SOUTHERN GREECE"}
    # The aftershock lies within every merge limit of A's main shock, B's report of the main shock far nearer.
    aftershock = {"id": "us7000e002", "t": t + 31_000, "lat": 38.225, "lon": 22.00, "depth": 12.0, "mag": 4.2,
                  "region": "28 km N of Patras, Greece"}
    b_main = {"id": "us7000e001", "t": t + 1_000, "lat": 38.009, "lon": 22.00, "depth": 11.0, "mag": 5.1,
              "region": "4 km N of Patras, Greece"}
    case.service.fdsn = [main]
    case.service.set_feed([aftershock, b_main])  # newest first
    case.setup([case.fdsn_url(), case.feed_url()])
    program = case.start()

    def both_seen():
        a = case.archive()
        return a is not None and find_id(a, main["id"], of_fdsn)[0] and \
            find_id(a, aftershock["id"], of_feed)[0] and find_id(a, b_main["id"], of_feed)[0]

    case.wait(program, both_seen, 20 * SCALE, "the archive never held the ids of all three reports")
    after_polls(case, program, 2)
    case.stop(program, "after the merge")
    archive = case.final_archive()
    _, (main_row, _) = find_id(archive, main["id"], of_fdsn)
    _, (b_main_row, b_main_creator) = find_id(archive, b_main["id"], of_feed)
    _, (after_row, after_creator) = find_id(archive, aftershock["id"], of_feed)
    if b_main_row != main_row or b_main_creator != 0:
        case.fail(f"B's report of the main shock is {'a row of its own' if b_main_creator else 'an id of another row'}"
                  f": {archive.rows.get(b_main_row)}, A's main shock {archive.rows.get(main_row)}")
    if after_creator != 1 or after_row == main_row:
        case.fail(f"B's aftershock (+31 s, 25 km) was merged into row {after_row} {archive.rows.get(after_row)} "
                  f"instead of a row of its own")
    if len(archive.rows) != 2:
        case.fail(f"{len(archive.rows)} rows in trze for two earthquakes")
    figure(case, len(archive.rows), 2, len(case.service.source_requests()), time.monotonic() - program.started)


def case_ids(case):
    t = now_ms() - 3 * HOUR
    t -= t % 1000
    # The revised quake's id sorts after the other's: a lookup that takes whichever of the listed ids comes
    # first finds the other quake's row. The other's row is also made first (the lower rowid).
    other = {"id": "us7000p1", "t": t - 40 * MINUTE, "lat": -20.50, "lon": -70.30, "depth": 30.0, "mag": 4.6,
             "region": "offshore Tarapaca, Chile", "ids": ",us7000p1,"}
    revised = {"id": "us7000p2", "t": t, "lat": 52.10, "lon": 160.40, "depth": 40.0, "mag": 4.3,
               "region": "off the east coast of Kamchatka", "ids": ",us7000p2,"}
    case.service.set_feed([other, revised])
    case.setup([case.feed_url()])
    program = case.start()

    def both_stored():
        a = case.archive()
        return a is not None and len(creators_of(a, of_feed)) == 2

    case.wait(program, both_stored, 20 * SCALE, "the two quakes were never stored")
    archive = case.final_archive()
    before = {q["id"]: row_texts(archive, find_id(archive, q["id"], of_feed)[0]) for q in (other, revised)}
    rows = {q["id"]: find_id(archive, q["id"], of_feed)[1][0] for q in (other, revised)}
    if rows[other["id"]] > rows[revised["id"]]:
        raise Failed(f"test data: the other quake's row was meant to come first: {rows}")
    case.service.set_feed([other, dict(revised, mag=4.9, ids=",us7000p1,us7000p2,")])
    since = time.monotonic()

    def revised_somewhere():
        a = case.archive()
        return a is not None and any(r[0].strip() == "4.9" for r in a.rows.values())

    e2e.wait_for(revised_somewhere, 15 * SCALE, program.proc)
    after_polls(case, program, 1, since)
    case.stop(program, "after the revision")
    archive = case.final_archive()
    own = row_texts(archive, find_id(archive, revised["id"], of_feed)[0])
    kept = row_texts(archive, find_id(archive, other["id"], of_feed)[0])
    if own is None or own[0].strip() != "4.9":
        case.fail(f"the revised quake's row holds {own}, not the revision's M 4.9")
    if kept != before[other["id"]]:
        case.fail(f"the other quake named in the revision's ids was overwritten: {before[other['id']]} -> {kept}")
    if len(archive.rows) != 2:
        case.fail(f"{len(archive.rows)} rows in trze for two quakes")
    figure(case, len(archive.rows), 2, len(case.service.source_requests()), time.monotonic() - program.started)


class Holder:
    """Another program holding the archive: BEGIN EXCLUSIVE and a write, rolled back at the release."""

    def __init__(self, db):
        self.con = sqlite3.connect(db, isolation_level=None, timeout=5)
        self.con.execute("BEGIN EXCLUSIVE")
        self.con.execute("CREATE TABLE other_program (x)")
        self.con.execute("INSERT INTO other_program VALUES (1)")

    def release(self):
        if self.con is not None:
            self.con.execute("ROLLBACK")
            self.con.close()
            self.con = None


def case_locked(case):
    t = now_ms() - HOUR
    t -= t % 1000
    quake = {"id": "20261207_0000201", "t": t, "lat": 41.80, "lon": 13.60, "depth": 10.0, "mag": 3.9,
             "region": "CENTRAL ITALY"}
    copy = identity.usgs_copy(quake, 1)
    case.service.fdsn = [quake]
    case.setup([case.fdsn_url(), case.feed_url()])
    first = case.start()

    def stored():
        a = case.archive()
        return a is not None and find_id(a, quake["id"], of_fdsn)[0] is not None

    case.wait(first, stored, 20 * SCALE, "run 1 never stored the quake")
    case.stop(first, "run 1")

    # Run 2: the first agency lists the quake no more, the second lists its copy, the archive locked at the start.
    case.service.fdsn = []
    case.service.set_feed([copy])
    holder = Holder(case.db())
    try:
        second = case.start()
        # Locked at least 6 s, and until the program has asked its sources (a first cycle under the lock).
        e2e.wait_for(lambda: case.service.source_requests(second.started), 25 * SCALE, second.proc)
        asked = case.service.source_requests(second.started)
        first_request = asked[0][2] - second.started if asked else None
        e2e.wait_for(lambda: False, max(0.0, second.started + 6.0 * SCALE - time.monotonic()) + 1.0, second.proc)
    finally:
        holder.release()
    released = time.monotonic()
    if first_request is None:
        raise Failed("run 2 never asked its sources")

    def copy_written():
        a = case.archive()
        return a is not None and find_id(a, copy["id"], of_feed)[0] is not None

    case.wait(second, copy_written, 20 * SCALE, "the copy's id never reached the archive after the lock")
    after_polls(case, second, 2)
    case.stop(second, "run 2")
    archive = case.final_archive()
    _, own = find_id(archive, quake["id"], of_fdsn)
    _, other = find_id(archive, copy["id"], of_feed)
    if own is None:
        raise Failed(f"the quake run 1 stored is no longer in the archive: {archive.rows}")
    if other[1] == 1:
        case.fail(f"the second agency's copy made a row of its own: {archive.rows.get(other[0])} "
                  f"beside {archive.rows.get(own[0])}")
    elif other[0] != own[0]:
        case.fail(f"the copy's id points at row {other[0]}, not at the quake's row {own[0]}")
    if len(archive.rows) != 1:
        case.fail(f"{len(archive.rows)} rows in trze for one earthquake")

    # Run 3: SIGTERM while the archive is still locked.
    holder = Holder(case.db())
    try:
        third = case.start()
        e2e.wait_for(lambda: case.service.source_requests(third.started), 3 * SCALE, third.proc)
        time.sleep(1.0)
        ended = case.stop(third, "SIGTERM with the archive locked", bound=2.0)
    finally:
        holder.release()
    figure(case, len(archive.rows), 1, len(case.service.source_requests()), released - second.started)
    print(f"{case.name}: first poll request {first_request:.2f} s after the start with the archive locked; "
          f"SIGTERM with the archive locked: exit {ended:.2f} s later")


def case_stale(case):
    t = now_ms() - HOUR
    t -= t % 1000
    old = {"id": "us7000h001", "t": t, "lat": 61.20, "lon": -150.10, "depth": 35.0, "mag": 4.0,
           "region": "Southern Alaska", "updated": t + 10 * MINUTE}
    new = dict(old, mag=4.5, updated=t + 40 * MINUTE)
    case.service.set_feed([old])
    case.setup([case.feed_url()])
    program = case.start()

    def holds(mag):
        def check():
            a = case.archive()
            if a is None:
                return False
            texts = row_texts(a, find_id(a, old["id"], of_feed)[0])
            return texts is not None and texts[0].strip() == mag
        return check

    case.wait(program, holds("4.0"), 20 * SCALE, "the first version was never stored")
    case.service.set_feed([new])
    case.wait(program, holds("4.5"), 15 * SCALE, "the revision to M 4.5 was never stored")
    # The feed lags: the older version again, for several cycles.
    case.service.set_feed([old])
    since = time.monotonic()
    # Four stale answers, or the revert that shows the fault at once.
    case.wait(program, lambda: holds("4.0")() or len(case.service.feed_requests(since)) >= 4, 20 * SCALE,
              "no four further polls of the feed")
    time.sleep(0.5 * SCALE)
    case.stop(program, "after the stale answers")
    archive = case.final_archive()
    texts = row_texts(archive, find_id(archive, old["id"], of_feed)[0])
    if texts is None or texts[0].strip() != "4.5":
        case.fail(f"after {len(case.service.feed_requests(since))} stale answers (updated earlier) the row holds "
                  f"{texts}, not the newer M 4.5")
    if len(archive.rows) != 1:
        case.fail(f"{len(archive.rows)} rows in trze for one quake")
    figure(case, len(archive.rows), 1, len(case.service.source_requests()), time.monotonic() - program.started)


def case_endless(case):
    """A service that never runs out: what it brings is listed and stored a part at a time, memory stays bounded."""
    case.service.endless = True
    case.setup([case.fdsn_url()])
    program = case.start()
    wanted = 30000

    # Counted in requests, not seconds, so a loaded machine is no fault: a long catch-up stores a round's pages
    # (10,000 quakes, ten requests) before it asks for more, so twice the requests the wanted quakes take are
    # more than enough. The time is only a last bound, for a program that stops asking altogether.
    most_requests = 2 * wanted // 1000

    def settled():
        ids = stored_ids(case)
        return (ids is not None and len(ids) >= wanted) or len(case.service.catch_ups()) > most_requests

    e2e.wait_for(settled, 5 * LONGEST, program.proc)
    ids = stored_ids(case) or set()
    if len(ids) < wanted:
        raise Failed(f"{len(ids)} quakes stored after {len(case.service.catch_ups())} catch-up requests: the "
                     f"catch-up keeps its pages until it ends (peak {peak_rss_mib(program):.0f} MiB)")
    peak = peak_rss_mib(program)
    requests = len(case.service.catch_ups())
    case.stop(program, "during an endless catch-up")
    print(f"{case.name}: {wanted} stored while the catch-up went on, {requests} requests, peak {peak:.0f} MiB")
    if peak > 600 * SCALE:
        case.fail(f"peak memory {peak:.0f} MiB for {wanted} quakes")


def case_clock(case):
    """The computer's clock an hour slow, then an hour fast (faketime): a fresh strong quake, by the source's clock,
    is stored and sounds either way, and the status is said; a quake dated ahead of every clock is kept."""
    # The library under the program itself (the faketime command would stand between it and SIGTERM), and the
    # monotonic clock left alone, as a computer whose wall clock is wrong has it.
    if SANITIZED:
        # AddressSanitizer's runtime must come first among the libraries, so nothing may be preloaded before it.
        print(f"{case.name}: skipped: libfaketime cannot be preloaded into a sanitized program")
        return
    libraries = glob.glob("/usr/lib/*/faketime/libfaketimeMT.so.1")
    if not libraries:
        raise Failed("libfaketime is missing (scripts/install-deps installs faketime)")
    for n, shift in enumerate(("-1h", "+1h")):
        t0 = now_ms()
        old = {"id": "20261207_0000301", "t": t0 - 3 * HOUR, "lat": 38.1, "lon": 20.5, "depth": 10.0, "mag": 3.1,
               "region": "GREECE"}
        case.service.fdsn = [old]
        case.setup([case.fdsn_url()], "[alert]\nglobalMagnitude=5.0\n")
        case.env.update({"QT_LOGGING_RULES": "dravik.alert.info=true", "LD_PRELOAD": libraries[0],
                         "FAKETIME": shift, "FAKETIME_DONT_FAKE_MONOTONIC": "1"})
        program = case.start()
        case.wait(program, lambda: len(case.service.source_requests(program.started)) >= 2, 30 * SCALE,
                  f"{shift}: the source was never polled")
        # Quakes of their own for each run: the second starts on the first one's archive.
        fresh = {"id": f"20261207_00004{n}2", "t": now_ms() - 2 * MINUTE, "lat": 35.2, "lon": 25.7, "depth": 10.0,
                 "mag": 6.0, "region": "CRETE, GREECE"}
        ahead = {"id": f"20261207_00004{n}3", "t": now_ms() + 20 * MINUTE, "lat": 36.4, "lon": 28.2, "depth": 10.0,
                 "mag": 3.0, "region": "DODECANESE ISLANDS, GREECE"}
        with case.service.lock:
            case.service.fdsn = [old, fresh, ahead]

        def stored():
            ids = stored_ids(case)
            return ids is not None and {fresh["id"], ahead["id"]} <= ids

        if not e2e.wait_for(stored, 20 * SCALE, program.proc):
            case.fail(f"{shift}: stored {sorted(stored_ids(case) or [])}, not the fresh M 6.0 and the one dated ahead")
        e2e.wait_for(lambda: program.lines_with("dravik.alert: sound"), 5 * SCALE, program.proc)
        sounds = len(program.lines_with("dravik.alert: sound"))
        said = program.lines_with("clock differs")
        case.stop(program, f"clock {shift}")
        print(f"{case.name} {shift}: {sounds} sound(s) for the fresh M 6.0; stderr: {said[:1]}")
        if sounds != 1:
            case.fail(f"{shift}: {sounds} sounds for a fresh M 6.0 (one expected)")
        if not said:
            case.fail(f"{shift}: nothing says the clocks differ")


CASES = {"stop": case_stop, "error": case_error, "orderby": case_orderby, "ties": case_ties,
         "merge": case_merge, "ids": case_ids, "locked": case_locked, "stale": case_stale, "endless": case_endless,
         "clock": case_clock}


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    names = sys.argv[2:] or list(CASES)
    unknown = [n for n in names if n not in CASES]
    if unknown:
        raise SystemExit(f"unknown cases {unknown}; cases: {' '.join(CASES)}")
    server = e2e.http.server.ThreadingHTTPServer(("127.0.0.1", 0), Services)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    problems = []
    began = time.monotonic()
    for name in names:
        with tempfile.TemporaryDirectory(prefix=f"dravik-completeness-{name}-") as root:
            case = Case(name, binary, root, port)
            try:
                CASES[name](case)
            except Failed as e:
                case.fail(str(e))
            except Exception:  # a fault of the test itself: said as such, the other cases still run
                case.fail("the test broke: " + traceback.format_exc())
            finally:
                case.close()
            problems += [f"{name}: {p}" for p in case.problems]
    server.shutdown()
    print(f"{len(names)} cases in {time.monotonic() - began:.0f} s")
    if problems:
        for p in problems:
            print(f"FAIL: {p}")
        sys.exit(1)
    print("PASS")


if __name__ == "__main__":
    main()
