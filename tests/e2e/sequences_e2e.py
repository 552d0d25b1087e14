#!/usr/bin/env python3
"""A sequence's notices, end to end: one for the main shock, one card updated in place, revisions in place.

Usage: sequences_e2e.py <path to dravik>

A USGS GeoJSON feed on 127.0.0.1 brings the 2024-01-01 Noto main shock in its second answer, first with an
early magnitude of 7.2 (made for this test), revised to USGS's 7.5 in the fourth answer; then the five M 5 and
larger aftershocks of USGS's saved answer (tests/fixtures/agencies/usgs_text_honshu_2024.txt: ids, magnitudes,
positions and places as saved, origins moved to the last minutes so that they are fresh, in their order) one an
answer, as a poll brings a real sequence. With the default settings the stand-in notification service must
record one notification for the main shock, updated in place by its revision (the service's replaces_id), and
one card for the aftershocks opened by the first and updated in place by every later one, its last text counting
all five. With `sequence/enabled=false`, one notification for each quake as before. Every quake is stored either
way. Prints the notices, new and updated, of each run. Exit status 77 without dbus-daemon.
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


def feature(fid, mag, place, lon, lat, depth, ms, updated=None):
    return {"type": "Feature", "id": fid,
            "properties": {"mag": mag, "place": place, "time": ms, "updated": updated or ms + 60000, "felt": None,
                           "cdi": None, "mmi": None, "alert": None, "tsunami": 0, "ids": f",{fid},",
                           "type": "earthquake", "status": "automatic"},
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
    origin = now - 10 * 60 * 1000
    early = feature("us6000m0xl", 7.2, MAIN, 137.27, 37.49, 10.0, origin)
    revised = feature("us6000m0xl", 7.5, MAIN, 137.27, 37.49, 10.0, origin, origin + 5 * 60 * 1000)
    after = [feature(fid, mag, place, lon, lat, depth, now - (9 - i) * 60 * 1000)
             for i, (_, fid, mag, place, lon, lat, depth) in enumerate(aftershocks())]
    wrap = lambda features: json.dumps({"type": "FeatureCollection", "features": list(reversed(features))})
    answers = [wrap([]), wrap([early]), wrap([early] + after[:1])]
    answers += [wrap([revised] + after[:n]) for n in range(2, len(after) + 1)]
    return answers


def run(binary, root, base, grouped):
    with e2e.notification_bus(root, "sequences run") as (address, record):
        answers = feeds()
        e2e.Pages.counts = {}
        e2e.Pages.sequences = {"/usgs.geojson": answers}
        env = e2e.make_env(root, base, "" if grouped else "\n[sequence]\nenabled=false\n")
        env.update({"DRAVIK_QUAKE_URL": base + "/usgs.geojson", "DRAVIK_POLL_SECONDS": "1",
                    "DBUS_SESSION_BUS_ADDRESS": address})
        with e2e.running([binary], env=env) as proc:
            # The last answer twice: its second reading must add nothing.
            if not e2e.wait_for(lambda: e2e.Pages.counts.get("/usgs.geojson", 0) >= len(answers) + 1, e2e.CYCLE_TIMEOUT,
                                proc):
                raise SystemExit(f"FAIL: fetches {e2e.Pages.counts}, exit status {proc.poll()}")
            # Two new and five updates grouped; six new and one update each alone.
            e2e.wait_for(lambda: len(e2e.recorded(record)) >= 7, 10.0, proc)
            time.sleep(2.0)
            notices = e2e.recorded(record)
            new = [n for n in notices if n["replaces"] == 0]
            updates = [n for n in notices if n["replaces"] != 0]
            print(("grouped" if grouped else "each alone") + f": {len(new)} new, {len(updates)} updated in place")
            for n in notices:
                print(f"  id {n['id']} replaces {n['replaces']}: {n['summary']}")
            main_notice = [n for n in notices if n["summary"].startswith("M 7.2 ")]
            if len(main_notice) != 1 or main_notice[0]["replaces"] != 0:
                raise SystemExit(f"FAIL: the main shock's notice: {notices}")
            main_id = main_notice[0]["id"]
            revision = [n for n in notices if n["replaces"] == main_id]
            if (len(revision) != 1 or revision[0]["summary"] != f"M 7.5 {MAIN}" or revision[0]["id"] != main_id or
                    not revision[0]["body"].startswith("skorygowano do M 7.5 (było M 7.2)")):
                raise SystemExit(f"FAIL: the revision did not update the main shock's notice in place: {notices}")
            if grouped:
                cards = [n for n in notices if n["id"] not in (main_id,)]
                if len(new) != 2 or len(cards) != 5 or any(n["id"] != cards[0]["id"] for n in cards):
                    raise SystemExit(f"FAIL: expected one card opened and updated in place, got {notices}")
                if cards[0]["replaces"] != 0 or any(n["replaces"] != cards[0]["id"] for n in cards[1:]):
                    raise SystemExit(f"FAIL: the card's updates do not replace it: {notices}")
                if not cards[0]["summary"].startswith(f"1 wstrząs wtórny M 7.2 {MAIN} · największy M 5.5 · ostatni M 5.5,"):
                    raise SystemExit(f"FAIL: the card's first text: {cards[0]['summary']}")
                last = cards[-1]["summary"]
                if not last.startswith(f"5 wstrząsów wtórnych M 7.5 {MAIN} · największy M 5.6 · ostatni M 5.1,"):
                    raise SystemExit(f"FAIL: the card's last text does not count every aftershock: {last}")
                if "ocena ogólna" not in cards[-1]["body"] or not all(n["hints"].get("suppress-sound") for n in cards[1:]):
                    raise SystemExit(f"FAIL: the card's outlook or its silent updates: {cards[-1]}")
            elif len(new) != 6 or len(updates) != 1:
                raise SystemExit(f"FAIL: each quake alone, notified {notices}")
            rows = e2e.stored_rows(env, proc)
            if len(rows) != 6:
                raise SystemExit(f"FAIL: stored {rows}")
            e2e.terminate(proc, "grouped run" if grouped else "run without grouping")


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
