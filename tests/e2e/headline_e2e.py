#!/usr/bin/env python3
"""The quake that concerns the user comes first, end to end: the real program on a private X display, its window
read through the accessibility bus (a11y.py) as a screen reader reads it.

Usage: headline_e2e.py <path to dravik>   (exits 77 when a desktop or accessibility tool is missing)

Places in Dravik.conf: the home in İstanbul, Tokyo and Los Angeles. A USGS GeoJSON feed on 127.0.0.1 answers
first with small Californian quakes (no band: nothing to say), then with an M 7.4 78 km east of İstanbul under
newer Californian M 0.3-1.9 quakes. Expected: the band (a button named by its text) names the M 7.4, its distance
from İstanbul, the shaking expected there, its 3 120 felt reports and PAGER orange; the list's selected row is the
M 7.4, not the list's top. Prints the time from the feed's answer to the band (the program's own log line, and
as a screen reader first read it).
"""

import http.server
import json
import os
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import a11y  # noqa: E402
import desktop  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "a11y_headline.py")
PLACES = ("\n[home]\nlatitude=41.01\nlongitude=28.98\nname=İstanbul\n"
          "\n[places]\n1\\name=Tokyo\n1\\latitude=35.68\n1\\longitude=139.69\n"
          "2\\name=Los Angeles\n2\\latitude=34.05\n2\\longitude=-118.24\nsize=2\n")
SETTINGS = "\n[alert]\nglobalMagnitude=9.0\nminIntensity=4\n\n[notify]\nenabled=false\n" + PLACES


def feature(fid, mag, place, lon, lat, ms, felt=None, alert=None):
    return {"type": "Feature", "id": fid,
            "properties": {"mag": mag, "place": place, "time": ms, "updated": ms + 1000, "felt": felt, "cdi": None,
                           "mmi": None, "alert": alert, "tsunami": 0, "ids": f",{fid},", "type": "earthquake"},
            "geometry": {"type": "Point", "coordinates": [lon, lat, 10.0]}}


def feeds():
    now = int(time.time() * 1000)
    minute = 60 * 1000
    calif = [feature("ci1", 1.5, "5 km N of Ridgecrest, CA", -117.67, 35.67, now - 9 * minute),
             feature("ci2", 0.9, "3 km W of Cobb, CA", -122.76, 38.82, now - 8 * minute)]
    big = feature("us74", 7.4, "Marmara Sea, Turkey", 29.90, 40.95, now - 2 * minute, 3120, "orange")
    newer = [feature("ci3", 0.3, "2 km S of Anza, CA", -116.67, 33.54, now - minute // 2),
             feature("ci4", 1.9, "8 km E of Idyllwild, CA", -116.63, 33.74, now - minute // 3)]
    wrap = lambda features: json.dumps({"type": "FeatureCollection", "features": features})
    return [wrap(list(reversed(calif))), wrap(list(reversed(newer)) + [big] + list(reversed(calif)))]


class Feed(e2e.Pages):
    """The pages, with the moment each answer to the feed went out."""
    served = []

    def do_GET(self):
        super().do_GET()
        if self.path.split("?", 1)[0] == "/usgs.geojson":
            Feed.served.append(time.monotonic())


def read(bus, pid):
    try:
        result = subprocess.run([a11y.DEBIAN_PYTHON, "-I", READER, str(pid)], env=bus.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, timeout=30)
        return json.loads(result.stdout or "{}")
    except (subprocess.TimeoutExpired, ValueError):
        return {}


def main():
    binary = sys.argv[1]
    missing = [tool for tool in ("Xvfb", "openbox") if not desktop.shutil.which(tool)] + a11y.missing()
    if missing:
        print(f"skipped: missing programs: {' '.join(missing)}")
        sys.exit(desktop.SKIPPED)
    e2e.Pages.bodies = {"/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": ""}
    e2e.Pages.sequences = {"/usgs.geojson": feeds()}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Feed)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    with tempfile.TemporaryDirectory(prefix="dravik-headline-") as root, desktop.Desktop(tray=False) as desk, \
            a11y.Bus(os.path.join(root, "bus"), os.environ) as bus:
        env = bus.program_env(e2e.make_env(root, base, SETTINGS))
        env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb", DRAVIK_POLL_SECONDS="8",
                   DRAVIK_QUAKE_URL=base + "/usgs.geojson", QT_LOGGING_RULES="dravik.headline.info=true")
        headline_at = []
        proc = subprocess.Popen([binary], env=env, stderr=subprocess.PIPE, text=True)

        def log():
            for line in proc.stderr:
                if line.startswith("dravik.headline: headline") and line.rstrip().endswith(":us74"):
                    headline_at.append(time.monotonic())

        threading.Thread(target=log, daemon=True).start()
        try:
            # The first answer: small quakes far from every place, nothing for the band.
            if not desktop.wait_for(lambda: len(Feed.served) >= 1 and read(bus, proc.pid).get("selected"), 60, 0.3):
                raise SystemExit(f"FAIL: the first answer was never listed (exit status {proc.poll()})")
            first = read(bus, proc.pid)
            if any(name.startswith("M ") for name, _ in first.get("buttons", [])):
                raise SystemExit(f"FAIL: a band with nothing to say: {first}")
            print(f"first answer listed, no band; selected {first['selected'][:2]}")

            def band():
                seen = read(bus, proc.pid)
                named = [b for b in seen.get("buttons", []) if b[0].startswith("M 7.4 · ")]
                if named and not band_read:
                    band_read.append(time.monotonic())
                # The band comes with the rows; the selection once the round that brought them is through.
                selected = seen.get("selected", [])
                return (named[0], seen) if named and selected[1:2] == ["Marmara Sea, Turkey"] else None

            band_read = []

            found = desktop.wait_for(band, 60, 0.2)
            selected_at = time.monotonic()
            if found is None:
                raise SystemExit(f"FAIL: the M 7.4 never took the band: {read(bus, proc.pid)}")
            (text, description), seen = found
            print(f"band: {text!r} ({description!r})")
            for piece in ("İstanbul: ", "km na wschód", "spodziewane", "3 120 zgłoszeń odczucia", "PAGER pomarańczowy",
                          "brak komunikatu o tsunami"):
                if piece not in text:
                    raise SystemExit(f"FAIL: {piece!r} missing from the band: {text!r}")
            if not description:
                raise SystemExit("FAIL: the band does not say what it is")
            selected = seen["selected"]
            if len(selected) < 2 or selected[0] != "7.4" or selected[1] != "Marmara Sea, Turkey":
                raise SystemExit(f"FAIL: the selection did not go to the M 7.4: {selected}")
            print(f"selected row: {selected}")
            answered = [t for t in Feed.served if not headline_at or t <= headline_at[0]]
            if headline_at and len(answered) >= 2:
                print(f"figure: arrival to band {1000 * (headline_at[0] - answered[1]):.0f} ms (program's log), "
                      f"{1000 * (band_read[0] - answered[1]):.0f} ms until a screen reader read it, "
                      f"{1000 * (selected_at - answered[1]):.0f} ms until it read the selection on it")
            status = desktop.terminate(proc, timeout=30)
            if status != 0:
                raise SystemExit(f"FAIL: exit status {status} after SIGTERM")
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
