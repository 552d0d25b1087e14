"""How long the real program's UI thread goes without answering, measured from outside as a window manager does:
a `_NET_WM_PING` to its window every 10 ms, one at a time, timed until the answer comes back to the root window
(Qt answers on the UI thread). The longest wait is the longest stall, to within about 10 ms.

The answer goes to the one client that redirects the root window's structure, so the probe is that client: run it
on a display without a window manager (Desktop(window_manager=False)), start it before the program, and it maps
and places the program's windows as they ask. Needs Debian's python3-xlib.
"""

import select
import threading
import time

from Xlib import X, display, protocol


class StallProbe:
    def __init__(self, display_name):
        self.display = display.Display(display_name)
        # A window that goes while it is placed or pinged (the program ending) is no fault of the measurement.
        self.display.set_error_handler(lambda *args: None)
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        self.display.sync()
        self.protocols = self.display.intern_atom("WM_PROTOCOLS")
        self.ping = self.display.intern_atom("_NET_WM_PING")
        self.window = None
        self.waits = []
        self._stop = threading.Event()
        self._lock = threading.Lock()
        self._outstanding = None  # (stamp, sent at)
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def attach(self, window):
        """Starts pinging the window (an X window id)."""
        with self._lock:
            self.window = self.display.create_resource_object("window", int(window))
            self.waits = []
            self._outstanding = None

    def reset(self):
        """Forgets the waits so far (a new stretch is measured)."""
        with self._lock:
            self.waits = []

    def longest(self):
        """The longest wait for an answer so far in seconds, the one still open included."""
        with self._lock:
            open_wait = [time.monotonic() - self._outstanding[1]] if self._outstanding else []
            return max(self.waits + open_wait, default=0.0)

    def count(self):
        with self._lock:
            return len(self.waits)

    def stop(self):
        self._stop.set()
        self._thread.join(5)
        self.display.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def _handle(self, event):
        if event.type == X.MapRequest:
            event.window.map()
        elif event.type == X.ConfigureRequest:
            fields = {name: getattr(event, name) for name, bit in (("x", X.CWX), ("y", X.CWY), ("width", X.CWWidth),
                                                                   ("height", X.CWHeight))
                      if event.value_mask & bit}
            if fields:
                event.window.configure(**fields)
        elif (event.type == X.ClientMessage and event.client_type == self.protocols and self._outstanding
              and event.data[1][1] == self._outstanding[0]):
            with self._lock:
                self.waits.append(time.monotonic() - self._outstanding[1])
                self._outstanding = None

    def _run(self):
        stamp = 1
        while not self._stop.is_set():
            if self.window is not None and self._outstanding is None:
                with self._lock:
                    self._outstanding = (stamp, time.monotonic())
                event = protocol.event.ClientMessage(window=self.window, client_type=self.protocols,
                                                     data=(32, [self.ping, stamp, self.window.id, 0, 0]))
                self.window.send_event(event, event_mask=X.NoEventMask)
                self.display.flush()
                stamp += 1
            select.select([self.display.fileno()], [], [], 0.01)
            while self.display.pending_events():
                self._handle(self.display.next_event())
            if self._outstanding is None:
                time.sleep(0.01)
