#!/usr/bin/python3
"""Snaprill in Wayland sessions whose compositor lets it follow the clipboard
(data control): headless sway (wlroots) and KWin, each with Xwayland, as their
session's user (sway refuses root). In each: a picture on the clipboard at start is
emptied away unsaved; one wl-copy of a PNG makes exactly one file with its pixels
and leaves the clipboard empty; the focus moving away and back makes no file; a
native program's copy, made while Snaprill has no focus, is saved once, also after
that program quits; text and an offer marked secret are left alone; a copy after an
owner that never sends is taken at once, and such an owner is given up after 5 s
with its offer left on the clipboard; pause, resume and "do not clear at start / on
resume" keep or empty the clipboard as on X11; SIGTERM ends the program cleanly.

The checks themselves are wayland/wayland_checks.py; the session scripts beside it
need root (they make the session user). Exit status 77: nothing could run here."""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
WAYLAND = os.path.join(HERE, "wayland")
SKIP = 77
# compositor: (its program, the script that starts a session of it)
COMPOSITORS = {"sway": ("sway", "sway-session.sh"), "kwin": ("kwin_wayland", "kwin-session.sh")}


def prepare(work):
    """A folder the session user may read: the program with its data files, the
    tools and the checks, and the picture copied."""
    bin_dir = os.path.join(work, "bin")
    os.mkdir(bin_dir)
    app = os.environ["SNAPRILL_APP"]
    for name in ("english.ini", "snaprill-manual.html"):
        shutil.copy(os.path.join(os.path.dirname(app), name), bin_dir)
    shutil.copy(app, bin_dir)
    shutil.copy(os.environ["SNAPRILL_WAYLAND_TOOL"], bin_dir)
    if "SNAPRILL_PORTAL_TOOL" in os.environ:
        shutil.copy(os.environ["SNAPRILL_PORTAL_TOOL"], bin_dir)
    for name in ("wayland_checks.py", "capture_checks.py", "gtk_client.py"):
        shutil.copy(os.path.join(WAYLAND, name), bin_dir)
    for name in ("desktop_session.py", "lsan.supp"):
        shutil.copy(os.path.join(HERE, name), bin_dir)
    picture = os.path.join(work, "picture.png")
    image = Image.new("RGB", (203, 101), (30, 120, 200))  # odd width: row padding
    ImageDraw.Draw(image).rectangle([10, 10, 60, 50], fill=(250, 240, 0))
    image.save(picture)
    os.chmod(work, 0o755)
    for root, dirs, files in os.walk(work):
        for name in dirs:
            os.chmod(os.path.join(root, name), 0o755)
        for name in files:
            path = os.path.join(root, name)
            os.chmod(path, 0o755 if os.access(path, os.X_OK) else 0o644)
    return bin_dir, picture


def run_under(compositor, work, bin_dir, picture, checks="wayland_checks.py", starter=None):
    """Runs the checks in a session of `compositor`, started by the command `starter`
    (followed by the session's folder and the script to run; by default Debian 12's
    compositor's script); True when they all passed."""
    session = os.path.join(work, compositor + "-" + os.path.splitext(checks)[0])
    home = os.path.join(session, "home")
    os.makedirs(home)
    # The session starts its program with a bare environment: the sanitizers'
    # settings go in by hand.
    passed = ["%s=%s" % (key, os.environ[key]) for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS")
              if key in os.environ]
    passed.append("LSAN_OPTIONS=suppressions=%s/lsan.supp" % bin_dir)
    runner = os.path.join(session, "run.sh")
    with open(runner, "w") as script:
        script.write("#!/bin/sh\nexec env %s /usr/bin/python3 %s/%s %s %s %s %s"
                     " > %s/checks.log 2>&1\n" % (" ".join(passed), bin_dir, checks, compositor,
                                                  bin_dir, home, picture, session))
    os.chmod(runner, 0o755)
    starter = starter or ["sh", os.path.join(WAYLAND, COMPOSITORS[compositor][1])]
    try:
        subprocess.run(starter + [session, runner], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=240, check=False)
    except subprocess.TimeoutExpired:
        print("FAIL: %s: the session did not end within 240 s" % compositor)
    for name in ("checks.log", "snaprill.log"):
        path = os.path.join(session, name)
        if os.path.exists(path):
            with open(path, errors="replace") as log:
                print("--- %s under %s\n%s" % (name, compositor, log.read()[-6000:]))
    verdict = os.path.join(session, "verdict")
    if not os.path.exists(verdict):
        print("FAIL: %s: the checks did not finish" % compositor)
        return False
    with open(verdict) as failures:
        return failures.read().strip() == "0"


def main(checks="wayland_checks.py"):
    if os.geteuid() != 0:
        print("SKIP: the compositors' sessions are started as their own user, which needs root")
        return SKIP
    if "SNAPRILL_WAYLAND_TOOL" not in os.environ:
        print("SKIP: built without Wayland (SNAPRILL_WAYLAND=OFF)")
        return SKIP
    present = [name for name, (program, _) in COMPOSITORS.items() if shutil.which(program)]
    for name in COMPOSITORS:
        if name not in present:
            print("SKIP: %s is not installed (./dev test installs it)" % COMPOSITORS[name][0])
    if not present:
        return SKIP
    work = tempfile.mkdtemp(prefix="snaprill-wayland-")
    try:
        bin_dir, picture = prepare(work)
        failed = [name for name in present
                  if not run_under(name, work, bin_dir, picture, checks)]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("FAILED under: " + ", ".join(failed) if failed else
          "all Wayland checks passed under " + ", ".join(present))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
