#!/usr/bin/env python3
"""Files planted in the program's data and cache folders, and an id with a control byte, against the real program
(offscreen, servers on 127.0.0.1, run under umask 000).

Usage: planted_e2e.py <path to dravik>   (exits 77 without dbus-daemon)

Before the start the data folder holds a FIFO where the record of told tsunami messages lives and, under the name
of that record's temporary file, a link to a file of the user's elsewhere; the tile cache holds an entry grown to
1 GiB (sparse). The tsunami feed holds a warning for the home; the earthquake feed (GeoJSON) two quakes, one of
them with a NUL inside its id. Expected: the quakes are read at once (nothing waits on the FIFO) and the one with
the NUL is refused, not stored under a changed id; the warning is told; SIGTERM ends the program within 5 s; the
linked file is untouched and the record is a regular file of the program's own holding the warning's id; the
planted tile entry is gone and the cache folders are private (0700) whatever the umask.
"""

import datetime
import http.server
import json
import os
import sqlite3
import stat
import sys
import tempfile
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dravik_e2e as e2e  # noqa: E402

SETTINGS = "\n[home]\nlatitude=35.68\nlongitude=139.69\nname=Tokio\n"
NOW = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
WARNING_ID = "urn:uuid:planted-honshu"


def tsunami_feed():
    issued = (NOW - datetime.timedelta(minutes=5)).strftime("%Y-%m-%dT%H:%M:%SZ")
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<feed xmlns="http://www.w3.org/2005/Atom" xmlns:geo="http://www.w3.org/2003/01/geo/wgs84_pos#">'
            f"<id>urn:uuid:planted</id><title>Tsunami Warning Number 1</title><updated>{issued}</updated>"
            "<author><name>NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI</name></author>"
            f"<entry><title>OFF THE EAST COAST OF HONSHU JAPAN</title><updated>{issued}</updated>"
            "<geo:lat>38.300</geo:lat><geo:long>142.400</geo:long>"
            '<summary type="xhtml"><div><strong>Category:</strong> Warning<br/></div></summary>'
            f"<id>{WARNING_ID}</id></entry></feed>\n")


def quake_feed():
    ms = int((NOW - datetime.timedelta(minutes=20)).timestamp() * 1000)
    features = [
        {"type": "Feature", "id": "us7000pl\u0000ax", "properties": {"mag": 4.1, "place": "CONTROL ID", "time": ms},
         "geometry": {"type": "Point", "coordinates": [20.0, 38.0, 10.0]}},
        {"type": "Feature", "id": "us7000plbx", "properties": {"mag": 4.2, "place": "PLAIN ID", "time": ms - 600000},
         "geometry": {"type": "Point", "coordinates": [-70.0, -20.0, 30.0]}},
    ]
    return json.dumps({"type": "FeatureCollection", "features": features})


def stored(db):
    try:
        con = sqlite3.connect(f"file:{db}?mode=ro", uri=True, timeout=5)
        try:
            regions = sorted(r[0] for r in con.execute("select region from trze"))
            ids = sorted(r[0] for r in con.execute("select id from trze_id"))
        finally:
            con.close()
        return regions, ids
    except sqlite3.Error:
        return [], []


def plant(root, env, case):
    """The FIFO where the record lives (and the tile entry) or, in a run of its own (a FIFO would keep the record
    from being written at all), the link under the temporary file's name."""
    data = env["DRAVIK_DATA_DIR"]
    os.makedirs(data, mode=0o700)
    record = os.path.join(data, "tsunami_alerted.txt")
    victim = os.path.join(root, "victim.txt")
    with open(victim, "w") as f:
        f.write("precious\n")
    tiles = os.path.join(env["XDG_CACHE_HOME"], "dravik", "tiles")
    entry = os.path.join(tiles, "data8", "q", "planted.d")
    if case == "fifo":
        os.mkfifo(record, 0o600)
        os.makedirs(os.path.dirname(entry))
        with open(entry, "wb") as f:
            f.truncate(1 << 30)
    else:
        os.symlink(victim, record + ".tmp")
    return record, victim, tiles, entry


def run_case(binary, root, base, case):
    """The failures of one run: the program started under umask 000 on the planted files of `case`."""
    root = os.path.join(root, case)
    failures = []
    with e2e.notification_bus(root, f"planted files ({case})") as (address, record_path):
        env = e2e.make_env(root, base, SETTINGS)
        env.update({"DRAVIK_TSUNAMI_URL": f"{base}/tsunami", "DRAVIK_QUAKE_URL": f"{base}/quakes",
                    "DBUS_SESSION_BUS_ADDRESS": address, "DRAVIK_PUSH_URL": ""})
        record, victim, tiles, entry = plant(root, env, case)
        db = os.path.join(env["DRAVIK_DATA_DIR"], "dravik.dat")
        with open(os.path.join(root, "stderr.log"), "w") as log, \
                e2e.running([binary], env=env, stderr=log, preexec_fn=lambda: os.umask(0)) as proc:
            if not e2e.wait_for(lambda: "PLAIN ID" in stored(db)[0], 30, proc):
                raise SystemExit(f"FAIL ({case}): the quake feed was not read within 30 s (exit {proc.poll()})")
            if not e2e.wait_for(lambda: any(n["summary"].endswith("HONSHU JAPAN")
                                            for n in e2e.recorded(record_path)), 30, proc):
                failures.append(f"the warning was not told: {e2e.recorded(record_path)}")
            e2e.wait_for(lambda: not os.path.exists(entry), 10, proc)
            regions, ids = stored(db)
            proc.terminate()
            try:
                status = proc.wait(timeout=e2e.EXIT_TIMEOUT)
            except e2e.subprocess.TimeoutExpired:
                status = None
            if status != 0:
                failures.append(f"exit status {status} within {e2e.EXIT_TIMEOUT} s of SIGTERM")
    if regions != ["PLAIN ID"] or any("\0" in i or "us7000pla" in i for i in ids):
        failures.append(f"the id with a NUL was stored or changed: {regions}, {ids}")
    with open(victim) as f:
        if f.read() != "precious\n":
            failures.append("the file behind the planted link was overwritten")
    info = os.lstat(record)
    if not stat.S_ISREG(info.st_mode):
        failures.append(f"the tsunami record is not a regular file (mode {oct(info.st_mode)})")
    else:
        with open(record) as f:
            if WARNING_ID not in f.read():
                failures.append("the told warning is not in the record")
    if os.path.exists(entry):
        failures.append(f"the planted 1 GiB tile entry is still there ({os.path.getsize(entry)} bytes)")
    modes = {path: stat.S_IMODE(os.stat(path).st_mode) for path in (os.path.dirname(tiles), tiles)}
    if any(mode != 0o700 for mode in modes.values()):
        failures.append(f"cache folders not private under umask 000: { {p: oct(m) for p, m in modes.items()} }")
    return [f"({case}) {failure}" for failure in failures]


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    e2e.Pages.bodies = {"/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": "",
                        "/tsunami": tsunami_feed(), "/quakes": quake_feed()}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    with tempfile.TemporaryDirectory(prefix="dravik-planted-") as root:
        failures = run_case(binary, root, base, "fifo") + run_case(binary, root, base, "link")
    server.shutdown()
    if failures:
        raise SystemExit("FAIL: " + "\n      ".join(failures))
    print("the id with a NUL refused; the warning told and kept in a regular record in place of a FIFO; the file "
          "behind a planted link untouched; the 1 GiB tile entry gone; the cache folders 0700 under umask 000")
    print("PASS")


if __name__ == "__main__":
    main()
