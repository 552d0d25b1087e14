#!/usr/bin/python3
"""Prints, as JSON, the visible texts of one process's windows as the accessibility bus (AT-SPI) sees them: a list
of [role, name] for every object that shows on screen and has a name (a label's name is its text), and
[role + " description", description] for one that describes itself.

Usage: /usr/bin/python3 a11y_texts.py <pid>   (Debian's python3 with python3-pyatspi; run on the session bus of
the program)
"""

import json
import sys

import pyatspi


def walk(node, out, depth=0):
    if node is None or depth > 40:
        return
    try:
        if not node.getState().contains(pyatspi.STATE_SHOWING) and node.getRole() != pyatspi.ROLE_APPLICATION:
            return
        if node.name:
            out.append([node.getRoleName(), node.name])
        if node.description:
            out.append([node.getRoleName() + " description", node.description])
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), out, depth + 1)
    except Exception:  # an object that went away while it was read: the caller asks again
        return


def main():
    pid = int(sys.argv[1])
    out = []
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.get_process_id() == pid:
            walk(app, out)
    print(json.dumps(out, ensure_ascii=False))


if __name__ == "__main__":
    main()
