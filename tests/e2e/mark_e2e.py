#!/usr/bin/env python3
"""The completeness mark moves only over what was written and could be checked, with the real program offscreen
against services on 127.0.0.1 (the services and the program's runs of completeness_e2e.py).

Usage: mark_e2e.py <path to dravik> [case ...]

future   one report dated 2099 (future2099) or 6 h ahead (future6h) among a run's quakes; 2,000 quakes published
         while the program was off: all stored at the restart.
clock    the computer's clock 3 days fast (faketime) at the first start and the next: every quake stored, and no
         request asks from the future.
window   a service that answers every request with the same page: nothing beyond the page is taken for read (said
         once); once it answers as asked, the restart reads it all.
address  two addresses of one agency (all magnitudes, M 4+), an archive whose mark is the agency's: while the first
         fails the second reads; once it reads again every quake below M 4 is stored too.
late     a quake published late and one revised while the catch-up pages, both in a page already read: found by
         update time.
copy     one agency's GeoJSON (with update times) and FDSN text (without): the copy without one never reverts the
         values; an update time in 2099 does not hold back later revisions.
backlog  the archive locked through a 60,000-quake catch-up: every quake stored once it is free.
older    another agency's copies of 200 archived quakes older than what is read at start: no second row.
detach   an agency's aftershock taken for another's main shock in one run; its report of the main shock in the next:
         the main shock one row, the aftershock a row of its own.

Per case one line "<case>: stored X of Y served".
"""

import glob
import os
import sqlite3
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import catalogue_services  # noqa: E402
import completeness_e2e as c  # noqa: E402
import dravik_e2e as e2e  # noqa: E402
import identity_e2e as identity  # noqa: E402

HOUR, MINUTE, DAY = c.HOUR, c.MINUTE, c.DAY
# Two more restarts than the cases there, and 60,000 quakes: more time on a loaded machine.
c.LONGEST = catalogue_services.LONGEST = 150.0 * c.SCALE
Failed = c.Failed


class Service(c.Service):
    """The FDSN service and the feed, with the faults of these cases."""

    def __init__(self):
        super().__init__()
        self.same_page = False  # every FDSN answer the newest 50, newest first, whatever was asked
        self.fail_all_magnitudes = False  # requests without a magnitude bound answered with HTTP 500
        self.after_first_catch_up = None  # called once the first catch-up request was answered


class Services(c.Services):
    def do_GET(self):
        service = c.Services.service
        params = {k.lower() for k in c.urllib.parse.parse_qs(c.urllib.parse.urlsplit(self.path).query)}
        fdsn = self.path.startswith(c.FDSN_PATH)
        if fdsn and service.fail_all_magnitudes and not params & {"minmagnitude", "minmag"}:
            self.answer(500, "Internal Server Error")
            return
        if fdsn and service.same_page:
            with service.lock:
                page = sorted(service.fdsn, key=lambda q: -q["t"])[:50]
            self.answer(200, identity.fdsn_body(page))
            return
        super().do_GET()
        hook = service.after_first_catch_up
        if fdsn and hook and len(service.catch_ups()) >= 1:
            service.after_first_catch_up = None
            hook()

    def answer(self, status, body):
        with c.Services.service.lock:
            c.Services.service.requests.append((self.path.split("?")[0], {}, time.monotonic(), status))
        data = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


class WriteHolder(c.Holder):
    """Another program writing the archive for long: it can be read, not written."""

    def __init__(self, db):
        self.con = c.sqlite3.connect(db, isolation_level=None, timeout=5)
        self.con.execute("BEGIN IMMEDIATE")
        self.con.execute("CREATE TABLE other_program (x)")


def marks(case):
    con = sqlite3.connect(f"file:{case.db()}?mode=ro", uri=True, timeout=2)
    try:
        return dict(con.execute("select source, complete_ms from trze_mark"))
    finally:
        con.close()


def rewrite(case, statements):
    con = sqlite3.connect(case.db(), timeout=5)
    with con:
        for sql, args in statements:
            con.execute(sql, args)
    con.close()


def stored_of(case, served):
    return len((c.stored_ids(case) or set()) & served)


def run_until(case, served, settings="", env=None):
    """A run until every served quake is stored or nothing moves; then SIGTERM. Returns the program."""
    if env:
        case.env.update(env)
    program = case.start()
    c.settle(case, program, served)
    time.sleep(2 * c.SCALE)  # a poll or two after the last change
    case.stop(program, f"run {len(case.programs)}")
    return program


def gap(count, tag, after_ms):
    """`count` quakes published while the program was off: origins from `after_ms` to a moment ago."""
    time.sleep(3)
    return c.spread(count, after_ms + 200, c.now_ms() - 200, tag)


def expect_all(case, served, what):
    stored = stored_of(case, served)
    print(f"{case.name}: stored {stored} of {len(served)} served ({what})")
    if stored != len(served):
        for n, program in enumerate(case.programs, 1):
            print(f"{case.name}: run {n} stderr:" + "".join(f"\n    {t}" for t in program.lines[-15:]))
        case.fail(f"{what}: {len(served) - stored} of {len(served)} served quakes not stored: "
                  f"{identity.sample(served - (c.stored_ids(case) or set()))}")


# ----------------------------------------------------------------------------------------------------- cases


def case_future(case, ahead_ms):
    t0 = c.now_ms()
    quakes = c.spread(100, t0 - 10 * HOUR, t0 - HOUR, "20261208")
    future = {"id": "20991231_0000001", "t": ahead_ms(t0), "lat": 10.0, "lon": 10.0, "depth": 10.0, "mag": 3.0,
              "region": "NOWHERE"}
    case.service.fdsn = quakes + [future]
    case.setup([case.fdsn_url()])
    kept = {q["id"] for q in quakes} | ({future["id"]} if future["t"] < t0 + 12 * HOUR else set())
    run_until(case, kept)
    stopped = c.now_ms()
    later = gap(2000, "20261209", stopped)
    case.service.fdsn = quakes + [future] + later
    served = kept | {q["id"] for q in later}
    run_until(case, served)
    expect_all(case, served, f"after a restart, {marks(case)}")
    c.check_each_once(case, served)


def case_clock(case):
    if c.SANITIZED:
        print(f"{case.name}: skipped: libfaketime cannot be preloaded into a sanitized program")
        return
    libraries = glob.glob("/usr/lib/*/faketime/libfaketimeMT.so.1")
    if not libraries:
        raise Failed("libfaketime is missing (scripts/install-deps installs faketime)")
    t0 = c.now_ms()
    quakes = c.spread(100, t0 - 10 * HOUR, t0 - HOUR, "20261208")
    case.service.fdsn = list(quakes)
    case.setup([case.fdsn_url()])
    fast = {"LD_PRELOAD": libraries[0], "FAKETIME": "+3d", "FAKETIME_DONT_FAKE_MONOTONIC": "1"}
    first = run_until(case, {q["id"] for q in quakes}, env=fast)
    later = gap(2000, "20261209", c.now_ms() - 2000)
    case.service.fdsn = quakes + later
    served = {q["id"] for q in quakes + later}
    run_until(case, served)
    expect_all(case, served, "the computer 3 days fast")
    ahead = [r for r in case.service.catch_ups()
             if (identity.fdsn_time_ms(r[1].get("starttime", "")) or 0) > c.now_ms()]
    if ahead:
        case.fail(f"{len(ahead)} requests asked from the future: {ahead[0][1]}")
    if not first.lines_with("clock differs"):
        case.fail("nothing said that the clocks differ")


def case_window(case):
    t0 = c.now_ms()
    quakes = c.spread(3000, t0 - 20 * HOUR, t0 - 2 * MINUTE, "20261208")
    served = {q["id"] for q in quakes}
    case.service.fdsn = quakes
    case.service.same_page = True
    case.setup([case.fdsn_url()])
    program = case.start()
    case.wait(program, lambda: len(case.service.source_requests(program.started)) >= 8, 40 * c.SCALE,
              "fewer than 8 requests")
    case.stop(program, "run 1, the same page for every request")
    said = program.lines_with("outside the time window")
    print(f"{case.name}: run 1 stored {stored_of(case, served)} of {len(served)}, "
          f"{len(case.service.source_requests(program.started))} requests; stderr: {said[:1]}")
    if len(said) != 1:
        case.fail(f"stderr says {len(said)} times that the service answers outside the window, not once")
    case.service.same_page = False
    run_until(case, served)
    expect_all(case, served, "restart once the service answers as asked")


def case_address(case):
    t0 = c.now_ms()
    early = c.spread(20, t0 - 8 * HOUR, t0 - 6 * HOUR, "20261207")
    case.service.fdsn = list(early)
    strong = case.fdsn_url() + "&minmagnitude=4"
    case.setup([case.fdsn_url(), strong])
    run_until(case, {q["id"] for q in early})
    # As an archive of the version that kept one mark per agency, last run five hours ago.
    rewrite(case, [("delete from trze_mark", ()),
                   ("insert into trze_mark (source, complete_ms) values (?, ?)", ("127.0.0.1", t0 - 5 * HOUR))])
    later = c.spread(694, t0 - 5 * HOUR + MINUTE, t0 - MINUTE, "20261208")
    case.service.fdsn = early + later
    served = {q["id"] for q in early + later}
    strong_ids = {q["id"] for q in later if q["mag"] >= 4}
    case.service.fail_all_magnitudes = True
    program = case.start()
    case.wait(program, lambda: strong_ids <= (c.stored_ids(case) or set()), 40 * c.SCALE,
              "the M 4+ address never stored its quakes")
    since = time.monotonic()
    case.wait(program, lambda: len(case.service.source_requests(since)) >= 4, 20 * c.SCALE, "no further polls")
    case.service.fail_all_magnitudes = False
    c.settle(case, program, served)
    case.stop(program, "run 2")
    weak = {q["id"] for q in later if q["mag"] < 4}
    print(f"{case.name}: below M 4 stored {len(weak & (c.stored_ids(case) or set()))} of {len(weak)}")
    expect_all(case, served, f"marks {marks(case)}")


def case_late(case):
    t0 = c.now_ms()
    quakes = c.spread(3000, t0 - 20 * HOUR, t0 - 2 * MINUTE, "20261208")
    oldest = quakes[-1]
    late = dict(oldest, id="20261208_late001", t=oldest["t"] + 5000, lat=-33.0, lon=-70.0)
    revised = quakes[-3]

    def publish():
        with case.service.lock:
            late["updated"] = c.now_ms()
            case.service.fdsn.append(late)
            revised.update(mag=6.1, updated=c.now_ms())

    case.service.fdsn = quakes
    case.service.after_first_catch_up = publish
    case.setup([case.fdsn_url()])
    served = {q["id"] for q in quakes} | {late["id"]}
    program = case.start()
    c.settle(case, program, served)
    revision = lambda: (c.row_texts(case.archive(), c.find_id(case.archive(), revised["id"], c.of_fdsn)[0])  # noqa
                        or ("",))[0].strip()
    e2e.wait_for(lambda: revision() == "6.1", 10 * c.SCALE, program.proc)
    case.stop(program, "after the catch-up")
    asked = [r for r in case.service.source_requests() if "updatedafter" in r[1]]
    print(f"{case.name}: revision stored: {revision() == '6.1'} ({revision()}); {len(asked)} updatedafter requests")
    expect_all(case, served, "late and revised while the catch-up paged")
    if revision() != "6.1":
        case.fail(f"the revision to M 6.1 was never stored: the row holds M {revision()}")


def case_copy(case):
    t = c.now_ms() - HOUR
    t -= t % 1000
    quake = {"id": "20261208_0000501", "t": t, "lat": 61.20, "lon": -150.10, "depth": 35.0, "mag": 4.0,
             "region": "SOUTHERN ALASKA"}
    newer = dict(quake, mag=4.5, updated=t + 40 * MINUTE)
    case.service.fdsn = [quake]
    case.service.set_feed([newer])
    feed = f"http://127.0.0.1:{case.port}{c.USGS_PATH}"
    case.setup([feed, case.fdsn_url()])

    def row():
        a = case.archive()
        texts = a and c.row_texts(a, c.find_id(a, quake["id"], c.of_fdsn)[0])
        return texts[0].strip() if texts else None

    for n, (values, expected) in enumerate(((newer, "4.5"), (dict(quake, mag=4.6, updated=4102444800000), "4.6"),
                                            (dict(quake, mag=4.7, updated=c.now_ms() + MINUTE), "4.7"))):
        case.service.set_feed([values])
        program = case.start()
        e2e.wait_for(lambda: row() == expected, 15 * c.SCALE, program.proc)
        c.after_polls(case, program, 3)
        case.stop(program, f"run {n + 1}")
        print(f"{case.name}: run {n + 1}: the row holds M {row()}, expected M {expected}")
        if row() != expected:
            case.fail(f"run {n + 1}: the row holds M {row()}, not M {expected} (the feed's, updated "
                      f"{values['updated']})")
    if len(case.final_archive().rows) != 1:
        case.fail(f"{len(case.final_archive().rows)} rows for one quake")


def case_backlog(case):
    case.setup([case.fdsn_url()])
    first = case.start()
    case.wait(first, lambda: c.stored_ids(case) is not None and os.path.exists(case.db()), 20 * c.SCALE,
              "no archive")
    time.sleep(2)
    case.stop(first, "run 1, an empty service")
    t0 = c.now_ms()
    quakes = c.spread(60000, t0 - 20 * HOUR, t0 - 2 * MINUTE, "20261208")
    served = {q["id"] for q in quakes}
    case.service.fdsn = quakes
    holder = WriteHolder(case.db())
    try:
        program = case.start()
        last, changed = -1, time.monotonic()
        while time.monotonic() - changed < 15 * c.SCALE and time.monotonic() - program.started < 240:
            if len(case.service.catch_ups()) != last:
                last, changed = len(case.service.catch_ups()), time.monotonic()
            time.sleep(0.2)
        locked_requests = len(case.service.catch_ups())
    finally:
        holder.release()
    seconds = c.settle(case, program, served)
    case.stop(program, "run 2, after the lock")
    print(f"{case.name}: {locked_requests} catch-up requests while locked, "
          f"{len(case.service.catch_ups())} in all, {seconds:.0f} s")
    expect_all(case, served, "locked through the catch-up")


def case_older(case):
    t0 = c.now_ms()
    quakes = c.spread(200, t0 - 4 * DAY, t0 - 2 * DAY, "20261204")
    case.service.fdsn = quakes
    case.setup([case.fdsn_url()], "[catchup]\nfirstDays=5\nmaxDays=5\n")
    run_until(case, {q["id"] for q in quakes})
    copies = [identity.usgs_copy(q, n) for n, q in enumerate(quakes)]
    case.service.fdsn = []
    case.service.set_feed(copies)
    with open(os.path.join(case.env["XDG_CONFIG_HOME"], "Korvan", "Dravik.conf"), "w") as f:
        f.write("[General]\nlang=EN\n[catchup]\nfirstDays=1\nmaxDays=1\n")
    case.env["DRAVIK_QUAKE_URL"] = case.feed_url()
    program = case.start()
    copy_ids = {q["id"] for q in copies}
    def copies_stored():
        a = case.archive()
        return a is not None and copy_ids <= {c.local_id(i) for i in a.ids if c.of_feed(i)}

    case.wait(program, copies_stored, 30 * c.SCALE, "the copies' ids never reached the archive")
    case.stop(program, "run 2")
    rows = len(case.final_archive().rows)
    print(f"{case.name}: {rows} rows for 200 quakes and 200 copies of them")
    if rows != 200:
        case.fail(f"{rows - 200} copies of archived quakes older than the start's reach made rows of their own")


def case_detach(case):
    t = c.now_ms() - 2 * HOUR
    t -= t % 1000
    main = {"id": "20261208_0000101", "t": t, "lat": 38.00, "lon": 22.00, "depth": 10.0, "mag": 5.0,
            "region": "SOUTHERN GREECE"}
    aftershock = {"id": "us7000e002", "t": t + 31_000, "lat": 38.225, "lon": 22.00, "depth": 12.0, "mag": 4.2,
                  "region": "5 km N of Somewhere, Greece"}
    b_main = {"id": "us7000e001", "t": t + 1000, "lat": 38.01, "lon": 22.00, "depth": 11.0, "mag": 5.1,
              "region": "Somewhere, Greece"}
    case.service.fdsn = [main]
    case.service.set_feed([aftershock])
    case.setup([case.fdsn_url(), case.feed_url()])

    def has(ident):
        a = case.archive()
        return a is not None and c.find_id(a, ident, c.of_feed)[0] is not None

    program = case.start()
    case.wait(program, lambda: has(aftershock["id"]), 20 * c.SCALE, "run 1 never stored the aftershock's id")
    case.stop(program, "run 1")
    # Oldest first: the main shock's report, then the aftershock's.
    case.service.set_feed([b_main, aftershock])
    program = case.start()
    case.wait(program, lambda: has(b_main["id"]), 20 * c.SCALE, "run 2 never stored B's main shock")
    c.after_polls(case, program, 2)
    case.stop(program, "run 2")
    archive = case.final_archive()
    _, (main_row, _) = c.find_id(archive, main["id"], c.of_fdsn)
    _, (b_row, b_creator) = c.find_id(archive, b_main["id"], c.of_feed)
    _, (after_row, after_creator) = c.find_id(archive, aftershock["id"], c.of_feed)
    print(f"{case.name}: {len(archive.rows)} rows; B's main shock on A's row: {b_row == main_row}; "
          f"the aftershock a row of its own: {after_creator == 1}")
    if b_row != main_row or b_creator != 0:
        case.fail(f"B's report of the main shock is {'a row of its own' if b_creator else 'an id of another row'}")
    if after_creator != 1 or after_row == main_row:
        case.fail("B's aftershock stays merged into A's main shock")


CASES = {"future2099": lambda case: case_future(case, lambda t0: 4102444800000),
         "future6h": lambda case: case_future(case, lambda t0: t0 + 6 * HOUR),
         "clock": case_clock, "window": case_window, "address": case_address, "late": case_late,
         "copy": case_copy, "backlog": case_backlog, "older": case_older, "detach": case_detach}


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

    def start(name, root):
        case = c.Case(name, binary, root, port)
        case.service = Service()
        c.Services.service = case.service
        return case

    c.run_cases(names, CASES, "mark", start, server)


if __name__ == "__main__":
    main()
