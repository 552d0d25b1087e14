"""Sample pages for the real program, served on 127.0.0.1: earthquakes from responses saved from EMSC and USGS
(tests/fixtures/agencies, where the README names their origins), the solar wind, and a product site that answers
nothing new. Used by end-to-end tests and by `make screenshots`.
"""

import datetime
import http.server
import os
import re
import threading

DATA = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fixtures", "agencies")

SOURCES = {
    "/emsc": ("emsc_text_2017_m65.txt", "text/plain"),
    "/emsc-honshu": ("emsc_text_honshu_2024.txt", "text/plain"),
    "/usgs": ("usgs_geojson_all_hour_2017.geojson", "application/geo+json"),
}

SOLAR_WIND_JSON = ('[{"time_tag":"2026-12-07T05:59:00","active":true,"source":"ACE","proton_speed":412.3,'
                   '"proton_density":5.1}]')


# How long before the moment given each source's newest event lands when the answers are made recent: minutes,
# hours and most of a day, so the events spread over the history window's two days and the map's three ages.
RECENT_LAG_SECONDS = {"/emsc": 2 * 3600 + 600, "/emsc-honshu": 20 * 3600, "/usgs": 240}

_ISO_TIME = re.compile(rb"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)(\.\d+)?(Z?)")
_EPOCH_MS = re.compile(rb'"(time|updated|generated)":(\d+)')


def _load(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


def _moved(body, newest):
    """The same answer with every time in it moved by one amount, so that its newest event happened at `newest`
    (seconds since the epoch). Only times change: FDSN text's origin times, GeoJSON's milliseconds."""
    utc = datetime.timezone.utc
    iso = lambda m: datetime.datetime.strptime(m.group(1).decode(), "%Y-%m-%dT%H:%M:%S").replace(tzinfo=utc)
    times = [iso(m).timestamp() for m in _ISO_TIME.finditer(body)]
    times += [int(m.group(2)) / 1000 for m in _EPOCH_MS.finditer(body) if m.group(1) == b"time"]
    if not times:
        return body
    shift = int(newest - max(times))

    def move_iso(m):
        moved = datetime.datetime.fromtimestamp(iso(m).timestamp() + shift, utc)
        return moved.strftime("%Y-%m-%dT%H:%M:%S").encode() + (m.group(2) or b"") + m.group(3)

    body = _ISO_TIME.sub(move_iso, body)
    return _EPOCH_MS.sub(lambda m: b'"%s":%d' % (m.group(1), int(m.group(2)) + shift * 1000), body)


class _Pages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?", 1)[0]
        self.server.served.add(path)
        if path in SOURCES:
            name, kind = SOURCES[path]
            body = _load(name)
            if self.server.recent_at is not None:
                body = _moved(body, self.server.recent_at - RECENT_LAG_SECONDS.get(path, 0))
        elif path == "/wind":
            body, kind = SOLAR_WIND_JSON.encode(), "application/json"
        elif path == "/xray":
            body, kind = b"<html></html>", "text/html"
        else:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def serve(recent_at=None):
    """A running server on a free port of 127.0.0.1; call shutdown() when done. With recent_at (seconds since the
    epoch) the earthquake answers have their times moved to just before it, as if they had just been fetched."""
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Pages)
    server.recent_at = recent_at
    # The paths asked for so far, for runs that wait for a cycle to reach a page.
    server.served = set()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def base_url(server):
    return f"http://127.0.0.1:{server.server_address[1]}"


def program_env(root, server, env, lang="PL", sources=("/emsc", "/emsc-honshu", "/usgs"), settings=""):
    """The environment of one run in its own home under root: a stored language, every address on the server, no
    session bus, no push, and map tiles asked of a closed port on 127.0.0.1 (no test reaches the internet)."""
    env = dict(env)
    for var in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"):
        path = os.path.join(root, var.lower())
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[var] = path
    env["DRAVIK_DATA_DIR"] = os.path.join(root, "data")
    config = os.path.join(env["XDG_CONFIG_HOME"], "Korvan")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "Dravik.conf"), "w") as f:
        f.write(f"[General]\nlang={lang}\n{settings}")
    base = base_url(server)
    env.update({
        "QT_QPA_PLATFORM": "xcb",
        "DRAVIK_TILE_URL": "http://127.0.0.1:9/{z}/{x}/{y}.png",
        "DRAVIK_QUAKE_URL": " ".join(base + path for path in sources),
        "DRAVIK_SOLAR_WIND_URL": base + "/wind",
        "DRAVIK_XRAY_URL": base + "/xray",
        "DRAVIK_TSUNAMI_URL": "",  # no tsunami feed: the real centres are never asked
        "DRAVIK_EVENT_DETAIL_URL": "",  # nor USGS's event details
        "DRAVIK_SITE_URL": base + "/site",
        "DRAVIK_PUSH_URL": "",
        "DRAVIK_POLL_SECONDS": "300",
    })
    for var in ("DRAVIK_MAP_URL", "http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY",
                "all_proxy"):
        env.pop(var, None)
    # A session bus that is not there: none is started for the program either (without any address libdbus
    # launches one that outlives the run), so notifications fall back to the tray and the tray uses XEmbed.
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(root, "no-bus")
    return env
