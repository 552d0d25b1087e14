#!/usr/bin/env python3
"""How often the real program wakes up while it sits hidden in the tray with nothing new: started with
--autostart on the end-to-end desktop (Xvfb, openbox, a tray host) against the sample pages, it is left to
settle, then its threads' context switches (voluntary and not, from /proc) are counted over a span of seconds.
Prints the wake-ups per second of the whole process and of its busiest threads.

Usage: hidden_wakeups.py <path to dravik> [seconds] [--news]   (needs the programs tests/e2e/desktop.py names)
With --news the sample quakes are fresh, so the icon blinks meanwhile (for comparison).
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import desktop  # noqa: E402
import sample_pages  # noqa: E402


def switches(pid):
    """Context switches per thread: {tid: (name, count)}."""
    counts = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
        except OSError:
            continue
        total = int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"])
        counts[tid] = (fields["Name"].strip(), total)
    return counts


def main():
    news = "--news" in sys.argv
    args = [a for a in sys.argv[1:] if a != "--news"]
    binary = args[0]
    span = float(args[1]) if len(args) > 1 else 10.0
    settle = 15.0
    missing = desktop.missing_tools()
    if missing:
        print("skipped: missing programs: " + ", ".join(missing))
        sys.exit(desktop.SKIPPED)
    server = sample_pages.serve(recent_at=time.time() if news else None)
    root = tempfile.mkdtemp(prefix="dravik-wakeups-")
    try:
        with desktop.Desktop(tray=True) as desk, \
                desktop.Program(binary, sample_pages.program_env(root, server, desk.env), ["--autostart"]) as proc:
            if not desktop.wait_for(desk.tray_icons, 30):
                raise SystemExit("no tray icon within 30 s")
            # Old sample quakes are listed without news, so nothing blinks; fresh ones alert and the icon blinks.
            time.sleep(settle)
            before = switches(proc.pid)
            time.sleep(span)
            after = switches(proc.pid)
            rows = []
            for tid, (name, count) in after.items():
                rows.append(((count - before.get(tid, (name, 0))[1]) / span, tid, name))
            rows.sort(reverse=True)
            print(f"wake-ups per second, whole process: {sum(r[0] for r in rows):.2f} over {len(rows)} threads")
            for rate, tid, name in rows[:6]:
                print(f"  {name} ({tid}): {rate:.2f}/s")
    finally:
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
