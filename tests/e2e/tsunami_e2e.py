#!/usr/bin/env python3
"""Tsunami messages in the shapes of a real event, end to end.

Usage: tsunami_e2e.py <path to dravik>

Three centre feeds on 127.0.0.1, read by the real program with a home in Tokyo and quiet hours all day:
- a feed without entries, only "TSUNAMI MESSAGE NUMBER 3" in its title (as a client of NOAA's feeds saw one in an
  M 7.4): told as a message, a normal notification, silent in quiet hours;
- a warning off Honshu whose links are all `related` (its CAP message, a map, its text bulletin): a critical
  notification that sounds through quiet hours, within 1,000 km of the home;
- a warning that the feed still holds but whose CAP message says it expired: not told.
The stand-in notification service records the notices; the program's alert log its sounds. Exit status 77
without dbus-daemon.
"""

import datetime
import http.server
import os
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dravik_e2e as e2e  # noqa: E402

SETTINGS = "\n[home]\nlatitude=35.68\nlongitude=139.69\nname=Tokio\n[quiet]\nenabled=true\nfrom=00:00\nto=23:59\n"


def iso(dt):
    return dt.strftime("%Y-%m-%dT%H:%M:%SZ")


def entry_feed(base, title, uid, issued, cap_path):
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<feed xmlns="http://www.w3.org/2005/Atom" xmlns:geo="http://www.w3.org/2003/01/geo/wgs84_pos#">
<id>urn:uuid:feed-{uid}</id><title>{title}</title><updated>{issued}</updated>
<author><name>NWS PACIFIC TSUNAMI WARNING CENTER HONOLULU HI</name></author>
<entry><title>OFF THE EAST COAST OF HONSHU JAPAN</title><updated>{issued}</updated>
<geo:lat>38.300</geo:lat><geo:long>142.400</geo:long>
<summary type="xhtml"><div><strong>Category:</strong> Warning<br/></div></summary>
<id>urn:uuid:{uid}</id>
<link rel="related" title="CapXML document" type="application/cap+xml" href="{base}{cap_path}"/>
<link rel="related" title="Map" type="image/jpeg" href="{base}/map.jpg"/>
<link rel="related" title="Bulletin" type="text/plain" href="{base}/{uid}.txt"/>
</entry></feed>
"""


def cap(expires):
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2"><identifier>x</identifier><status>Actual</status>
<info><category>Geo</category><event>Tsunami</event><expires>{expires}</expires></info></alert>
"""


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    binary = sys.argv[1]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    now = datetime.datetime.now(datetime.timezone.utc).replace(microsecond=0)
    issued = iso(now - datetime.timedelta(minutes=5))
    title_only = (f'<?xml version="1.0"?><feed xmlns="http://www.w3.org/2005/Atom"><id>urn:uuid:paaq</id>'
                  f"<title>TSUNAMI MESSAGE NUMBER 3</title><updated>{issued}</updated>"
                  f"<author><name>NWS National Tsunami Warning Center Palmer AK</name></author>"
                  f'<link rel="alternate" type="text/html" href="{base}/paaq.html"/></feed>')
    e2e.Pages.bodies = {
        "/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>", "/site": "",
        "/quake": "<html><body><table></table></body></html>",
        "/paaq": title_only,
        "/pheb": entry_feed(base, "Tsunami Warning Number 1", "live", issued, "/cap-live"),
        "/old": entry_feed(base, "Tsunami Warning Number 4", "gone", iso(now - datetime.timedelta(hours=3)),
                           "/cap-gone"),
        "/cap-live": cap(iso(now + datetime.timedelta(hours=6))),
        "/cap-gone": cap(iso(now - datetime.timedelta(hours=1))),
    }
    with tempfile.TemporaryDirectory(prefix="dravik-tsunami-") as root:
        started = e2e.start_bus(os.path.join(root, "bus"))
        if started is None:
            print("skipped: dbus-daemon or /usr/bin/python3 missing")
            sys.exit(77)
        bus, service, address, record = started
        env = e2e.make_env(root, base, SETTINGS)
        env.update({"DRAVIK_TSUNAMI_URL": f"{base}/paaq {base}/pheb {base}/old",
                    "DBUS_SESSION_BUS_ADDRESS": address, "QT_LOGGING_RULES": "dravik.alert.info=true"})
        log_path = os.path.join(root, "stderr.log")
        with open(log_path, "w") as log:
            proc = e2e.subprocess.Popen([binary], env=env, stderr=log)
        try:
            if not e2e.wait_for(lambda: len(e2e.recorded(record)) >= 2 and e2e.Pages.counts.get("/old", 0) >= 1,
                                e2e.CYCLE_TIMEOUT, proc):
                raise SystemExit(f"FAIL: notices {e2e.recorded(record)}, fetches {e2e.Pages.counts}")
            time.sleep(2.0)
            notices = {n["summary"]: n for n in e2e.recorded(record)}
            for n in notices.values():
                print(f"  {n['summary']}: urgency {n['hints'].get('urgency')}, silent {n['hints'].get('suppress-sound')}")
            message = notices.get("TSUNAMI MESSAGE NUMBER 3")
            warning = notices.get("Tsunami Warning Number 1 – OFF THE EAST COAST OF HONSHU JAPAN")
            if len(notices) != 2 or message is None or warning is None:
                raise SystemExit(f"FAIL: expected the title's message and the live warning alone, got {list(notices)}")
            if message["hints"]["urgency"] != 1 or not message["hints"]["suppress-sound"]:
                raise SystemExit(f"FAIL: a message far from danger is normal and quiet in quiet hours: {message}")
            if warning["hints"]["urgency"] != 2 or warning["hints"]["suppress-sound"]:
                raise SystemExit(f"FAIL: a warning near the home is critical and sounds: {warning}")
            with open(log_path, encoding="utf-8", errors="replace") as f:
                sounds = [line for line in f if line.startswith("dravik.alert: sound")]
            if len(sounds) != 1:
                raise SystemExit(f"FAIL: {len(sounds)} sounds through quiet hours, expected 1: {sounds}")
            if e2e.Pages.counts.get("/cap-live", 0) != 1 or e2e.Pages.counts.get("/cap-gone", 0) != 1:
                raise SystemExit(f"FAIL: each CAP message read once: {e2e.Pages.counts}")
            e2e.terminate(proc, "tsunami run")
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
            service.kill()
            bus.kill()
            service.wait()
            bus.wait()
    server.shutdown()
    print("PASS")


if __name__ == "__main__":
    main()
