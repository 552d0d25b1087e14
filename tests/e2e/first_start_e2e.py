#!/usr/bin/env python3
"""The first start, by real key presses: the real program on a desktop (Xvfb, openbox) with no settings.

1. LANG=de_DE.UTF-8: the language dialog opens on German ("Sprache"); Enter takes it. "Wo sind Sie?": the user types
   "Warsaw" and Enter takes the first place found (Poland's capital). "Was soll Sie alarmieren?": Down, Enter picks
   "near me and strong ones". The settings file must then hold DE, the home at Warsaw and that preset's values.
2. LANG=pl_PL.UTF-8: Enter takes Polish, Esc skips the place and Esc the alerts: Polish stored, no home, no alert
   value (every quake sounds, as before).
3. Settings that exist: no step is shown, the main window comes at once.

Usage: first_start_e2e.py <path to dravik>     Exits 77 (skipped) when a tool is missing.
"""

import configparser
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
import sample_pages  # noqa: E402

wait_for = desktop.wait_for


def fail(message):
    raise SystemExit("FAIL: " + message)


def settings_of(env):
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read(os.path.join(env["XDG_CONFIG_HOME"], "Korvan", "Dravik.conf"), encoding="utf-8")
    return {f"{section}/{key}" if section != "General" else key: value
            for section in parser.sections() for key, value in parser.items(section)}


def first_start_env(root, server, desk, lang):
    env = sample_pages.program_env(root, server, desk.env, lang="")
    for var in ("LC_ALL", "LC_MESSAGES", "LANGUAGE"):
        env.pop(var, None)
    env["LANG"] = lang
    return env


def answer(desk, proc, title, keys, timeout=30):
    """Waits for the program's window whose title matches (a regular expression: xdotool matches only ASCII
    reliably), gives it the keyboard and presses the keys."""
    windows = wait_for(lambda: desk.viewable_windows(proc.pid, name=title), timeout, step=0.2)
    if not windows:
        fail(f"no window \"{title}\" within {timeout} s; the program shows {desk.find_windows(pid=proc.pid)}")
    desktop.run(["xdotool", "windowactivate", "--sync", str(windows[0])], desk.env)
    time.sleep(0.3)
    for key in keys:
        if key.startswith("type:"):
            desktop.run(["xdotool", "type", "--delay", "80", key[5:]], desk.env)
            # The places come from the file a moment after the last key.
            time.sleep(1.5)
        else:
            desktop.run(["xdotool", "key", key], desk.env)
            time.sleep(0.3)
    if not wait_for(lambda: not desk.viewable_windows(proc.pid, name=title), 10, step=0.2):
        fail(f"the window \"{title}\" stayed open after {keys}")


def end(desk, proc):
    if not wait_for(lambda: desk.viewable_windows(proc.pid), 30, step=0.2):
        fail("no main window after the first start's steps")
    if desktop.terminate(proc, 15) is None:
        fail("the program did not end on SIGTERM")


def main():
    binary = sys.argv[1]
    missing = desktop.missing_tools()
    if missing:
        print("skipped: missing programs: " + ", ".join(missing))
        sys.exit(desktop.SKIPPED)
    root = tempfile.mkdtemp(prefix="dravik-first-")
    server = sample_pages.serve()
    try:
        with desktop.Desktop(tray=False) as desk:
            env = first_start_env(os.path.join(root, "de"), server, desk, "de_DE.UTF-8")
            with desktop.Program(binary, env) as proc:
                answer(desk, proc, "^Sprache$", ["Return"])
                answer(desk, proc, "^Wo sind Sie\\?$", ["type:Warsaw", "Return"])
                answer(desk, proc, "^Was soll Sie alarmieren\\?$", ["Down", "Return"])
                end(desk, proc)
            got = settings_of(env)
            expected = {"lang": "DE", "home/name": "Warsaw", "alert/globalMagnitude": "6.5",
                        "alert/nearMagnitude": "5.0", "alert/radiusKm": "300.0", "alert/minIntensity": "3",
                        "notify/enabled": "true"}
            for key, value in expected.items():
                if got.get(key) != value:
                    fail(f"{key} is {got.get(key)!r}, not {value!r}: {got}")
            if abs(float(got.get("home/latitude", "0")) - 52.23) > 0.01 or \
                    abs(float(got.get("home/longitude", "0")) - 21.01) > 0.01:
                fail(f"the home is not Warsaw, Poland: {got}")
            print("German first start: " + ", ".join(f"{k}={got[k]}" for k in sorted(expected)))

            env = first_start_env(os.path.join(root, "pl"), server, desk, "pl_PL.UTF-8")
            with desktop.Program(binary, env) as proc:
                answer(desk, proc, "programu \\(language\\)$", ["Return"])
                answer(desk, proc, "^Gdzie jeste", ["Escape"])
                answer(desk, proc, "^Co ma ci", ["Escape"])
                end(desk, proc)
            got = settings_of(env)
            if got.get("lang") != "PL" or any(k.startswith(("home/", "alert/")) for k in got):
                fail(f"skipping stored more than the language: {got}")
            print("Polish first start, both steps skipped: " + repr(got))

            # The settings now exist: the next start asks nothing.
            with desktop.Program(binary, env) as proc:
                if not wait_for(lambda: desk.viewable_windows(proc.pid), 30, step=0.2):
                    fail("no main window at the second start")
                if desk.find_windows(pid=proc.pid, name="^(Gdzie|Co ma|J.zyk)"):
                    fail("a first-start step was shown to a user whose settings exist")
                desktop.terminate(proc, 15)
    finally:
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
