#!/usr/bin/python3
"""What the main window's top says to a screen reader: the buttons' names and descriptions (the headline band is a
button named by its text) and the cells of the list's selected row, printed as JSON
{"buttons": [[name, description], ...], "selected": [cell, ...]}.

Usage: /usr/bin/python3 a11y_headline.py <pid>   (Debian's python3 with python3-pyatspi)
"""

import json
import sys

import pyatspi


def walk(node, out, depth=0):
    if node is None or depth > 40:
        return
    try:
        states = node.getState()
        if not states.contains(pyatspi.STATE_SHOWING) and node.getRole() != pyatspi.ROLE_APPLICATION:
            return
        role = node.getRole()
        if role == pyatspi.ROLE_PUSH_BUTTON and node.name:
            out["buttons"].append([node.name, node.description or ""])
        if role == pyatspi.ROLE_TABLE:
            table = node.queryTable()
            for row in table.getSelectedRows():
                out["selected"] = [table.getAccessibleAt(row, c).name for c in range(table.nColumns)]
            return
        for i in range(node.childCount):
            walk(node.getChildAtIndex(i), out, depth + 1)
    except Exception:  # an object that went away while it was read: the caller asks again
        return


def main():
    pid = int(sys.argv[1])
    out = {"buttons": [], "selected": []}
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.get_process_id() == pid:
            walk(app, out)
    print(json.dumps(out, ensure_ascii=False))


if __name__ == "__main__":
    main()
