#!/usr/bin/python3
"""Watches a window's frames from outside for some seconds and prints the
X server's time of each, in milliseconds, one a line.

The demo's library sends a frame to its window a line at a time, top to
bottom, so the Damage extension reports every line drawn; the frame's time
is that of its top line. The server stamps each report as it draws, so the
times are the server's own, whatever this watcher's delays.

usage: frame_times.py WINDOW SECONDS
"""
import sys
import time

from Xlib import display
from Xlib.ext import damage

TOP_LINE = 0


def main():
    window_id, seconds = int(sys.argv[1], 0), float(sys.argv[2])
    d = display.Display()
    d.damage_query_version()
    window = d.create_resource_object("window", window_id)
    window.damage_create(damage.DamageReportRawRectangles)
    d.flush()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while d.pending_events():
            event = d.next_event()
            if event.type == d.extension_event.DamageNotify and event.area.y == TOP_LINE:
                print(event.timestamp)
        time.sleep(0.001)


main()
