#!/usr/bin/python3
"""The screen reader's side of the echo benchmark: one GTK text entry in a window of its
own, as plain as a typing field gets, so that what is timed is the reader's key echo and
not the application's work. Needs python3-gi; the title is what the bench waits for."""
import signal

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

TITLE = "echo bench entry"


def main():
    window = Gtk.Window(title=TITLE)
    window.set_default_size(400, 60)
    entry = Gtk.Entry()
    window.add(entry)
    window.connect("destroy", Gtk.main_quit)
    # The bench ends it with SIGTERM; quit the main loop cleanly rather than die in it.
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, Gtk.main_quit)
    window.show_all()
    entry.grab_focus()
    Gtk.main()


if __name__ == "__main__":
    main()
