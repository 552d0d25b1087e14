#!/usr/bin/env python3
"""Several sources at once and EMSC's push, with the real program offscreen and servers on 127.0.0.1.

Usage: sources_e2e.py <path to dravik>   (needs Debian's python3-websockets)

Two sources (an FDSN event text and a USGS GeoJSON feed) both report one quake, with slightly different
coordinates, and each reports one quake of its own; a WebSocket server then pushes a third quake. Expected:
the shared quake listed and stored once (the first source's report), both others, and the pushed one stored
within 2 s of its message. Then 20 more pushes, one at a time: the median time from a message to its row in
the archive (the row is listed, and the sound started, before it is written).
"""

import asyncio
import datetime
import json
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import archive_e2e  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

try:
    import websockets
except ImportError:
    sys.path.append("/usr/lib/python3/dist-packages")
    try:
        import websockets  # noqa: E402
    except ImportError as e:
        if __name__ != "__main__":
            raise  # those importing the push server decide themselves
        print(f"skipped: {e} (package python3-websockets)")
        sys.exit(77)  # CTest's SKIP_RETURN_CODE

SANITIZED = bool(os.environ.get("ASAN_OPTIONS"))
NOW = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0) - datetime.timedelta(minutes=10)


def iso(t):
    return t.strftime("%Y-%m-%dT%H:%M:%S.0Z")


def fdsn_text():
    header = ("#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|"
              "Magnitude|MagAuthor|EventLocationName|EventType\n")
    return header + "".join([
        f"20261207_0000101|{iso(NOW)}|38.10|20.50|10.0|EMSC|EMSC-RTS|EMSC|1|ml|4.5|EMSC|SHARED QUAKE|ke\n",
        f"20261207_0000102|{iso(NOW - datetime.timedelta(minutes=5))}|-21.71|-68.50|112.3|EMSC|EMSC-RTS|EMSC|2|mb|"
        "4.6|EMSC|EMSC ONLY|ke\n",
    ])


def usgs_geojson():
    ms = int(NOW.timestamp() * 1000)
    features = [
        {"type": "Feature", "id": "us7000shrd",
         "properties": {"mag": 4.7, "place": "SHARED QUAKE (USGS)", "time": ms + 12000},
         "geometry": {"type": "Point", "coordinates": [20.62, 38.21, 12.0]}},
        {"type": "Feature", "id": "us7000only",
         "properties": {"mag": 5.2, "place": "USGS ONLY", "time": ms - 600000},
         "geometry": {"type": "Point", "coordinates": [142.3, 38.3, 30.0]}},
    ]
    return json.dumps({"type": "FeatureCollection", "features": features})


def push_message(n, region):
    t = datetime.datetime.now(datetime.timezone.utc)
    return json.dumps({"action": "create", "data": {
        "type": "Feature", "id": f"20261207_0009{n:03d}",
        "geometry": {"type": "Point", "coordinates": [25.0 + n, 35.0, -10.0]},
        "properties": {"unid": f"20261207_0009{n:03d}", "time": iso(t), "lat": 35.0, "lon": 25.0 + n,
                       "depth": 10.0, "mag": 3.1, "magtype": "ml", "flynn_region": region}}})


class PushServer:
    """A WebSocket server on its own thread; send() pushes one text to every client."""

    def __init__(self):
        self.clients = set()
        self.loop = asyncio.new_event_loop()
        self.ready = threading.Event()
        threading.Thread(target=self._run, daemon=True).start()
        self.ready.wait(10)

    def _run(self):
        asyncio.set_event_loop(self.loop)

        async def handler(ws, path=None):
            self.clients.add(ws)
            try:
                await ws.wait_closed()
            finally:
                self.clients.discard(ws)

        async def start():
            self.server = await websockets.serve(handler, "127.0.0.1", 0)
            self.port = self.server.sockets[0].getsockname()[1]
            self.ready.set()

        self.loop.run_until_complete(start())
        self.loop.run_forever()

    def send(self, text):
        async def go():
            for ws in list(self.clients):
                await ws.send(text)
        asyncio.run_coroutine_threadsafe(go(), self.loop).result(5)


def regions(env):
    return archive_e2e.counts(env) or {}


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    e2e.Pages.bodies = {"/fdsn": fdsn_text(), "/usgs": usgs_geojson(), "/wind": e2e.SOLAR_WIND_PAGE,
                        "/xray": "<html></html>", "/site": ""}
    server = e2e.http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    push = PushServer()

    with tempfile.TemporaryDirectory(prefix="dravik-sources-e2e-") as root:
        env = e2e.make_env(root, base)
        # Two host names, so the two sources are two agencies as far as ids and the merge go.
        env["DRAVIK_QUAKE_URL"] = f"{base}/fdsn {base.replace('127.0.0.1', 'localhost')}/usgs"
        env["DRAVIK_PUSH_URL"] = f"ws://127.0.0.1:{push.port}/standing_order/websocket"
        e2e.Pages.hits = {}
        proc = subprocess.Popen([binary], env=env)
        try:
            if not e2e.wait_for(lambda: "/xray" in e2e.Pages.hits and push.clients, 60, proc):
                raise SystemExit(f"FAIL: no cycle and push connection within 60 s ({len(push.clients)} clients)")
            polled = regions(env)
            expected = {"SHARED QUAKE": 1, "EMSC ONLY": 1, "USGS ONLY": 1}
            if polled != expected:
                raise SystemExit(f"FAIL: stored {polled}, expected {expected}")
            print("two sources, one shared quake: 3 rows, the shared one once (first source's report)")

            latencies = []
            for n in range(21):
                region = f"PUSHED {n}"
                sent = time.monotonic()
                push.send(push_message(n, region))
                if not e2e.wait_for(lambda: region in regions(env), 10, proc):
                    raise SystemExit(f"FAIL: pushed event {n} not stored within 10 s")
                latencies.append(time.monotonic() - sent)
            if latencies[0] > 2.0 and not SANITIZED:
                raise SystemExit(f"FAIL: the pushed event took {latencies[0]:.2f} s")
            print(f"pushed event stored {latencies[0] * 1000:.0f} ms after its message")
            print(f"20 more pushes: median {statistics.median(latencies[1:]) * 1000:.0f} ms, "
                  f"max {max(latencies[1:]) * 1000:.0f} ms from message to row")
            if any(n != 1 for n in regions(env).values()):
                raise SystemExit("FAIL: an event stored twice")
            e2e.terminate(proc, "sources and push")
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
