#!/usr/bin/python3
"""Prints the accessible tree of a running application as a screen reader
reads it over AT-SPI: role, name, description, value and the states that
matter. Usage: scripts/a11y-tree.py [APPLICATION-NAME]  (default Ferrowick)"""
import sys

import pyatspi

STATES = (pyatspi.STATE_FOCUSED, pyatspi.STATE_SELECTED, pyatspi.STATE_SENSITIVE, pyatspi.STATE_MULTISELECTABLE)


def show(acc, depth=0):
    line = "%s%s %r" % ("  " * depth, acc.getRoleName(), acc.name or "")
    if acc.description:
        line += " desc=%r" % acc.description
    try:
        value = acc.queryValue()
        line += " value=%g/%g" % (value.currentValue, value.maximumValue)
    except NotImplementedError:
        pass
    states = acc.getState().getStates()
    print(line, ",".join(pyatspi.stateToString(s) for s in STATES if s in states))
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            show(child, depth + 1)


def main():
    wanted = sys.argv[1] if len(sys.argv) > 1 else "Ferrowick"
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == wanted.lower():
            show(app)
            return 0
    print("no application named %s on the accessibility bus" % wanted, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
