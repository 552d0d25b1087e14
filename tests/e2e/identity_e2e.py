#!/usr/bin/env python3
"""One earthquake, one row: two agencies, EMSC's push, revisions and a restart, with the real program offscreen.

Usage: identity_e2e.py <path to dravik>
(needs Debian's python3 with websockets, dbus and gi, and dbus-daemon; without them it exits 77: skipped)

Served on 127.0.0.1: an FDSN event service (text) with some 375 quakes over the last 36 h at EMSC's daily rate,
two aftershock sequences among them with quakes whose texts are all equal; a USGS-like GeoJSON day feed on the
host name "localhost" (a second agency) with shifted copies of some quakes (+20 s, ~20 km, M +0.2) and quakes
of its own; EMSC's push over a WebSocket; a stand-in notification service on a private session bus.
Alert threshold M 5.0, notifications from M 5.0, language English.

Run 1: the FDSN service lags (publishes quakes older than 12 h only). Expected: every published quake of the
last day stored once (the newest-first page of 50 and a paged catch-up from now - 1 day), none older; the
copies only as ids of the rows they copy; no notification in the first cycle (a fresh M 5.5 of the second
agency is in it). Pushes: a fresh M 5.4 (one notification) and a fresh M 3.2 (none), then five updates of the
M 5.4 (rows revised in place, no second notification: its notice updated in place once, at M 5.7, 0.3 from what
it said).
Run 2, a restart: everything published, three quakes revised by their source, more copies (some of quakes
stored by run 1 and not read again), one quake revised while running. Expected: the catch-up from the source's
completeness mark (how far run 1 read it) - 1 h; every quake once, run 1's rows kept (same rowids) and revised in place; no
notification in the first cycle (a fresh M 5.6 is in it); the pushed M 3.2 updated to M 5.3 notifies once
("revised to M 5.3"), and not again at M 5.4; an update of a 3-day-old M 6.1 is a new row that never
notifies; a quake pushed now at M 3.0 and updated to M 5.1 notifies once.
Figures: catch-up requests per run, the time from start to the archive holding everything, push to row.
"""

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

from identity_world import *  # noqa: E402,F401,F403 (the catalogues, services, archive and checks)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    try:
        import sources_e2e  # the push server; needs websockets
    except ImportError as e:
        print(f"skipped: {e}")
        sys.exit(SKIPPED)

    t0 = now_ms() - now_ms() % 1000
    catalogue = Catalogue(t0)
    lag_cutoff = t0 - 12 * HOUR
    reach = catalogue.in_reach(t0 - 24 * HOUR)
    run1_fdsn = {i for i in reach if i[len(FDSN_PREFIX):] in {q["id"] for q in catalogue.published(lag_cutoff)}}
    usgs_own = [
        {"id": "us7000u001", "t": t0 - 20 * HOUR, "lat": -47.10, "lon": 166.20, "depth": 12.0, "mag": 4.1,
         "region": "off the west coast of the South Island, New Zealand"},
        {"id": "us7000u002", "t": t0 - 8 * HOUR, "lat": -46.30, "lon": -75.40, "depth": 10.0, "mag": 3.9,
         "region": "Aisen, Chile"},
        {"id": "us7000u003", "t": t0 - 20 * MINUTE, "lat": -48.00, "lon": 100.00, "depth": 10.0, "mag": 5.5,
         "region": "Southeast Indian Ridge"},
    ]
    usgs_late_own = {"id": "us7000u004", "t": t0 - 2 * HOUR, "lat": -45.50, "lon": 35.00, "depth": 10.0, "mag": 4.4,
                     "region": "Prince Edward Islands region"}
    copies, n = {}, 0
    for group in (catalogue.copied_run1, catalogue.copied_late, catalogue.copied_run2):
        for q in group:
            n += 1
            copies[q["id"]] = usgs_copy(q, n)
    usgs_run1 = usgs_own + [copies[q["id"]] for q in catalogue.copied_run1]
    usgs_run2 = usgs_own + [usgs_late_own] + [copies[q["id"]] for q in
                                              catalogue.copied_run1 + catalogue.copied_late + catalogue.copied_run2]
    merged_run1 = {USGS_PREFIX + copies[q["id"]]["id"]: FDSN_PREFIX + q["id"] for q in catalogue.copied_run1}
    merged_run2 = {USGS_PREFIX + copies[q["id"]]["id"]: FDSN_PREFIX + q["id"] for q in
                   catalogue.copied_run1 + catalogue.copied_late + catalogue.copied_run2}
    print(f"catalogue: {len(catalogue.quakes)} quakes over 36 h, {len(reach)} of the last day, "
          f"{len(run1_fdsn)} of them published in run 1; {len(copies)} shifted copies, "
          f"{len(usgs_own) + 1} quakes of the second agency's own")

    server = e2e.http.server.ThreadingHTTPServer(("127.0.0.1", 0), Services)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    push = sources_e2e.PushServer()
    problems = []

    with tempfile.TemporaryDirectory(prefix="dravik-identity-e2e-") as root:
        started = e2e.start_bus(os.path.join(root, "bus"))
        if started is None:
            print("skipped: dbus-daemon or /usr/bin/python3 missing")
            sys.exit(SKIPPED)
        bus, service, address, record = started
        notices = Notices(record)
        env = e2e.make_env(root, f"http://127.0.0.1:{port}")
        with open(os.path.join(env["XDG_CONFIG_HOME"], "Korvan", "Dravik.conf"), "w") as f:
            f.write(SETTINGS)
        env.update({
            "DRAVIK_QUAKE_URL": f"http://127.0.0.1:{port}{FDSN_PATH}?format=text&limit=50 "
                                f"http://localhost:{port}{USGS_PATH}",
            "DRAVIK_PUSH_URL": f"ws://127.0.0.1:{push.port}/standing_order/websocket",
            "DRAVIK_POLL_SECONDS": str(POLL_SECONDS),
            "DBUS_SESSION_BUS_ADDRESS": address,
            "QT_LOGGING_RULES": "dravik.alert.info=true",
        })
        run = None
        try:
            # ------------------------------------------------------------------------------------ run 1
            with World.lock:
                World.fdsn_quakes = catalogue.published(lag_cutoff)
                World.usgs = usgs_body(usgs_run1)
            run = Run(binary, env, 1)
            expected = run1_fdsn | {USGS_PREFIX + q["id"] for q in usgs_own}
            run.wait(lambda: World.hit(1, "/xray") and expected <= set(run.archive().creators()), WAIT,
                     f"the archive never held the {len(expected)} quakes published in the last day",
                     lambda: f"missing: {sample(expected - set(run.archive().creators()))}")
            complete1 = time.monotonic() - run.started
            archive = run.archive()
            problems += check_identity(archive, expected, merged_run1, "run 1")
            problems += check_equal_texts(archive, catalogue, "run 1")
            catch_ups = World.catch_ups(1)
            start1 = [fdsn_time_ms(c["starttime"]) for c in catch_ups]
            if not catch_ups:
                problems.append("run 1: the FDSN service was never paged from a start time")
            elif not (t0 - 24 * HOUR <= start1[0] <= t0 - 24 * HOUR + 5 * MINUTE):
                problems.append(f"run 1: the first catch-up started at {catch_ups[0]['starttime']}, expected about "
                                f"{iso(t0 - 24 * HOUR)} (a day back)")
            for c in catch_ups:
                if c.get("orderby") != "time-asc" or c.get("limit") != "1000" or c.get("format") != "text" or \
                        not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}", c.get("starttime", "")):
                    problems.append(f"run 1: catch-up request {c}: expected starttime=YYYY-MM-DDThh:mm:ss.sss, "
                                    "orderby=time-asc, limit=1000 and the address's format=text")
            if notices.count():
                problems.append(f"run 1: the first cycle notified: {notices.all()}")
            print(f"run 1: {len(archive.rows)} rows, every published quake of the last day once, "
                  f"{complete1:.2f} s after start; {len(catch_ups)} catch-up request(s), {World.polls(1)} poll(s)")

            run.wait(lambda: push.clients, 30, "no push connection")
            # Pushes of fresh quakes: one that notifies, one below the threshold.
            pushed_at = now_ms()
            strong = {"id": "20261207_0009001", "t": pushed_at - 90_000, "lat": -58.10, "lon": -25.40,
                      "depth": 35.0, "mag": 5.4, "region": "SOUTH SANDWICH ISLANDS REGION"}
            weak = {"id": "20261207_0009002", "t": pushed_at - 60_000, "lat": -59.30, "lon": -26.80,
                    "depth": 10.0, "mag": 3.2, "region": "SOUTH GEORGIA ISLAND REGION"}
            before, sounds = notices.count(), run.sounds()
            first_push = push_and_wait(run, push, "create", strong, shows(strong), "fresh M 5.4 pushed")
            new = notices.settle(run, before, 1, "fresh M 5.4 pushed", problems)
            if new and "SOUTH SANDWICH" not in new[0]["summary"]:
                problems.append(f"run 1: the notice for the pushed M 5.4 reads {new[0]}")
            strong_notice = new[0]["id"] if new else None
            before = notices.count()
            push_and_wait(run, push, "create", weak, shows(weak), "fresh M 3.2 pushed")
            notices.settle(run, before, 0, "fresh M 3.2 pushed (below the threshold)", problems)
            if first_push > 2.0 and not SANITIZED:
                problems.append(f"run 1: the pushed quake took {first_push:.2f} s to its row")

            # Updates of the quake that has notified already: each revises its row, none notifies again; the one
            # 0.3 from what its notice said updates that notice in place.
            before = notices.count()
            rows_before = len(run.archive().rows)
            latencies = []
            for k in range(1, 6):
                strong = dict(strong, mag=round(5.4 + k / 10, 1), region=f"SOUTH SANDWICH ISLANDS REGION ({k})")
                latencies.append(push_and_wait(run, push, "update", strong, shows(strong), f"update {k} of the M 5.4"))
            new = notices.settle(run, before, 1, "five updates of a quake that has notified", problems)
            if new and (new[0]["replaces"] != strong_notice or new[0]["id"] != strong_notice or
                        not new[0]["body"].startswith("revised to M 5.7 (was M 5.4)")):
                problems.append(f"run 1: the M 5.4's notice was not updated in place at M 5.7: {new[0]}")
            archive = run.archive()
            if len(archive.rows) != rows_before:
                problems.append(f"run 1: five updates of one quake made {len(archive.rows) - rows_before} rows more")
            if run.sounds() - sounds != 1:
                problems.append(f"run 1: {run.sounds() - sounds} sounds for the pushes, expected 1 (the M 5.4)")
            # One more poll brings nothing new.
            polls = World.polls(1)
            run.wait(lambda: World.polls(1) >= polls + 2, 20, "no further polls")
            if len(run.archive().rows) != len(archive.rows):
                problems.append("run 1: a repeated poll added rows")
            run.program.terminate("run 1", bound=e2e.EXIT_TIMEOUT)
            run1_rows = run.archive().creators()
            print(f"run 1: push create to row {first_push * 1000:.0f} ms; update to row revised: median "
                  f"{statistics.median(latencies) * 1000:.0f} ms, max {max(latencies) * 1000:.0f} ms (5 updates)")

            # ------------------------------------------------------------------------------------ run 2
            if not e2e.wait_for(lambda: not push.clients, 10, run.program.proc):
                push.clients.clear()
            mark = Archive.complete_mark(env, FDSN_PREFIX[:-1])
            if mark is None:
                fail("run 1 left no completeness mark of the FDSN source")
            with World.lock:
                World.fdsn_quakes = catalogue.published(None, catalogue.revisions)
                World.usgs = usgs_body(usgs_run2)
            run = Run(binary, env, 2)
            notified_run1 = notices.count()
            expected = (reach | {USGS_PREFIX + q["id"] for q in usgs_own + [usgs_late_own]} |
                        {PUSH_PREFIX + strong["id"], PUSH_PREFIX + weak["id"]})
            revised = catalogue.published(None, catalogue.revisions)
            revised_texts = {FDSN_PREFIX + q["id"]: (f"{q['mag']:.1f}", q["region"], f"{q['lat']:.2f}")
                             for q in revised if q["id"] in catalogue.revisions}

            def holds_revisions(a):
                return all(a.texts(i) is not None and (a.texts(i)[0].strip(), a.texts(i)[1], a.texts(i)[4].strip())
                           == want for i, want in revised_texts.items())

            run.wait(lambda: World.hit(2, "/xray") and expected <= set(run.archive().creators()) and
                     holds_revisions(run.archive()), WAIT,
                     f"the archive never held all {len(expected)} quakes with the revisions",
                     lambda: f"missing: {sample(expected - set(run.archive().creators()))}; revised rows hold "
                             f"{[run.archive().texts(i) for i in revised_texts]}, expected "
                             f"{list(revised_texts.values())} (mag, region, latitude)")
            complete2 = time.monotonic() - run.started
            archive = run.archive()
            problems += check_identity(archive, expected, merged_run2, "run 2")
            problems += check_equal_texts(archive, catalogue, "run 2")
            now_rows = archive.creators()
            moved = {i for i, row in run1_rows.items() if now_rows.get(i) != row}
            if moved:
                problems.append(f"run 2: {len(moved)} of run 1's quakes are on other rows after the restart: "
                                f"{sample(moved)}")
            catch_ups = World.catch_ups(2)
            if not catch_ups:
                problems.append("run 2: the FDSN service was never paged after the restart")
            elif fdsn_time_ms(catch_ups[0]["starttime"]) != mark - HOUR:
                problems.append(f"run 2: the catch-up started at {catch_ups[0]['starttime']}, expected "
                                f"{iso(mark - HOUR)} (the archive's mark of the source, {iso(mark)}, less an hour)")
            if notices.count() != notified_run1:
                problems.append(f"run 2: the first cycle notified: {notices.all()[notified_run1:]}")
            print(f"run 2: {len(archive.rows)} rows, every quake once with 3 revisions, {complete2:.2f} s after "
                  f"start; {len(catch_ups)} catch-up request(s), {World.polls(2)} poll(s)")

            # A revision of the newest quake while the program runs: the row takes it in place.
            rows_before = len(archive.rows)
            latest = FDSN_PREFIX + catalogue.latest["id"]
            with World.lock:
                World.fdsn_quakes = catalogue.published(None, dict(catalogue.revisions, **{
                    catalogue.latest["id"]: {"mag": 3.5, "region": "DODECANESE ISLANDS, GREECE (REVISED)"}}))
            run.wait(lambda: (run.archive().texts(latest) or ("",))[0].strip() == "3.5", 20,
                     "a revision on the newest-first page was never stored")
            if run.archive().texts(latest)[1] != "DODECANESE ISLANDS, GREECE (REVISED)" or \
                    len(run.archive().rows) != rows_before:
                problems.append(f"run 2: revision while running stored as {run.archive().texts(latest)}, "
                                f"{len(run.archive().rows) - rows_before} rows more")

            run.wait(lambda: push.clients, 30, "no push connection")
            sounds = run.sounds()
            # The quake pushed at M 3.2 in run 1, still fresh, revised across the threshold: one notice.
            before = notices.count()
            weak = dict(weak, mag=5.3)
            push_and_wait(run, push, "update", weak, shows(weak), "update of run 1's M 3.2 to M 5.3")
            new = notices.settle(run, before, 1, "run 1's fresh M 3.2 updated to M 5.3 after the restart", problems)
            if new and "revised to M 5.3" not in new[0]["body"]:
                problems.append(f"run 2: the notice of the upgrade does not say 'revised to M 5.3': {new[0]}")
            before = notices.count()
            weak = dict(weak, mag=5.4)
            push_and_wait(run, push, "update", weak, shows(weak), "second update to M 5.4")
            notices.settle(run, before, 0, "the upgraded quake updated again (M 5.4)", problems)

            # An update of a quake three days old that was never listed: a row, silence.
            stale = {"id": "20261204_0000777", "t": t0 - 72 * HOUR, "lat": -56.00, "lon": -27.50, "depth": 100.0,
                     "mag": 6.1, "region": "SOUTH SANDWICH ISLANDS REGION (OLD)"}
            before = notices.count()
            stale_sounds = run.sounds()
            push_and_wait(run, push, "update", stale, shows(stale), "update of a 3-day-old quake")
            notices.settle(run, before, 0, "update of a 3-day-old M 6.1", problems)
            if run.sounds() != stale_sounds:
                problems.append("run 2: the update of a 3-day-old quake sounded")

            # A quake pushed now below the threshold and revised across it in this run: one notice.
            pushed_at = now_ms()
            late = {"id": "20261207_0009003", "t": pushed_at - 30_000, "lat": -57.20, "lon": -24.10,
                    "depth": 20.0, "mag": 3.0, "region": "EAST OF SOUTH SANDWICH ISLANDS"}
            before = notices.count()
            push_and_wait(run, push, "create", late, shows(late), "fresh M 3.0 pushed")
            notices.settle(run, before, 0, "fresh M 3.0 pushed", problems)
            late = dict(late, mag=5.1)
            before = notices.count()
            update_latency = push_and_wait(run, push, "update", late, shows(late), "update of the M 3.0 to M 5.1")
            new = notices.settle(run, before, 1, "a fresh M 3.0 updated to M 5.1 in the same run", problems)
            if new and "revised to M 5.1" not in new[0]["body"]:
                problems.append(f"run 2: the notice of the upgrade does not say 'revised to M 5.1': {new[0]}")
            if run.sounds() - sounds != 2:
                problems.append(f"run 2: {run.sounds() - sounds} sounds for the pushes, expected 2 (the two upgrades)")

            # The end: every quake once, the pushes' last values.
            expected |= {PUSH_PREFIX + stale["id"], PUSH_PREFIX + late["id"]}
            archive = run.archive()
            problems += check_identity(archive, expected, merged_run2, "end")
            for quake in (strong, weak, stale, late):
                if not shows(quake)(archive.texts(PUSH_PREFIX + quake["id"])):
                    problems.append(f"end: pushed {quake['id']} holds {archive.texts(PUSH_PREFIX + quake['id'])}")
            run.program.terminate("run 2", bound=e2e.EXIT_TIMEOUT)
            print(f"run 2: push update to row revised {update_latency * 1000:.0f} ms; "
                  f"{len(archive.rows)} rows at the end, {notices.count()} notifications in all")
        finally:
            if run is not None:
                run.program.kill()
            service.kill()
            bus.kill()
            service.wait()
            bus.wait()
    server.shutdown()
    with World.lock:
        problems += [f"the FDSN service could not read a request: {b}" for b in World.bad]
    if problems:
        for p in problems:
            print(f"FAIL: {p}")
        sys.exit(1)
    print("PASS")


if __name__ == "__main__":
    main()
