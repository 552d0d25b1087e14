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
import threading
import time
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

from catalogue_services import *  # noqa: E402,F401,F403 (the services, Case and the checks)


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
    run_cases(names, CASES, "completeness", lambda name, root: Case(name, binary, root, port), server)


if __name__ == "__main__":
    main()
