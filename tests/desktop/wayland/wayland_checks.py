#!/usr/bin/python3
"""The checks of test_wayland.py, run inside one compositor's session as its user
(WAYLAND_DISPLAY and DISPLAY set): snaprill on Xwayland, the clipboard seen and set
through data control (wl-copy, wayland_clipboard_tool) and by a native GTK program.

usage: wayland_checks.py COMPOSITOR BIN HOME PICTURE
  BIN holds snaprill with its data files, wayland_clipboard_tool, gtk_client.py and
  desktop_session.py; HOME is the settings folder; PICTURE a PNG with a yellow box
  at (10..60, 10..50) on blue. The verdict is also written to HOME/../verdict."""
import os
import signal
import subprocess
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import FAILURES, check, outcome, wait_for  # noqa: E402

COMPOSITOR, BIN, HOME, PICTURE = sys.argv[1:5]
TOOL = os.path.join(BIN, "wayland_clipboard_tool")
# Headless KWin 6 (the testing root's) takes no key presses from X11 programs
# (xdotool's XTEST) and gives a native window no keyboard to copy with: the File
# menu's pause and resume, and a native program's copy, are left out there.
KEYS = os.environ.get("TESTING_COMPOSITOR") != "kwin"
# The tool is no subject here: its own leaks at exit would fail it under ASan.
TOOL_ENV = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
# No platform chosen, as a user starts it: Qt's Wayland plugin is installed, and
# Snaprill must still run on Xwayland.
ENV = {k: v for k, v in dict(os.environ, SNAPRILL_HOME=HOME).items() if k != "QT_QPA_PLATFORM"}
helpers = []


def run(command, env=ENV, **kwargs):
    return subprocess.run(command, env=env, capture_output=True, text=True, timeout=10, **kwargs)


def types():
    return run([TOOL, "types"], env=TOOL_ENV).stdout.split()


def picture_offered():
    return "image/png" in types()


def outputs():
    return sorted(n for n in os.listdir(HOME) if n.startswith("snp"))


def copy(path=None, text=None):
    """wl-copy, which serves the clipboard from the background until replaced (and
    keeps any pipe it was given open as long)."""
    quiet = dict(env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)
    if path:
        with open(path, "rb") as data:
            subprocess.run(["wl-copy", "--type", "image/png"], stdin=data, **quiet)
    else:
        subprocess.run(["wl-copy", text], stdin=subprocess.DEVNULL, **quiet)


def owner(*args):
    process = subprocess.Popen([TOOL, "offer", *args], env=TOOL_ENV, stdout=subprocess.PIPE)
    helpers.append(process)
    if process.stdout.readline().strip() != b"ready":
        sys.exit("wayland_clipboard_tool offer %r did not take the clipboard" % (args,))
    return process


def new_files(before, count, timeout, what):
    """Exactly `count` files written since `before` within `timeout` (and none more a
    little later); their names."""
    wait_for(lambda: len(outputs()) >= len(before) + count, timeout, 0.02)
    if count == 0 or len(outputs()) >= len(before) + count:
        time.sleep(0.7)  # time for a wrong, second file to show
    added = [n for n in outputs() if n not in before]
    check(len(added) == count, "%s: %d file(s) expected, written: %r" % (what, count, added))
    return added


class Program:
    def __init__(self, settings=""):
        with open(os.path.join(HOME, "snaprill.ini"), "w") as ini:
            ini.write("[Snaprill]\n" + settings)
        # A file, not a pipe: a pipe nobody reads would stop the program once full.
        self.log = os.path.join(HOME, "..", "snaprill.log")
        with open(self.log, "ab") as log:
            self.process = subprocess.Popen([os.path.join(BIN, "snaprill")], env=ENV,
                                            stdout=log, stderr=log)
        self.window = wait_for(self._window, 10, 0.05)
        if not self.window:
            sys.exit("snaprill showed no window: " + self.stop_output())

    def _window(self):
        tree = run(["xwininfo", "-root", "-tree"]).stdout
        for line in tree.splitlines():
            if '("snaprill" "Snaprill")' in line:
                return line.split()[0]
        return None

    def title(self):
        return run(["xdotool", "getwindowname", self.window]).stdout.strip()

    def file_menu(self, key):
        run(["xdotool", "windowfocus", "--sync", self.window])
        run(["xdotool", "key", "--delay", "50", "alt+f", key])

    def stop(self):
        """SIGTERM; the exit status, None when it did not end in time."""
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None

    def stop_output(self):
        self.stop()
        with open(self.log, errors="replace") as log:
            return log.read()[-3000:]


def expect_picture(name, size):
    with Image.open(os.path.join(HOME, name)) as saved:
        check(saved.size == size, "%s is %r, expected %r" % (name, saved.size, size))
        rgb = saved.convert("RGB")
        for point, colour in (((30, 30), (250, 240, 0)), ((size[0] - 20, size[1] - 20),
                                                          (30, 120, 200))):
            got = rgb.getpixel(point)
            check(all(abs(a - b) <= 12 for a, b in zip(got, colour)),
                  "%s at %r is %r, expected about %r" % (name, point, got, colour))


def move_focus():
    """Another window takes the focus and goes: Xwayland showed the clipboard anew."""
    run(["/usr/bin/python3", os.path.join(BIN, "gtk_client.py"), "--seconds", "1"])
    if COMPOSITOR == "sway":
        run(["swaymsg", "workspace", "2"])
        run(["swaymsg", "workspace", "1"])


def native_copy():
    """A GTK window takes the focus, copies the picture as "Copy image" does, and
    quits. Headless sway has no keyboard, and without one no window has the focus
    that copying needs: a virtual one (wtype's) is there for a while."""
    gtk = subprocess.Popen(["/usr/bin/python3", os.path.join(BIN, "gtk_client.py"), "--copy",
                            PICTURE, "--seconds", "1.5"], env=ENV, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    if COMPOSITOR == "sway":
        time.sleep(0.3)
        run(["wtype", "-s", "800", "-k", "Shift_L"])
    gtk.wait(10)


def main():
    with Image.open(PICTURE) as source:
        size = source.size

    # A picture on the clipboard at start is emptied away, not saved.
    copy(PICTURE)
    wait_for(picture_offered, 2)
    program = Program()
    check(wait_for(lambda: not picture_offered(), 3), "the picture offered at start stays")
    check(outputs() == [], "the picture offered at start was saved: %r" % outputs())

    # One copy: one file with its pixels, and the clipboard empty after.
    copy(PICTURE)
    added = new_files([], 1, 3, "one wl-copy")
    if added:
        expect_picture(added[0], size)
    check(wait_for(lambda: types() == [], 2), "after saving, the clipboard offers %r" % types())

    # The focus moving away and back brings no file.
    before = outputs()
    move_focus()
    new_files(before, 0, 1, "focus moved")

    # Text, and a secret, are left on the clipboard and make no file.
    before = outputs()
    copy(text="just some words")
    time.sleep(0.5)
    check(any(t.startswith("text/plain") for t in types()), "the text was emptied away")
    secret = owner("--secret", PICTURE)
    time.sleep(0.5)
    check(picture_offered(), "the secret was emptied away")
    new_files(before, 0, 0.3, "text and a secret")
    secret.kill()

    # An owner that never sends: the next copy is taken at once; one left to wait is
    # given up after 5 s and stays on the clipboard; the copy after it is taken.
    before = outputs()
    owner("--hang", PICTURE)
    time.sleep(0.5)
    started = time.monotonic()
    copy(PICTURE)
    new_files(before, 1, 3, "a copy after a silent owner")
    check(time.monotonic() - started < 3, "the copy after a silent owner waited")
    before = outputs()
    owner("--hang", PICTURE)
    time.sleep(6)
    check(picture_offered(), "the silent owner's offer was emptied away")
    new_files(before, 0, 0, "a silent owner")
    copy(PICTURE)
    new_files(before, 1, 3, "the copy after a silent owner given up")

    if not KEYS:
        check(program.stop() == 0, "SIGTERM: no clean exit")
        return

    # Paused, a copy stays; resuming empties it away unsaved.
    before = outputs()
    program.file_menu("p")
    if check(wait_for(lambda: program.title() == "Snaprill - Paused", 3),
             "pause: title %r" % program.title()):
        copy(PICTURE)
        time.sleep(0.5)
        check(picture_offered(), "a copy made while paused was emptied away")
        program.file_menu("r")
        check(wait_for(lambda: program.title() == "Snaprill", 3),
              "resume: title %r" % program.title())
        check(wait_for(lambda: not picture_offered(), 2), "resuming left the paused copy")
        new_files(before, 0, 0.3, "a copy made while paused")

    status = program.stop()
    check(status == 0, "SIGTERM: exit status %r" % status)

    # Kept at start and on resume: a picture offered at a paused start stays, and
    # the resume takes it.
    copy(PICTURE)
    wait_for(picture_offered, 2)
    before = outputs()
    program = Program("NoClearClpStart=1\nNoClearClpResume=1\nStartPaused=1\n")
    time.sleep(1)
    check(picture_offered(), "kept at start: the picture was emptied away")
    new_files(before, 0, 0, "a paused start")
    program.file_menu("r")
    new_files(before, 1, 3, "a resume keeping the clipboard")

    # A native program copies while Snaprill has no focus, then quits: saved once.
    # Last: once wtype's keyboard has come and gone, Xwayland takes no more keys
    # from xdotool under sway.
    before = outputs()
    native_copy()
    new_files(before, 1, 3, "a native program's copy, the program gone")
    check(program.stop() == 0, "SIGTERM after a paused start: no clean exit")


if __name__ == "__main__":
    try:
        main()
    finally:
        for helper in helpers:
            if helper.poll() is None:
                helper.kill()
    status = outcome("all checks passed under " + COMPOSITOR)
    with open(os.path.join(HOME, "..", "verdict"), "w") as verdict:
        verdict.write("%d\n" % len(FAILURES))
    sys.exit(status)
