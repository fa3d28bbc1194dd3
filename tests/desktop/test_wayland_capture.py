#!/usr/bin/python3
"""Snaprill takes its own pictures in Wayland sessions, where an X11 grab of the
rootless Xwayland fails: under headless sway through wlr-screencopy, under KWin
through its ScreenShot2 service. In each, the screen hotkey gives the whole screen
(under sway equal to grim's picture), the active-window hotkey the focused native
GTK window (under sway exactly the size sway gives it), and under sway one press of
the automation the screen as grim sees it; and the portal (xdg-desktop-portal-wlr
in a session bus of its own) the screen too. Under sway, also with a scaled output, a
turned one, a mirrored and turned one, and two outputs of different scales at an
offset: the screen and the focused window (cut at its output's scale) each equal to
grim's picture.

The checks are wayland/capture_checks.py, run by test_wayland.py's session
machinery. Exit status 77: nothing could run here."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import test_wayland  # noqa: E402

if __name__ == "__main__":
    sys.exit(test_wayland.main("capture_checks.py"))
