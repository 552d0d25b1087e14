#!/usr/bin/python3
"""The top-level windows of one process as the accessibility bus (AT-SPI) sees them, and optionally a press of one
of their controls (a button, radio button or menu entry of that name), as a screen reader's user would press it:
printed as JSON {"windows": [[name, [state, ...]], ...], "pressed": true|false}.

Usage: /usr/bin/python3 a11y_window.py <pid> [control name]   (Debian's python3 with python3-pyatspi)
"""

import json
import sys

import pyatspi

PRESSABLE = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_BOX)


def find_button(node, name, depth=0):
    if node is None or depth > 40:
        return None
    try:
        if node.getRole() in PRESSABLE and node.name == name and \
                node.getState().contains(pyatspi.STATE_SHOWING):
            return node
        for i in range(node.childCount):
            found = find_button(node.getChildAtIndex(i), name, depth + 1)
            if found is not None:
                return found
    except Exception:  # an object that went away while it was read
        return None
    return None


def main():
    pid = int(sys.argv[1])
    button = sys.argv[2] if len(sys.argv) > 2 else None
    out = {"windows": [], "pressed": False}
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or app.get_process_id() != pid:
            continue
        for j in range(app.childCount):
            window = app.getChildAtIndex(j)
            try:
                states = [pyatspi.stateToString(s) for s in window.getState().getStates()]
                out["windows"].append([window.name, states])
            except Exception:
                continue
            if button is not None and not out["pressed"]:
                found = find_button(window, button)
                if found is not None:
                    found.queryAction().doAction(0)
                    out["pressed"] = True
    print(json.dumps(out, ensure_ascii=False))


if __name__ == "__main__":
    main()
