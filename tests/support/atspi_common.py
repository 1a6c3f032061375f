"""What the by-hand AT-SPI walks share: finding orvexreg on the accessibility bus and waiting."""
import sys
import time

import pyatspi


def wait_for(find, what, timeout=60, step=0.1):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(step)
    sys.exit("not found: " + what)


def application():
    apps = pyatspi.Registry.getDesktop(0)
    return next((a for a in apps if a is not None and a.name == "orvexreg"), None)


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)
