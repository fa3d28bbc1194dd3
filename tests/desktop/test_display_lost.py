#!/usr/bin/python3
"""The X server goes away: Qt ends the program at once, with no close to save the
settings in. An image type chosen in the window a moment before was lost; now a
change is saved a moment after it is made, so the settings file holds it when the
display goes. The shared-memory segment the screen grabs keep attached between
captures goes with the program, not with a later reboot."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import (DesktopSession, check, outcome, outputs, settings,  # noqa: E402
                             wait_for)
from test_window import GIF_ROW, TYPE_PANEL, click, picker_shown  # noqa: E402


def segments_made_by(pid):
    """The System V shared-memory segments that process made, as the kernel lists them."""
    with open("/proc/sysvipc/shm") as table:
        header = table.readline().split()
        column = header.index("cpid")
        return [line.split()[1] for line in table if int(line.split()[column]) == pid]


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        session.start_window_manager()
        program = session.start_program()
        check(wait_for(lambda: os.path.exists(os.path.join(session.home, "snaprill.ini")), 2, 0.05)
              is None, "the start wrote the settings file: nothing had changed")
        wid = session.window_id()
        session.run(["xdotool", "windowactivate", "--sync", wid])
        click(session, wid, TYPE_PANEL)
        check(wait_for(lambda: picker_shown(session), 3, 0.02), "the picker did not unroll")
        click(session, wid, GIF_ROW)
        check(wait_for(lambda: not picker_shown(session), 3, 0.02), "a chosen row left it open")
        # A moment later (the save's delay is one second), the display goes.
        saved = wait_for(lambda: settings(session).get("Snaprill/ImageType") == "2", 3, 0.05)
        # Print Screen: the grab leaves its segment attached for the next one.
        before = len(segments_made_by(program.pid))
        session.run(["xdotool", "key", "Print"])
        check(wait_for(lambda: outputs(session), 10, 0.05), "Print Screen gave no file")
        check(len(segments_made_by(program.pid)) > before,
              "no shared-memory segment is kept between grabs")
        session.xvfb.kill()
        session.xvfb.wait(5)
        try:
            program.wait(10)
        except Exception:  # noqa: BLE001 - reported below
            pass
        check(program.poll() is not None, "the program outlived its display")
        # The kernel lets a segment go once the last process holding it has let go;
        # on a loaded machine that was seen to lag the program's own end.
        wait_for(lambda: not segments_made_by(program.pid), 3, 0.05)
        check(not segments_made_by(program.pid),
              "its shared-memory segments outlived it: %r" % segments_made_by(program.pid))
        check(saved and settings(session).get("Snaprill/ImageType") == "2",
              "GIF chosen before the display went is not in the settings: %r"
              % settings(session).get("Snaprill/ImageType"))
    return outcome("a change made before the display went is saved")


if __name__ == "__main__":
    sys.exit(main())
