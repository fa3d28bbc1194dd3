#!/usr/bin/python3
"""The desktop's global shortcuts in a Wayland session, against a stand-in portal on a
private session bus (tests/desktop/fake_portal.py): the program registers its id,
offers its five hotkeys with their meanings and the user's keys (F12, F11) as
suggestions, and a press the portal reports runs that hotkey's action: here auto-save
row 1, whose options file makes the next capture a PNG. Xvfb stands in for Xwayland
(WAYLAND_DISPLAY names no compositor, so the clipboard is watched through X11)."""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import (DesktopSession, check, outcome, outputs,  # noqa: E402
                             python_dbus_missing, wait_for)
from PIL import Image  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77


def calls(log):
    if not os.path.exists(log):
        return []
    with open(log) as lines:
        return [json.loads(line) for line in lines if line.strip()]


def named(log, name):
    return [c for c in calls(log) if c["call"] == name]


def main():
    if python_dbus_missing():
        print(python_dbus_missing())
        return SKIP
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                               stdout=subprocess.PIPE, text=True)
        session.helpers.append(bus)
        address = bus.stdout.readline().strip()
        session.env["DBUS_SESSION_BUS_ADDRESS"] = address
        log = os.path.join(session.home, "portal.log")
        session._helper(["/usr/bin/python3", os.path.join(HERE, "fake_portal.py"), log])
        if not check(wait_for(lambda: named(log, "ready"), 10, 0.05), "the portal did not start"):
            return outcome("")
        options_file = os.path.join(session.home, "png.snp")
        with open(options_file, "w") as f:
            f.write("[Snaprill]\nImageType=1\n")
        with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
            f.write("[General]\nAutoSave1=1\nOptions1=%s\n" % options_file)
        session.env["WAYLAND_DISPLAY"] = "no-compositor-here"
        session.start_program()

        bound = wait_for(lambda: named(log, "BindShortcuts"), 10, 0.05)
        check(named(log, "Register") == [{"call": "Register", "app_id": "snaprill"}],
              "registered as %r" % named(log, "Register"))
        if check(bound, "no shortcuts were offered: %r" % calls(log)):
            shortcuts = dict((i, p) for i, p in bound[0]["shortcuts"])
            check(sorted(shortcuts) == sorted(["active-window", "screen", "auto-save-1",
                                               "auto-save-2", "auto-save-3"]),
                  "offered %r" % sorted(shortcuts))
            check(shortcuts.get("screen", {}).get("preferred_trigger") == "F12" and
                  shortcuts.get("active-window", {}).get("preferred_trigger") == "F11",
                  "suggested keys %r" % shortcuts)
            check("preferred_trigger" not in shortcuts.get("auto-save-2", {}),
                  "a row without a key suggested one: %r" % shortcuts.get("auto-save-2"))
            check(all(p.get("description") for p in shortcuts.values()),
                  "a shortcut without a description: %r" % shortcuts)

        # A press of auto-save row 1 (once the binding's answer, sent 50 ms after the
        # call, is in; a sanitizer build on a busy machine takes its time): the next
        # capture is taken with its options file.
        time.sleep(1.5)
        subprocess.run(["dbus-send", "--session", "--dest=org.freedesktop.portal.Desktop",
                        "--type=method_call", "/org/freedesktop/portal/desktop",
                        "org.snaprill.Test.Press", "string:auto-save-1"],
                       env=session.env, check=False)
        time.sleep(0.5)
        picture = os.path.join(session.home, "offered.png")
        Image.new("RGB", (64, 32), (200, 30, 30)).save(picture)
        session.offer(picture, "image/png")
        saved = wait_for(lambda: outputs(session), 10, 0.05)
        check(saved and saved[0].endswith(".png"),
              "the auto-save shortcut's capture was saved as %r" % saved)
        session.stop_program()
    return outcome("the desktop's shortcuts were offered and a press ran its action")


if __name__ == "__main__":
    sys.exit(main())
