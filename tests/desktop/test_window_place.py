#!/usr/bin/python3
"""The window opens where it was closed. Under openbox the window once crept up by
the title bar and left by the border at every start: the stored Top and Left were
the frame's corner, and the next start put the window's inside there. Restarted
three times (after File > Exit, SIGTERM, File > Exit), without a tray and with one
(trayer), the frame's corner stays where the user moved it, and Top and Left name
that corner."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, settings, wait_for  # noqa: E402


def frame_corner(session):
    """The top-left corner of the main window's frame, from its inside's place and
    the frame's extents the window manager states; None while unknown."""
    wid = session.window_id()
    geometry = session.geometry(wid) if wid else None
    if not geometry or not geometry[4]:
        return None
    extents = session.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"], check=False).stdout
    if "=" not in extents:
        return None
    left, _, top, _ = (int(v) for v in extents.split("=")[1].split(","))
    return geometry[0] - left, geometry[1] - top


def settled_corner(session):
    """The frame's corner once it has stopped moving (the window manager places a
    new window in steps)."""
    last = None
    for _ in range(40):
        corner = wait_for(lambda: frame_corner(session), 5, 0.05)
        if corner is not None and corner == last:
            return corner
        last = corner
        time.sleep(0.1)
    return last


def end(session, how):
    if how == "File > Exit":
        session.run(["xdotool", "windowactivate", "--sync", session.window_id()])
        session.run(["xdotool", "key", "--delay", "80", "alt+f", "e"])
        try:
            return session.program.wait(10)
        except subprocess.TimeoutExpired:
            return None
    return session.stop_program(10)


def restarts(with_tray):
    label = "with a tray" if with_tray else "without a tray"
    with DesktopSession(os.environ["SNAPRILL_APP"], screen="1280x1024x24") as session:
        session.start_window_manager()
        if with_tray:
            session.start_tray()
        session.start_program()
        session.run(["xdotool", "windowmove", "--sync", session.window_id(), "300", "250"])
        wanted = settled_corner(session)
        if not check(wanted, "%s: the frame's corner is not known" % label):
            session.stop_program()
            return
        for how in ("File > Exit", "SIGTERM", "File > Exit"):
            status = end(session, how)
            check(status == 0, "%s, %s: exit status %r; output: %s"
                  % (label, how, status, session.program_output()))
            saved = settings(session)
            check((saved.get("Snaprill/Left"), saved.get("Snaprill/Top")) ==
                  (str(wanted[0]), str(wanted[1])),
                  "%s, %s: stored Left, Top %r, %r for a frame at %r"
                  % (label, how, saved.get("Snaprill/Left"), saved.get("Snaprill/Top"), wanted))
            session.start_program()
            corner = settled_corner(session)
            check(corner == wanted, "%s, after %s: the frame is at %r, it was closed at %r"
                  % (label, how, corner, wanted))
        session.stop_program()


def main():
    restarts(with_tray=False)
    restarts(with_tray=True)
    return outcome("the window opened where it was closed, three times, with and without a tray")


if __name__ == "__main__":
    sys.exit(main())
