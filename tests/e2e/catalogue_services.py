"""The catalogue's services on 127.0.0.1 and the program's runs against them, shared by completeness_e2e.py and
mark_e2e.py: an FDSN event service (text) that reads the standard parameters, a USGS-like GeoJSON day feed, the
cases' data directories, and what the archive holds after a run."""

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
import sqlite3

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


def run_cases(names, cases, prefix, start, server):
    """Runs each named case in a data folder of its own (start(name, root) makes its Case), every case even after
    one fails; then stops the server, says every failure and exits 1, or says PASS."""
    problems = []
    began = time.monotonic()
    for name in names:
        with tempfile.TemporaryDirectory(prefix=f"dravik-{prefix}-{name}-") as root:
            case = start(name, root)
            try:
                cases[name](case)
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
