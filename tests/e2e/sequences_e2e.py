#!/usr/bin/env python3
"""Aftershocks notified once a cycle, end to end.

Usage: sequences_e2e.py <path to dravik>

A USGS GeoJSON feed on 127.0.0.1 brings the 2024-01-01 Noto M 7.5 (its USGS values) in its second answer, then
the five M 5 and larger aftershocks of USGS's saved answer (tests/fixtures/agencies/usgs_text_honshu_2024.txt: ids,
magnitudes, positions and places as saved, origins moved to the last minutes so that they are fresh, in their
order) three in the third answer and two in the fourth. With the default settings the stand-in notification
service must record one notification for the main shock and one summary a cycle for its aftershocks; with
`sequence/enabled=false`, one for each quake as before. Every quake is stored either way. Exit status 77
without dbus-daemon.
"""

import http.server
import json
import os
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dravik_e2e as e2e  # noqa: E402

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures", "agencies", "usgs_text_honshu_2024.txt")
MAIN = "Noto Peninsula, Japan"


def feature(fid, mag, place, lon, lat, depth, ms):
    return {"type": "Feature", "id": fid,
            "properties": {"mag": mag, "place": place, "time": ms, "updated": ms + 60000, "felt": None, "cdi": None,
                           "mmi": None, "alert": None, "tsunami": 0, "ids": f",{fid},", "type": "earthquake"},
            "geometry": {"type": "Point", "coordinates": [lon, lat, depth]}}


def aftershocks():
    rows = []
    with open(DATA, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            c = line.rstrip("\n").split("|")
            rows.append((c[1], c[0], float(c[10]), c[12], float(c[3]), float(c[2]), float(c[4])))
    return sorted(rows)  # oldest first


def feeds():
    now = int(time.time() * 1000)
    main = feature("us6000m0xl", 7.5, MAIN, 137.27, 37.49, 10.0, now - 10 * 60 * 1000)
    after = [feature(fid, mag, place, lon, lat, depth, now - (9 - i) * 60 * 1000)
             for i, (_, fid, mag, place, lon, lat, depth) in enumerate(aftershocks())]
    wrap = lambda features: json.dumps({"type": "FeatureCollection", "features": list(reversed(features))})
    return [wrap([]), wrap([main]), wrap([main] + after[:3]), wrap([main] + after)]


def run(binary, root, base, grouped):
    started = e2e.start_bus(os.path.join(root, "bus"))
    if started is None:
        print("skipped: dbus-daemon or /usr/bin/python3 missing")
        sys.exit(77)
    bus, service, address, record = started
    e2e.Pages.counts = {}
    e2e.Pages.sequences = {"/usgs.geojson": feeds()}
    env = e2e.make_env(root, base, "" if grouped else "\n[sequence]\nenabled=false\n")
    env.update({"DRAVIK_QUAKE_URL": base + "/usgs.geojson", "DRAVIK_POLL_SECONDS": "1",
                "DBUS_SESSION_BUS_ADDRESS": address})
    proc = e2e.subprocess.Popen([binary], env=env)
    expected = 3 if grouped else 6
    try:
        # The fourth answer twice: its second reading must add nothing.
        if not e2e.wait_for(lambda: e2e.Pages.counts.get("/usgs.geojson", 0) >= 6, e2e.CYCLE_TIMEOUT, proc):
            raise SystemExit(f"FAIL: fetches {e2e.Pages.counts}, exit status {proc.poll()}")
        e2e.wait_for(lambda: len(e2e.recorded(record)) >= expected, 10.0, proc)
        time.sleep(2.0)
        summaries = [n["summary"] for n in e2e.recorded(record)]
        if grouped:
            want = [f"M 7.5 {MAIN}", f"3 wstrząsy wtórne M 7.5 {MAIN}, największy M 5.6",
                    f"2 wstrząsy wtórne M 7.5 {MAIN}, największy M 5.1"]
            if summaries != want:
                raise SystemExit(f"FAIL: notified {summaries}, expected {want}")
        elif len(summaries) != expected or summaries[0] != f"M 7.5 {MAIN}":
            raise SystemExit(f"FAIL: each quake alone, notified {summaries}")
        print(("grouped" if grouped else "each alone") + f": {len(summaries)} notifications: " +
              " | ".join(summaries))
        rows = e2e.stored_rows(env, proc)
        if len(rows) != 6:
            raise SystemExit(f"FAIL: stored {rows}")
        e2e.terminate(proc, "grouped run" if grouped else "run without grouping")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        service.kill()
        bus.kill()
        service.wait()
        bus.wait()


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    e2e.Pages.bodies = {"/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": ""}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    with tempfile.TemporaryDirectory(prefix="dravik-sequences-") as root:
        run(binary, os.path.join(root, "grouped"), base, True)
        run(binary, os.path.join(root, "alone"), base, False)
    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
