#!/usr/bin/python3
"""Reads a widget of tovana through AT-SPI, as a screen reader does, polling until its text
meets a condition or the time runs out. Prints what it read; exit 0 when the condition held.

  atspi_read.py [--name ACCESSIBLE_NAME] [--role ROLE] (--contains T | --endswith T) [--timeout S]

Without --name the first widget of the role is read (the main window's screen)."""
import argparse
import sys
import time

import pyatspi


def find(node, role, name, depth=0):
    if node is None or depth > 12:
        return None
    try:
        if node.getRoleName() == role and (name is None or node.name == name):
            return node
        for child in node:
            hit = find(child, role, name, depth + 1)
            if hit is not None:
                return hit
    except Exception:
        return None
    return None


def read(role, name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "tovana":
            widget = find(app, role, name)
            if widget is not None:
                return widget.queryText().getText(0, -1)
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--name")
    parser.add_argument("--role", default="text")
    parser.add_argument("--contains")
    parser.add_argument("--endswith")
    parser.add_argument("--timeout", type=float, default=15)
    args = parser.parse_args()

    def holds(text):
        if text is None:
            return False
        if args.contains is not None and args.contains not in text:
            return False
        if args.endswith is not None and not text.endswith(args.endswith):
            return False
        return True

    deadline = time.time() + args.timeout
    text = None
    while time.time() < deadline:
        try:
            text = read(args.role, args.name)
        except Exception:
            text = None  # the window is changing under us: ask again
        if holds(text):
            print(text)
            return 0
        time.sleep(0.2)
    print("the condition never held; the widget read:", file=sys.stderr)
    print(text, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
