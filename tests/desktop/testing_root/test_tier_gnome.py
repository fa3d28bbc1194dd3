#!/usr/bin/python3
"""Today's GNOME Shell (Debian testing's, from the testing root), whose clipboard
reaches X11 programs only through Xwayland. portal_checks.py: an X11 program's copy
saved once and emptied by Snaprill started as GNOME starts it (Qt's Wayland plugin
installed, no platform chosen); then the screenshot portal: the permission granted in
the portal's permission store (a file, the portal started by the bus), refused (none,
at once), the shortcuts awaiting the user's confirmation, the dialog left unanswered
by a running Snaprill (none after its minute, and no crash).
Native Wayland copies are left to test_gnome_clipboard.py under Debian 12's Mutter:
headless GNOME 51 gives a new surface no keyboard focus, so wl-copy and a GTK window
wait for ever. Snaprill as built here connects from outside the root.
Exit status 77: nothing could run here."""
import sys

import tier

if __name__ == "__main__":
    sys.exit(tier.run("gnome", ("portal_checks.py",), "today's GNOME"))
