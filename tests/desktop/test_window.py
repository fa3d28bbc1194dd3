#!/usr/bin/python3
"""The main window and the tray on a real X server with a window manager (openbox)
and a tray host (trayer): -hide gives a tray icon and no window; a double click on
the icon shows the window, whose icon then goes (unless "Tray icon always
visible"), and Hide Window brings it back; a second start on the same settings
folder shows the running program's window and ends with 0 (with -hide it only
ends); the type picker unrolls under the type panel, rolls up without a change at
a click elsewhere and takes a row's type; SIGTERM saves the settings as the close
button does, the window's place included; the next start puts the window back
there, and with the icon always shown a double click on it hides the window."""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, settings, wait_for  # noqa: E402


def double_click(session, wid):
    session.run(["xdotool", "mousemove", "--window", wid, "8", "8"])
    session.run(["xdotool", "click", "--repeat", "2", "--delay", "60", "1"])


def second_start(session, *args):
    """Runs another snaprill on the same settings; its exit status, or None."""
    try:
        return subprocess.run([session.app, *args], env=session.env, capture_output=True,
                              timeout=10).returncode
    except subprocess.TimeoutExpired:
        return None


# Where the type panel is in the window at 100 % with the test fonts, and the
# picker's rows below it (24 pixels apart, GIF the third).
TYPE_PANEL = (170, 97)
GIF_ROW = (170, 97 + 10 + 3 + 2 * 24 + 10)


def click(session, wid, point):
    session.run(["xdotool", "mousemove", "--window", wid, str(point[0]), str(point[1]),
                 "click", "1"])


def picker_shown(session):
    """The unrolled picker: a window 290 pixels high, shown."""
    tree = session.run(["xwininfo", "-root", "-tree"], check=False).stdout
    for wid in re.findall(r"^\s*(0x[0-9a-f]+) .*\b\d+x290\+", tree, re.MULTILINE):
        geometry = session.geometry(wid)
        if geometry and geometry[4]:
            return True
    return False


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        session.start_window_manager()
        session.start_tray()

        # Started hidden: an icon in the tray, no window on the screen.
        program = session.start_program("-hide", window=False)
        icon = wait_for(session.tray_icon_id, 10, 0.05)
        if not check(icon, "-hide: no tray icon; output: %s" % session.program_output()):
            return outcome("")
        time.sleep(0.5)
        check(not session.window_shown(), "-hide: a window is shown")

        # A double click on the icon shows the window; the icon goes with it.
        double_click(session, icon)
        check(wait_for(session.window_shown, 5, 0.05), "double click: no window shown")
        check(wait_for(lambda: not session.tray_icon_id(), 5, 0.05),
              "the icon stays beside the shown window")
        # Hide Window from the File menu: to the tray again.
        session.run(["xdotool", "windowactivate", "--sync", session.window_id()])
        session.run(["xdotool", "key", "--delay", "80", "alt+f", "w"])
        check(wait_for(lambda: not session.window_shown(), 5, 0.05), "Hide Window: still shown")
        check(wait_for(session.tray_icon_id, 5, 0.05), "Hide Window: no tray icon")

        # A second start on these settings shows the first's window and ends.
        status = second_start(session, "-hide")
        check(status == 0, "second start with -hide: exit status %r" % status)
        time.sleep(0.5)
        check(not session.window_shown(), "second start with -hide showed the window")
        status = second_start(session)
        check(status == 0, "second start: exit status %r" % status)
        check(wait_for(session.window_shown, 5, 0.05), "second start: first window not shown")
        check(program.poll() is None, "the first program ended")

        # The type picker: a click elsewhere rolls it up, a row chooses its type.
        wid = session.window_id()
        session.run(["xdotool", "windowactivate", "--sync", wid])
        click(session, wid, TYPE_PANEL)
        check(wait_for(lambda: picker_shown(session), 3, 0.02), "the picker did not unroll")
        click(session, wid, (600, 60))
        check(wait_for(lambda: not picker_shown(session), 3, 0.02),
              "a click elsewhere left the picker open")
        time.sleep(0.5)  # rolled up; a press while it rolls up does nothing
        click(session, wid, TYPE_PANEL)
        check(wait_for(lambda: picker_shown(session), 3, 0.02), "the picker did not unroll again")
        click(session, wid, GIF_ROW)
        check(wait_for(lambda: not picker_shown(session), 3, 0.02), "a chosen row left it open")

        # Moved by the user, then ended by SIGTERM: saved as the close button saves.
        session.run(["xdotool", "windowmove", "--sync", wid, "150", "120"])
        time.sleep(0.3)
        place = session.geometry(wid)[:2]
        ended = session.stop_program()
        check(ended == 0, "SIGTERM: exit status %r; output: %s"
              % (ended, session.program_output()))
        saved = settings(session)
        check("Snaprill/Top" in saved and "General/OutputDir" in saved,
              "SIGTERM: settings not saved: %r" % sorted(saved))
        check(saved.get("Snaprill/ImageType") == "2",
              "the picker's GIF row gave type %r" % saved.get("Snaprill/ImageType"))
        check(saved.get("Snaprill/Top") != "0" or saved.get("Snaprill/Left") != "0",
              "SIGTERM: the window's place was not kept: %r" % saved.get("Snaprill/Top"))

        # The next start, with the icon always shown.
        path = os.path.join(session.home, "snaprill.ini")
        with open(path) as ini:
            text = ini.read()
        with open(path, "w") as ini:
            ini.write(text.replace("TrayAlways=0", "TrayAlways=1"))
        session.start_program()
        check(wait_for(lambda: session.geometry(session.window_id())[:2] == place, 5, 0.05),
              "restart: the window is at %r, it was at %r"
              % (session.geometry(session.window_id())[:2], place))
        icon = wait_for(session.tray_icon_id, 5, 0.05)
        if check(icon, "tray icon always visible: no icon beside the window"):
            double_click(session, icon)
            check(wait_for(lambda: not session.window_shown(), 5, 0.05),
                  "double click on the icon of a shown window: still shown")
        session.stop_program()
    return outcome("all window and tray checks passed")


if __name__ == "__main__":
    sys.exit(main())
