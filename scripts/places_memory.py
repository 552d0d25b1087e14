#!/usr/bin/env python3
"""The real program's memory at rest after its first start, with and without a place search having run: the
first start on an Xvfb desktop answered by key presses (English, then "Where are you?" either skipped or used for
three searches, "Tokyo", "Los Angeles" and "Warsaw", the last one taken; the alert step skipped), then the main
window at rest for 30 s with sample pages on 127.0.0.1, and the process's USS (private clean + dirty pages,
/proc/PID/smaps_rollup). The places are read from their file at each search: both columns should be alike.

Usage: scripts/places_memory.py <path to dravik> [runs per case, default 2]
"""

import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import desktop  # noqa: E402
import first_start_e2e as steps  # noqa: E402
import sample_pages  # noqa: E402


def uss_kib(pid):
    total = 0
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                total += int(line.split()[1])
    return total


def run(binary, desk, server, root, search):
    env = steps.first_start_env(root, server, desk, "en_US.UTF-8")
    with desktop.Program(binary, env) as proc:
        steps.answer(desk, proc, "^Language$", ["Return"])
        if search:
            keys = ["type:Tokyo"] + ["BackSpace"] * 5 + ["type:Los Angeles"] + ["ctrl+a", "BackSpace"] + \
                   ["type:Warsaw", "Return"]
        else:
            keys = ["Escape"]
        steps.answer(desk, proc, "^Where are you\\?$", keys)
        steps.answer(desk, proc, "^What should alert you\\?$", ["Escape"])
        if not desktop.wait_for(lambda: desk.viewable_windows(proc.pid), 30, step=0.2):
            steps.fail("no main window")
        time.sleep(30)
        uss = uss_kib(proc.pid)
        desktop.terminate(proc, 15)
        return uss


def main():
    binary = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    root = tempfile.mkdtemp(prefix="dravik-places-memory-")
    server = sample_pages.serve()
    figures = {False: [], True: []}
    try:
        with desktop.Desktop(tray=False) as desk:
            for i in range(runs):
                for search in (False, True):
                    figures[search].append(run(binary, desk, server, os.path.join(root, f"{i}-{search}"), search))
    finally:
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)
    for search, label in ((False, "no search"), (True, "after three searches")):
        values = ", ".join(f"{v / 1024:.1f}" for v in figures[search])
        print(f"USS at rest, {label}: {values} MiB")


if __name__ == "__main__":
    main()
