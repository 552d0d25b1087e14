#!/usr/bin/env python3
"""A tsunami feed that changes at every read, end to end: bounded notices, the genuine warning told once.

Usage: tsunami_flood_e2e.py <path to dravik>

One centre's feed on 127.0.0.1 holds a genuine warning off Honshu (the home is Tokyo) and, at every request,
49 warnings never seen before, as a feed under someone else's control could. The real program reads it every
cycle for at least 14 reads (past the 256 ids its record of told messages keeps). The stand-in notification
service must record at most 3 notices and one summary a read and the genuine warning exactly once. Exit status
77 without dbus-daemon.
"""

import datetime
import http.server
import os
import sys
import tempfile
import threading
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dravik_e2e as e2e  # noqa: E402

SETTINGS = "\n[home]\nlatitude=35.68\nlongitude=139.69\nname=Tokio\n"
READS = 14
GENUINE = "OFF THE EAST COAST OF HONSHU JAPAN"


def iso(dt):
    return dt.strftime("%Y-%m-%dT%H:%M:%SZ")


def entry(uid, region, issued, lat, lon):
    return (f"<entry><title>{region}</title><updated>{issued}</updated>"
            f"<geo:lat>{lat:.3f}</geo:lat><geo:long>{lon:.3f}</geo:long>"
            f'<summary type="xhtml"><div><strong>Category:</strong> Warning<br/></div></summary>'
            f"<id>urn:uuid:{uid}</id></entry>")


def flood_feed():
    now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
    entries = [entry("genuine-honshu", "OFF THE EAST COAST OF HONSHU JAPAN", iso(now - datetime.timedelta(minutes=5)),
                     38.3, 142.4)]
    for i in range(49):
        entries.append(entry(uuid.uuid4(), f"FLOOD REGION {i}", iso(now), -40.0 + i, -150.0 + i))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<feed xmlns="http://www.w3.org/2005/Atom" xmlns:geo="http://www.w3.org/2003/01/geo/wgs84_pos#">'
            f"<id>urn:uuid:flood</id><title>Tsunami Warning Number 1</title><updated>{iso(now)}</updated>"
            "<author><name>NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI</name></author>" + "".join(entries) +
            "</feed>\n")


class FloodPages(e2e.Pages):
    def do_GET(self):
        if self.path.split("?", 1)[0] == "/flood":
            with e2e.Pages.lock:
                e2e.Pages.counts["/flood"] = e2e.Pages.counts.get("/flood", 0) + 1
            data = flood_feed().encode("utf-8")
            self.send_response(200)
            self.send_header("Content-Type", "application/atom+xml")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            return
        super().do_GET()


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    e2e.Pages.bodies = {"/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": "",
                        "/quake": "<html><body><table></table></body></html>"}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), FloodPages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    with tempfile.TemporaryDirectory(prefix="dravik-tsunami-flood-") as root:
        with e2e.notification_bus(root, "tsunami flood") as (address, record):
            env = e2e.make_env(root, base, SETTINGS)
            env.update({"DRAVIK_TSUNAMI_URL": f"{base}/flood", "DRAVIK_POLL_SECONDS": "1",
                        "DBUS_SESSION_BUS_ADDRESS": address})
            with open(os.path.join(root, "stderr.log"), "w") as log, e2e.running([binary], env=env,
                                                                                   stderr=log) as proc:
                if not e2e.wait_for(lambda: e2e.Pages.counts.get("/flood", 0) >= READS + 1, 3 * e2e.CYCLE_TIMEOUT,
                                    proc):
                    raise SystemExit(f"FAIL: fetches {e2e.Pages.counts}, exit status {proc.poll()}")
                reads = e2e.Pages.counts["/flood"]
                e2e.terminate(proc, "tsunami flood")
            notices = e2e.recorded(record)
        summaries = [n["summary"] for n in notices]
        genuine = [s for s in summaries if s.endswith(GENUINE)]
        more = [s for s in summaries if s.startswith("Jeszcze ")]
        print(f"{reads} reads of a feed with 49 new warnings each: {len(notices)} notices, {len(more)} of them "
              f"summaries; the genuine warning told {len(genuine)} time(s)")
        if len(notices) > 4 * reads:
            raise SystemExit(f"FAIL: {len(notices)} notices in {reads} reads, more than 3 and a summary a read")
        if len(genuine) != 1:
            raise SystemExit(f"FAIL: the genuine warning told {len(genuine)} times: {summaries[:20]}")
        if not more or not more[0].endswith("komunikatów o tsunami"):
            raise SystemExit(f"FAIL: no summary of the rest: {summaries[:10]}")
    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
