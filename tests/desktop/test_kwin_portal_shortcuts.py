#!/usr/bin/python3
"""Snaprill's global shortcuts against the real desktop portal of KDE Plasma: headless
KWin 5.27 with xdg-desktop-portal and its KDE backend, started on demand in the
session's bus, as the session's user. The program's CreateSession and BindShortcuts
must both be answered with success (read off the bus by dbus-monitor); only a real
desktop shows the confirmation dialog and delivers key presses.
Exit status 77: nothing could run here."""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77
NEEDED = ["kwin_wayland", "dbus-monitor", "kglobalaccel5", "/usr/libexec/xdg-desktop-portal",
          "/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde"]

SESSION_SCRIPT = """#!/bin/sh
cd %(session)s
# Portals started on demand get the session's display from the bus.
dbus-update-activation-environment WAYLAND_DISPLAY=wayland-kwin XDG_CURRENT_DESKTOP=KDE \\
  DISPLAY=$DISPLAY
dbus-monitor --session > %(session)s/monitor.log 2>&1 &
sleep 0.5
/usr/bin/kglobalaccel5 > /dev/null 2>&1 &
mkdir -p $HOME/snaprill && chmod 700 $HOME/snaprill
SNAPRILL_HOME=$HOME/snaprill WAYLAND_DISPLAY=wayland-kwin \\
  timeout 12 %(work)s/snaprill > %(session)s/snaprill.log 2>&1
"""


def answers(log, token):
    """The response codes of the Request answers to the call with this handle token."""
    codes, lines = [], log.splitlines()
    for i, line in enumerate(lines):
        if "member=Response" not in line or "path=" not in line or i + 1 == len(lines):
            continue
        if line.split("path=")[1].split(";")[0].endswith("/request/%s" % token) or \
                line.split("path=")[1].split(";")[0].endswith("/" + token):
            codes.append(lines[i + 1].strip())
    return codes


def main():
    if os.geteuid() != 0:
        print("SKIP: the compositor's session is started as its own user, which needs root")
        return SKIP
    missing = [n for n in NEEDED if not (shutil.which(n) or os.path.exists(n))]
    if missing:
        print("SKIP: not installed: %s (./dev test installs them)" % ", ".join(missing))
        return SKIP
    work = tempfile.mkdtemp(prefix="snaprill-kwin-portal-")
    # The session's user writes only in the session's folder.
    session_dir = os.path.join(work, "session")
    try:
        app = os.environ["SNAPRILL_APP"]
        for name in ("snaprill", "english.ini"):
            shutil.copy(os.path.join(os.path.dirname(app), name), work)
        with open(os.path.join(work, "run.sh"), "w") as script:
            script.write(SESSION_SCRIPT % {"work": work, "session": session_dir})
        for root, dirs, files in os.walk(work):
            for name in dirs + files:
                os.chmod(os.path.join(root, name), 0o755)
        os.chmod(work, 0o755)
        starter = os.path.join(HERE, "wayland", "kwin-session.sh")
        try:
            subprocess.run(["sh", starter, session_dir,
                            os.path.join(work, "run.sh")], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=90, check=False)
        except subprocess.TimeoutExpired:
            print("FAIL: the session did not end within 90 s")
            return 1
        monitor = os.path.join(session_dir, "monitor.log")
        log = open(monitor, errors="replace").read() if os.path.exists(monitor) else ""
        session, bind = answers(log, "snaprill_session"), answers(log, "snaprill_bind")
        print("CreateSession answered %r, BindShortcuts answered %r" % (session, bind))
        if session == ["uint32 0"] and bind == ["uint32 0"]:
            print("KWin's portal answered both calls with success")
            return 0
        program_log = os.path.join(session_dir, "snaprill.log")
        if os.path.exists(program_log):
            with open(program_log, errors="replace") as out:
                print("--- snaprill.log\n" + out.read()[-3000:])
        print("FAIL: the portal's calls were not both answered with success")
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
