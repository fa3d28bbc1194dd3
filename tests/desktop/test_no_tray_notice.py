#!/usr/bin/python3
"""The notice that no tray was found, on a real X server with a window manager: Hide
Window without a tray host minimises the window and the status bar says why; once a
tray host (trayer) has started, turning to the window again ends the notice, and the
status bar shows the count as it did before."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402


def status_strip(session, wid):
    """The pixels of the status bar's left half, as bytes."""
    from PIL import Image
    shot = os.path.join(session.home, "window.png")
    session.run(["import", "-window", wid, shot])
    with Image.open(shot) as picture:
        width, height = picture.size
        strip = picture.convert("RGB").crop((0, height - 18, width // 2, height - 2)).tobytes()
    os.unlink(shot)
    return strip


def turn_to(session, wid):
    """Focus elsewhere (the bare desktop), then the window again, as a user would."""
    session.run(["xdotool", "mousemove", "5", "5", "click", "1"])
    time.sleep(0.3)
    session.run(["xdotool", "windowactivate", "--sync", wid], check=False)
    time.sleep(0.5)


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        session.start_window_manager()
        session.start_program()
        wid = session.window_id()
        session.run(["xdotool", "windowactivate", "--sync", wid])
        time.sleep(0.5)
        counter = status_strip(session, wid)

        session.run(["xdotool", "key", "--delay", "80", "alt+f", "w"])
        check(wait_for(lambda: not session.window_shown(), 5, 0.05),
              "Hide Window without a tray: the window was not minimised")
        turn_to(session, wid)
        check(wait_for(session.window_shown, 5, 0.05), "the minimised window did not come back")
        check(status_strip(session, wid) != counter, "no notice that there is no tray")

        session.start_tray()
        turn_to(session, wid)
        check(wait_for(lambda: status_strip(session, wid) == counter, 5, 0.1),
              "the no-tray notice stayed after a tray host started")
        check(session.stop_program() == 0, "the program did not end cleanly")
    return outcome("the no-tray notice is told, and goes once a tray host is there")


if __name__ == "__main__":
    sys.exit(main())
