"""Prints the accessible name, description and child count of the first top-level window named
argv[1] that a screen reader finds on the AT-SPI bus, waiting at most argv[2] seconds for it.
Exits 1 when no such window appears in time."""
import sys
import time

import pyatspi

name = sys.argv[1]
deadline = time.monotonic() + float(sys.argv[2])
while True:
    try:
        for app in pyatspi.Registry.getDesktop(0):
            for window in app or []:
                if window is not None and window.name == name:
                    print(window.name)
                    print(window.description)
                    print(window.childCount)
                    sys.exit(0)
    except Exception as error:  # the application may still be registering
        print("not yet:", error, file=sys.stderr)
    if time.monotonic() > deadline:
        sys.exit(1)
    time.sleep(0.2)
