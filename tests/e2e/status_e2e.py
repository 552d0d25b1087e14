#!/usr/bin/env python3
"""An earthquake source that cannot be reached, as the user sees it in the real program's window on a private X
display, read through the accessibility bus (a11y.py).

Usage: status_e2e.py <path to dravik>   (exits 77 when a desktop or accessibility tool is missing)

The earthquake address is a port where nothing listens; the solar wind is served. Expected in the window: the
status line names the source and why it failed before the solar wind ("Źródło niedostępne: 127.0.0.1 (...)"),
describing itself with the whole line, the site's address is a link, and the empty list says that no source can be
read. Then a server starts on that port: the status line loses the
source's problem, the note goes and the quakes are listed. Ctrl+, opens the settings, whose time box a screen reader
finds by its label. SIGTERM ends the program (settings window open) with status 0.
"""

import http.server
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import a11y  # noqa: E402
import desktop  # noqa: E402
import dravik_e2e as e2e  # noqa: E402

WIND = "Prędkość wiatru słonecznego: 412.3 km/s"
PROBLEM = "Źródło niedostępne: 127.0.0.1 ("
NOTE = "Brak trzęsień do pokazania"
TIME_LABEL = "Pokazuj czas"


def closed_port():
    """A port on 127.0.0.1 where nothing listens (until the test starts its server there)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    binary = sys.argv[1]
    missing = [tool for tool in ("Xvfb", "openbox", "xwininfo", "xdotool") if not desktop.shutil.which(tool)] + \
        a11y.missing()
    if missing:
        print(f"skipped: missing programs: {' '.join(missing)}")
        sys.exit(desktop.SKIPPED)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), e2e.Pages)
    e2e.Pages.bodies = {"/quake": e2e.quake_page(), "/wind": e2e.SOLAR_WIND_PAGE, "/xray": "<html></html>",
                        "/site": ""}
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    port = closed_port()
    with tempfile.TemporaryDirectory(prefix="dravik-status-") as root, desktop.Desktop(tray=False) as desk, \
            a11y.Bus(os.path.join(root, "bus"), os.environ) as bus:
        env = bus.program_env(e2e.make_env(root, base))
        env.update(DISPLAY=desk.env["DISPLAY"], QT_QPA_PLATFORM="xcb", DRAVIK_POLL_SECONDS="1",
                   DRAVIK_QUAKE_URL=f"http://127.0.0.1:{port}/quake")
        start = time.monotonic()
        with desktop.Program(binary, env) as proc:
            line, seen = bus.wait_for_text(proc.pid, [WIND, PROBLEM], 30)
            if line is None:
                raise SystemExit(f"FAIL: the window never showed the failing source beside the solar wind: {seen}")
            print(f"source unreachable: the status line says {line!r}, {time.monotonic() - start:.2f} s after start")
            # A screen reader hears the whole line, however much of it the window has room for, and meets the
            # site's address as a link.
            described = [name for role, name in seen if role.endswith(" description") and name == line]
            if not described:
                raise SystemExit(f"FAIL: the status line does not describe itself with its whole text: {seen}")
            links = [name for role, name in seen if role == "link"]
            if not links:
                raise SystemExit(f"FAIL: the site's address is not exposed as a link: {seen}")
            print(f"the status line describes itself whole; the site link {links[0]!r} is a link")
            note, seen = bus.wait_for_text(proc.pid, [NOTE], 10)
            if note is None:
                raise SystemExit(f"FAIL: the empty list did not say why it is empty: {seen}")
            print(f"the empty list says {note!r}")

            revived = http.server.ThreadingHTTPServer(("127.0.0.1", port), e2e.Pages)
            threading.Thread(target=revived.serve_forever, daemon=True).start()
            since = time.monotonic()

            def recovered():
                texts = [name for _, name in bus.texts(proc.pid)]
                line_now = next((t for t in texts if WIND in t), None)
                listed = any(t.startswith("REGION ") for t in texts)
                if line_now is not None and PROBLEM not in line_now and listed and not any(NOTE in t for t in texts):
                    return line_now
                return None

            line = desktop.wait_for(recovered, 30, step=0.3)
            if line is None:
                raise SystemExit(f"FAIL: the source read again but the window did not follow: {bus.texts(proc.pid)}")
            print(f"source back: the status line says {line!r} and the quakes are listed, "
                  f"{time.monotonic() - since:.2f} s after it answered")

            # The settings window's fields are named by their labels, the time box too (not by the time shown).
            window = desk.settled_window(proc.pid)
            if window is None:
                raise SystemExit("FAIL: the main window did not settle on screen")
            desktop.run(["xdotool", "windowactivate", "--sync", str(window), "key", "ctrl+comma"], desk.env)
            # The time display is on the last page, General: Ctrl+Shift+Tab goes round to it from the first.
            settings = desk.settled_window(proc.pid, name="^Ustawienia$")
            if settings is None:
                raise SystemExit("FAIL: the settings window did not settle on screen")
            desktop.run(["xdotool", "windowactivate", "--sync", str(settings), "key", "ctrl+shift+Tab"], desk.env)

            def time_box():
                seen_now = bus.texts(proc.pid)
                named = [name for role, name in seen_now if role == "combo box" and name == TIME_LABEL]
                return (named, seen_now) if named else None

            found = desktop.wait_for(time_box, 20, step=0.3)
            if found is None:
                raise SystemExit(f"FAIL: the settings' time box is not named {TIME_LABEL!r}: {bus.texts(proc.pid)}")
            print(f"the settings window's time box is named {TIME_LABEL!r}")
            status = desktop.terminate(proc, timeout=30)
            if status != 0:
                raise SystemExit(f"FAIL: exit status {status} after SIGTERM")
            revived.shutdown()
    server.shutdown()


if __name__ == "__main__":
    main()
