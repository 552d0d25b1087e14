#!/usr/bin/python3
"""Prints as JSON where a push button of a process's windows stands ("extents": [x, y, width, height], null when
none shows) and how many presses of Tab (xdotool, to the focused window) bring it the focus ("presses", null when
none does), as the accessibility bus sees them. Usage: /usr/bin/python3 a11y_focus.py <pid> <name> <most presses>
"""

import json
import subprocess
import sys
import time

import pyatspi


def find(node, test, depth=0):
    """The first showing object under node for which test holds."""
    if node is None or depth > 40:
        return None
    try:
        if node.getRole() != pyatspi.ROLE_APPLICATION and not node.getState().contains(pyatspi.STATE_SHOWING):
            return None
        if test(node):
            return node
        for i in range(node.childCount):
            found = find(node.getChildAtIndex(i), test, depth + 1)
            if found is not None:
                return found
    except Exception:  # an object that went away while it was read
        return None
    return None


def main():
    pid, name, most = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
    desktop = pyatspi.Registry.getDesktop(0)
    app = None
    for i in range(desktop.childCount):
        candidate = desktop.getChildAtIndex(i)
        if candidate is not None and candidate.get_process_id() == pid:
            app = candidate
    result = {"extents": None, "presses": None}
    if app is None:
        print(json.dumps(result))
        return

    def is_button(node):
        return node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name == name

    button = find(app, is_button)
    if button is not None:
        box = button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        result["extents"] = [box.x, box.y, box.width, box.height]
    for presses in range(most + 1):
        # The button itself is asked: a window's current page tab says it is focused too.
        if find(app, lambda node: is_button(node) and node.getState().contains(pyatspi.STATE_FOCUSED)):
            result["presses"] = presses
            break
        subprocess.run(["xdotool", "key", "Tab"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.2)
    print(json.dumps(result))


if __name__ == "__main__":
    main()
