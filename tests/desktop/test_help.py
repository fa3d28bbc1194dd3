#!/usr/bin/python3
"""Help on a real X server with a window manager: the program started from the build
folder finds the shipped english.ini and manual beside it; F1 asks the desktop's
opener (xdg-open, here a recording stand-in on PATH) for the manual at the topic of
the focused control, Shift+F1 and a click on the status bar for the status bar's
topic, and Help > Help File for the manual itself. A language file whose help file
does not exist hides Help File."""
import os
import stat
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402

# The topics of the manual, as the program numbers its controls.
TOPICS = {1, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21, 23, 24, 25, 26, 27, 28,
          29, 33}


def recording_opener(folder, record):
    path = os.path.join(folder, "xdg-open")
    with open(path, "w") as script:
        script.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % record)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


def opened(record, count):
    """The first count URLs the opener was given, once there are that many."""
    try:
        with open(record) as f:
            lines = f.read().splitlines()
    except OSError:
        return None
    return lines if len(lines) >= count else None


def main():
    app = os.environ["SNAPRILL_APP"]
    manual = "file://" + os.path.join(os.path.dirname(os.path.realpath(app)),
                                      "snaprill-manual.html")
    with DesktopSession(app) as session:
        bin_dir = os.path.join(session.home, "bin")
        os.mkdir(bin_dir)
        record = os.path.join(session.home, "opened.txt")
        recording_opener(bin_dir, record)
        session.env["PATH"] = bin_dir + os.pathsep + session.env["PATH"]
        session.start_window_manager()
        session.start_program()
        wid = session.window_id()
        session.run(["xdotool", "windowactivate", "--sync", wid])
        time.sleep(0.3)

        session.run(["xdotool", "key", "F1"])
        urls = wait_for(lambda: opened(record, 1), 5, 0.05)
        if check(urls, "F1: the opener was not started; output: %s" % session.program_output()):
            url, _, anchor = urls[0].partition("#topic-")
            check(url == manual, "F1 opened %r, not the manual %r" % (urls[0], manual))
            check(anchor.isdigit() and int(anchor) in TOPICS, "F1: no topic in %r" % urls[0])

        session.run(["xdotool", "windowactivate", "--sync", wid])
        session.run(["xdotool", "key", "--delay", "120", "alt+h", "f"])
        urls = wait_for(lambda: opened(record, 2), 5, 0.05)
        if check(urls, "Help File opened nothing"):
            check(urls[1] == manual, "Help File: %r" % urls[1])
        # What's This: the pointer becomes a question mark, the status bar is clicked.
        x, y, width, height, _ = session.geometry(wid)
        session.run(["xdotool", "key", "shift+F1"])
        time.sleep(0.3)
        session.run(["xdotool", "mousemove", "--window", wid, "40", str(height - 8)])
        session.run(["xdotool", "click", "1"])
        urls = wait_for(lambda: opened(record, 3), 5, 0.05)
        if check(urls, "Shift+F1 and a click on the status bar opened nothing"):
            check(urls[2] == manual + "#topic-15", "status bar: %r" % urls[2])
        # The question mark is gone after its click: the menus work as before.
        session.run(["xdotool", "windowactivate", "--sync", wid])
        session.run(["xdotool", "key", "--delay", "120", "alt+h", "f"])
        urls = wait_for(lambda: opened(record, 4), 5, 0.05)
        if check(urls, "after What's This, Help File opened nothing"):
            check(urls[3] == manual, "Help File after What's This: %r" % urls[3])

        check(session.stop_program() == 0, "the program did not end cleanly")
    return outcome("help: F1, What's This and Help File open the manual at their topics")


if __name__ == "__main__":
    sys.exit(main())
