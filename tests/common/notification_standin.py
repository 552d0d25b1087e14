#!/usr/bin/python3
"""A stand-in org.freedesktop.Notifications service for tests, on the session bus of the environment.

Usage: notification_standin.py RECORD_FILE

Each Notify call is appended to RECORD_FILE as one JSON line (app, summary, body, actions, hints, id, and
replaces: the replaces_id asked for). A replaces_id of a notice still open updates it and answers its id, as the
desktop notification service does; any other makes a new one. Method org.dravik.Test.Invoke(id, action) emits
ActionInvoked(id, action), as a click on the notice would; org.dravik.Test.Dismiss(id) closes it as the user
would (NotificationClosed with reason 2).
Prints "ready" once the name is owned.

With DRAVIK_STANDIN_BODY_MARKUP=1 in the environment, GetCapabilities claims "body-markup" from its first
answer (a server that renders markup in the body); by default it claims plain text only.
"""

import json
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.Notifications"


def plain(value):
    if isinstance(value, dbus.Struct):
        return [plain(v) for v in value]
    if isinstance(value, (dbus.Array, dbus.ByteArray)):
        return len(value)
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.Byte, dbus.Int32, dbus.UInt32, dbus.Int64, dbus.UInt64)):
        return int(value)
    return str(value)


class Notifications(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.record = record
        self.next_id = 1
        self.open = set()

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        if int(replaces) in self.open:
            nid = int(replaces)
        else:
            nid = self.next_id
            self.next_id += 1
            self.open.add(nid)
        entry = {"id": nid, "replaces": int(replaces), "app": str(app), "icon": str(icon), "summary": str(summary), "body": str(body),
                 "actions": [str(a) for a in actions], "hints": {str(k): plain(v) for k, v in hints.items()}}
        with open(self.record, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry, ensure_ascii=False) + "\n")
        return nid

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        if os.environ.get("DRAVIK_STANDIN_BODY_MARKUP") == "1":
            return ["body", "body-markup", "actions"]
        return ["body", "actions"]

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("standin", "dravik-tests", "1", "1.2")

    @dbus.service.method(IFACE, in_signature="u")
    def CloseNotification(self, nid):
        self.open.discard(int(nid))
        self.NotificationClosed(nid, 3)

    @dbus.service.signal(IFACE, signature="us")
    def ActionInvoked(self, nid, action):
        pass

    @dbus.service.signal(IFACE, signature="uu")
    def NotificationClosed(self, nid, reason):
        pass

    @dbus.service.method("org.dravik.Test", in_signature="us")
    def Invoke(self, nid, action):
        self.ActionInvoked(nid, action)

    @dbus.service.method("org.dravik.Test", in_signature="u")
    def Dismiss(self, nid):
        self.open.discard(int(nid))
        self.NotificationClosed(nid, 2)


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(IFACE, bus, do_not_queue=True)
    service = Notifications(bus, sys.argv[1])
    print("ready", flush=True)
    GLib.MainLoop().run()
    del name, service


if __name__ == "__main__":
    main()
