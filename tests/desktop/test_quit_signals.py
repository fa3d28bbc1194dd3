#!/usr/bin/python3
"""SIGTERM ends the program at once, with nobody at the screen to click: with a
settings file that cannot be written (a folder in its place) the close says so on
stderr instead of in a box, and a box the user's own close brought up gives way to
the signal."""
import os
import signal
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402
from test_faults import message_boxes  # noqa: E402


def ended_by_sigterm(session, what):
    """SIGTERM; the program must end within five seconds with status 0."""
    session.program.send_signal(signal.SIGTERM)
    status = wait_for(lambda: session.program.poll() is not None, 5.0, 0.05)
    if not check(status, "%s: still running five seconds after SIGTERM" % what):
        session.program.kill()
        session.program.wait(5)
        return ""
    check(session.program.returncode == 0,
          "%s: exit status %d" % (what, session.program.returncode))
    return session.program_output()


def unwritable_settings(app):
    with DesktopSession(app) as session:
        settings_file = os.path.join(session.home, "snaprill.ini")
        os.mkdir(settings_file)
        session.start_program()
        check(not message_boxes(session), "a box at the start")
        output = ended_by_sigterm(session, "settings file a folder")
        check("snaprill: The settings were not saved: unable to write to %s\n" % settings_file
              in output, "the unsaved settings were not told on stderr: %r" % output)

        # The user's own close shows the box; a signal then need not wait for a click.
        session.start_program()
        session.run(["xdotool", "windowfocus", "--sync", session.window_id()], check=False)
        session.run(["xdotool", "key", "--delay", "50", "alt+f", "e"])
        if check(wait_for(lambda: message_boxes(session), 5.0), "no box after File > Exit"):
            ended_by_sigterm(session, "a box of the user's close open")


def main():
    app = os.environ["SNAPRILL_APP"]
    unwritable_settings(app)
    return outcome("signals end the program without waiting on boxes")


if __name__ == "__main__":
    sys.exit(main())
