#!/usr/bin/python3
"""Prints, for SECONDS, the events assistive technology hears over the AT-SPI
bus: "activate WINDOW" when a window becomes active, and "text OBJECT TEXT"
when text is inserted into an object.  It prints "listening" first.
Usage: atspi-events.py SECONDS"""
import sys

import pyatspi
from gi.repository import GLib


def heard(event):
    try:
        if event.type.startswith("window:activate"):
            print("activate %s" % event.source.name, flush=True)
        elif event.type.startswith("object:text-changed:insert"):
            print("text %s %s" % (event.source.name, event.any_data), flush=True)
    except Exception:  # an object gone before it could be asked
        pass


pyatspi.Registry.registerEventListener(heard, "window:activate", "object:text-changed:insert")
GLib.timeout_add(int(float(sys.argv[1]) * 1000), pyatspi.Registry.stop)
print("listening", flush=True)
pyatspi.Registry.start()
