#!/usr/bin/python3
"""Pictures where only the desktop portal gives them (a Wayland session whose
compositor copies no outputs and is not KWin; Xvfb stands in for Xwayland and
WAYLAND_DISPLAY names no compositor), against a stand-in portal that the session bus
starts on the first call (fake_portal.py). One scenario for each fault it catches:
- no Snaprill running: --capture=screen has the bus start the portal, registers the
  program's id first, and saves the portal's picture (the portal was asked only
  when it was running already);
- a running Snaprill answers at once that the capture is pending and then the file:
  a picture the portal gives 12 s later is saved and the command ends 0 (the
  command gave up after 10 s, and the running program then crashed writing its late
  answer); a command killed while its picture is pending leaves the program running
  and answering; a capture that ends first (a damaged copy on the clipboard) is not
  taken for the command's (the first capture to end answered the command);
- refused, cancelled: status 1, each reason its own on stderr (one text for all);
- an output folder that cannot be written: status 1 with the reason (status 0, no
  file, while the window showed its error box);
- while the portal is busy with another program's question, the start does not wait
  for it: the window shows and answers at once (it waited 25 s);
- on GNOME, whose question shows only for the focused program, it is asked once,
  while the window has the focus, and not again once the store holds an answer."""
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

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:tmpdir=%(home)s</listen>
<servicedir>%(services)s</servicedir>
<policy context="default"><allow send_destination="*" eavesdrop="true"/>
<allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
"""


class Portal:
    """The session bus with the portal it starts on demand, and the portal's log."""

    def __init__(self, session):
        self.session = session
        self.log = os.path.join(session.home, "portal.log")
        services = os.path.join(session.home, "services")
        os.mkdir(services)
        for name in ("org.freedesktop.portal.Desktop",
                     "org.freedesktop.impl.portal.PermissionStore"):
            with open(os.path.join(services, name + ".service"), "w") as f:
                f.write("[D-BUS Service]\nName=%s\nExec=/usr/bin/python3 %s %s\n"
                        % (name, os.path.join(HERE, "fake_portal.py"), self.log))
        config = os.path.join(session.home, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG % {"home": session.home, "services": services})
        bus = subprocess.Popen(["dbus-daemon", "--nofork", "--print-address=1",
                                "--config-file=" + config], stdout=subprocess.PIPE, text=True)
        session.helpers.append(bus)
        session.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()

    def calls(self, name=None):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as lines:
            heard = [json.loads(line) for line in lines if line.strip()]
        return [c for c in heard if name is None or c["call"] == name]

    def set_mode(self, words):
        subprocess.run(["dbus-send", "--session", "--print-reply",
                        "--dest=org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                        "org.snaprill.Test.SetMode", "string:" + words],
                       env=self.session.env, capture_output=True, timeout=10)


def capture(session, timeout=40):
    start = time.monotonic()
    done = subprocess.run([session.app, "--capture=screen"], env=session.env,
                          capture_output=True, text=True, timeout=timeout)
    return done, time.monotonic() - start


def is_portal_picture(session, name, what):
    with Image.open(os.path.join(session.home, name)) as got:
        rgb = got.convert("RGB")
        check(rgb.size == (40, 30) and rgb.getpixel((0, 0)) == (200, 30, 30) and
              rgb.getpixel((39, 29)) == (30, 30, 200),
              "%s: %r is not the portal's picture" % (what, rgb.size))


def write_settings(session, text):
    with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
        f.write(text)


def one_shot_checks(session, portal):
    done, _ = capture(session)
    check(done.returncode == 0 and done.stderr == "",
          "one-shot through the portal: %d %r" % (done.returncode, done.stderr))
    check(outputs(session) == ["snp1.png"], "one-shot wrote %r" % outputs(session))
    if outputs(session) == ["snp1.png"]:
        is_portal_picture(session, "snp1.png", "the one-shot")
    names = [c["call"] for c in portal.calls() if c["call"] in ("Register", "Screenshot")]
    check(names[:2] == ["Register", "Screenshot"], "the portal heard %r" % names)
    shots = portal.calls("Screenshot")
    check(shots and shots[0]["app_id"] == "snaprill", "the picture was asked as %r" % shots)


def running_program_checks(session, portal):
    session.start_program()
    portal.set_mode("shot-late=12")
    before = outputs(session)
    done, took = capture(session)
    check(done.returncode == 0, "a picture 12 s late: %d %r" % (done.returncode, done.stderr))
    check(took >= 11.5, "the command ended after %.1f s, before the picture came" % took)
    added = [n for n in outputs(session) if n not in before]
    check(len(added) == 1, "a picture 12 s late wrote %r" % added)
    if len(added) == 1:
        is_portal_picture(session, added[0], "the late picture")

    # Another capture ends while the command's picture is pending (a damaged copy on
    # the clipboard): the command hears its own capture's outcome, not the first one
    # to end.
    portal.set_mode("shot-late=3")
    before = outputs(session)
    command = subprocess.Popen([session.app, "--capture=screen"], env=session.env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    time.sleep(1)
    damaged = os.path.join(session.home, "damaged.png")
    with open(damaged, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + b"\0" * 64)
    session.offer(damaged, "image/png")
    _, errors = command.communicate(timeout=40)
    added = [n for n in outputs(session) if n not in before]
    check(command.returncode == 0 and len(added) == 1,
          "a damaged copy ended first: %d %r, files %r" % (command.returncode, errors, added))

    # A command that gives up while its picture is pending.
    portal.set_mode("shot-late=4")
    try:
        capture(session, timeout=2)
        check(False, "the command did not wait for the picture")
    except subprocess.TimeoutExpired:
        pass
    time.sleep(5)
    check(session.program.poll() is None,
          "the program ended (status %r) answering a command that went away"
          % session.program.poll())
    portal.set_mode("")
    done, _ = capture(session)
    check(done.returncode == 0, "after a command went away: %d %r" % (done.returncode, done.stderr))

    for mode, reason in (("shot-refused", "the desktop refused Snaprill a picture of the screen"),
                         ("shot-cancelled", "the picture of the screen was cancelled")):
        portal.set_mode(mode)
        before = outputs(session)
        done, _ = capture(session)
        check(done.returncode == 1 and reason in done.stderr,
              "%s: %d %r" % (mode, done.returncode, done.stderr))
        check(outputs(session) == before, "%s wrote %r" % (mode, outputs(session)))
    check(session.stop_program() == 0, "the program did not end cleanly")


def unwritable_folder_checks(session, portal):
    portal.set_mode("")
    write_settings(session, "[Snaprill]\nImageType=1\n[General]\nOutputDir=/proc/\n")
    session.start_program()
    done, _ = capture(session)
    check(done.returncode == 1 and "not saved" in done.stderr,
          "an unwritable folder: %d %r" % (done.returncode, done.stderr))
    session.stop_program()
    write_settings(session, "[Snaprill]\nImageType=1\n")


def busy_portal_checks(session, portal):
    """Another program's question is open: the portal answers no one meanwhile."""
    portal.set_mode("shot-silent")
    tool = os.environ.get("SNAPRILL_PORTAL_TOOL")
    if not check(tool and os.path.exists(tool), "no portal_screenshot_tool"):
        return
    other = session._helper([tool, os.path.join(session.home, "other.png")])
    check(wait_for(lambda: len(portal.calls("Screenshot")) > 0 and
                   portal.calls("Screenshot")[-1]["parent"] == "", 10, 0.05),
          "the other program's question did not open")
    start = time.monotonic()
    session.start_program()
    shown = time.monotonic() - start
    ping = subprocess.run([os.environ["SNAPRILL_WINDOW_PING"], session.window_id(), "10"],
                          env=session.env, capture_output=True, text=True, timeout=60)
    print("window shown after %.1f s; slowest ping %s ms" % (shown, ping.stdout.strip()))
    check(shown < 5, "the window took %.1f s to show while the portal was busy" % shown)
    try:
        check(float(ping.stdout.strip()) < 1000, "the window answered late: %s" % ping.stdout)
    except ValueError:
        check(False, "the window did not answer: %r" % ping.stdout)
    other.kill()
    session.stop_program()


def gnome_checks(session, portal):
    """GNOME asks only while the asking program has the focus: once, then never."""
    session.env["XDG_CURRENT_DESKTOP"] = "GNOME"
    session.start_window_manager()
    for mode, asked in (("", True), ("permission=yes", False)):
        portal.set_mode(mode)
        before = len(portal.calls("Screenshot"))
        session.start_program()
        session.run(["xdotool", "windowactivate", "--sync", session.window_id()], check=False)
        wait_for(lambda: len(portal.calls("Screenshot")) > before, 5, 0.05)
        time.sleep(1)
        shots = portal.calls("Screenshot")[before:]
        if asked:
            check(len(shots) == 1 and shots[0]["parent"].startswith("x11:"),
                  "with no answer stored, the focused window asked %r" % shots)
        else:
            check(shots == [], "with the answer stored, it asked again: %r" % shots)
        session.stop_program()
    del session.env["XDG_CURRENT_DESKTOP"]


def main():
    if python_dbus_missing():
        print(python_dbus_missing())
        return SKIP
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        portal = Portal(session)
        session.env["WAYLAND_DISPLAY"] = "no-compositor-here"
        session.env.pop("XDG_CURRENT_DESKTOP", None)
        write_settings(session, "[Snaprill]\nImageType=1\n")
        one_shot_checks(session, portal)
        running_program_checks(session, portal)
        unwritable_folder_checks(session, portal)
        busy_portal_checks(session, portal)
        gnome_checks(session, portal)
    return outcome("the portal's pictures, refusals and questions are told as they are")


if __name__ == "__main__":
    sys.exit(main())
