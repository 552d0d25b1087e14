#!/usr/bin/env python3
"""The real program's answer to "will I feel it", end to end.

Usage: shaking_e2e.py <path to dravik>

Places in Dravik.conf (the home in Warsaw, Tulsa and Oklahoma City as the places array, a shaking rule from IV,
every magnitude threshold above the quake's) and a USGS GeoJSON feed on 127.0.0.1 whose second answer holds a
fresh M 4.7 between Tulsa and Oklahoma City with felt reports. The notification a stand-in notification service
records must name each of the two places with its numeral and words, leave out Warsaw (nothing felt there),
carry the felt reports and, since the quake alerted by the shaking rule alone, exist at all; the quake is stored.
Also the same run without the shaking rule: nothing is notified. Exit status 77 without dbus-daemon.
"""

import http.server
import json
import os
import re
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dravik_e2e as e2e  # noqa: E402

PLACES = ("\n[home]\nlatitude=52.23\nlongitude=21.01\nname=Warszawa\n"
          "\n[places]\n1\\name=Tulsa\n1\\latitude=36.15\n1\\longitude=-95.99\n"
          "2\\name=Oklahoma City\n2\\latitude=35.47\n2\\longitude=-97.52\nsize=2\n")


def feature(fid, mag, place, lon, lat, depth, ms, felt=None, cdi=None):
    return {"type": "Feature", "id": fid,
            "properties": {"mag": mag, "place": place, "time": ms, "updated": ms + 60000, "felt": felt, "cdi": cdi,
                           "mmi": None, "alert": None, "tsunami": 0, "ids": f",{fid},", "type": "earthquake"},
            "geometry": {"type": "Point", "coordinates": [lon, lat, depth]}}


def feeds():
    now = int(time.time() * 1000)
    old = feature("ok0001", 2.1, "5 km N of Pawnee, Oklahoma", -96.80, 36.38, 6.0, now - 3600 * 1000 * 5)
    fresh = feature("ok0002", 4.7, "10 km S of Bristow, Oklahoma", -96.39, 35.74, 5.0, now - 60 * 1000, 1234, 5.1)
    wrap = lambda features: json.dumps({"type": "FeatureCollection", "features": features})
    return [wrap([old]), wrap([fresh, old])]


def places_run(binary, root, base, rule):
    with e2e.notification_bus(root, "places run") as (address, record):
        e2e.Pages.counts = {}
        e2e.Pages.sequences = {"/usgs.geojson": feeds()}
        settings = ("\n[alert]\nglobalMagnitude=6.0\n" + ("minIntensity=4\n" if rule else "") +
                    "\n[notify]\nminMagnitude=6.0\n" + PLACES)
        env = e2e.make_env(root, base, settings)
        env.update({"DRAVIK_QUAKE_URL": base + "/usgs.geojson", "DRAVIK_POLL_SECONDS": "1",
                    "DBUS_SESSION_BUS_ADDRESS": address})
        with e2e.running([binary], env=env) as proc:
            # The second answer brings the fresh quake; one more cycle must add nothing.
            if not e2e.wait_for(lambda: e2e.Pages.counts.get("/usgs.geojson", 0) >= 4, e2e.CYCLE_TIMEOUT, proc):
                raise SystemExit(f"FAIL: fetches {e2e.Pages.counts}, exit status {proc.poll()}")
            if rule:
                e2e.wait_for(lambda: len(e2e.recorded(record)) >= 1, 10.0, proc)
            notices = e2e.recorded(record)
            if not rule:
                if notices:
                    raise SystemExit(f"FAIL: without the shaking rule nothing passes the thresholds, got {notices}")
                print("without the shaking rule: no notification, as the thresholds say")
            else:
                if len(notices) != 1 or notices[0]["summary"] != "M 4.7 10 km S of Bristow, Oklahoma":
                    raise SystemExit(f"FAIL: notified {notices}")
                body = notices[0]["body"]
                lines = body.split("\n")
                for name in ("Tulsa", "Oklahoma City"):
                    if not any(re.fullmatch(name + r": [IVX]+ \([^)]+\), \d+ km", line) for line in lines):
                        raise SystemExit(f"FAIL: {name} and its numeral missing from the notification: {body!r}")
                if "Warszawa:" in body:
                    raise SystemExit(f"FAIL: Warsaw feels nothing and is named: {body!r}")
                if "odczuto V, 1 234 zgłoszenia" not in lines:
                    raise SystemExit(f"FAIL: the felt reports are missing: {body!r}")
                print("notified: " + " | ".join(lines))
            rows = e2e.stored_rows(env, proc)
            if sorted(r[1] for r in rows) != ["10 km S of Bristow, Oklahoma", "5 km N of Pawnee, Oklahoma"]:
                raise SystemExit(f"FAIL: stored {rows}")
            e2e.terminate(proc, "places run" + ("" if rule else " without the rule"))


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    e2e.Pages.bodies = {"/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": ""}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    with tempfile.TemporaryDirectory(prefix="dravik-shaking-") as root:
        places_run(binary, os.path.join(root, "rule"), base, True)
        places_run(binary, os.path.join(root, "norule"), base, False)
    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
