#!/usr/bin/python3
"""Key press to finished screenshot file: a 1920x1080 screen showing a
screenshot-like picture, F12 ("Simulate Print Screen on Keystroke") pressed through
XTest, timed until snp<N>.jpg appears (files appear by rename, so the name showing
up means the file is whole). The whole road: the hotkey sends Print Screen, the
screen goes to the clipboard, the capture cycle writes the JPEG. Beside it, in the
same run and alternating with it, the whole-process time of scrot (-q 90) and of
maim (-m 9) writing the same screen as JPEG: what a desktop runs when Print Screen
is bound to them. Prints medians, the ratios ours / theirs (target: below 1 for both) and the
load average. With SNAPRILL_BEFORE_APP naming another build of snaprill (an earlier
commit), that one runs too, on a screen of its own, in the same alternation: a change
is shown by both builds measured side by side in one run.

usage: bench/key_to_file.py [RUNS]   (SNAPRILL_APP: path of snaprill)"""
import contextlib
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "desktop"))
sys.path.insert(0, HERE)
from capture_latency import DirectoryWatch, screenshot_like  # noqa: E402
from desktop_session import DesktopSession, wait_for  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
XK_F12 = 0xFFC9


class KeyPresser:
    """Sends key events with XTest on a connection of our own: no process to start
    between the moment taken and the key."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(display.encode())
        if not self.display:
            sys.exit("cannot open display %s" % display)

    def press(self, keysym):
        """Presses and releases the key; returns the moment the press was sent."""
        key = self.x11.XKeysymToKeycode(self.display, keysym)
        self.xtst.XTestFakeKeyEvent(self.display, key, 1, 0)
        self.x11.XFlush(self.display)
        pressed = time.monotonic()
        self.xtst.XTestFakeKeyEvent(self.display, key, 0, 0)
        self.x11.XFlush(self.display)
        return pressed

    def close(self):
        self.x11.XCloseDisplay(self.display)


def time_tool(session, command):
    start = time.monotonic()
    subprocess.run(command, env=session.env, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def programs_to_time():
    """(name, path) of this build's snaprill ($SNAPRILL_APP), and of the one to compare
    it with ($SNAPRILL_BEFORE_APP) where given."""
    apps = [("snaprill", os.environ.get("SNAPRILL_APP",
                                        os.path.join(HERE, "..", "build", "src", "snaprill")))]
    if os.environ.get("SNAPRILL_BEFORE_APP"):
        apps.append(("snaprill before", os.environ["SNAPRILL_BEFORE_APP"]))
    return apps


def start_on_screen(stack, app, png, size, settings=""):
    """snaprill on a screen of its own showing png, F12 bound to Print Screen, with
    more settings of [Snaprill]; stopped when the stack closes. Its session."""
    session = stack.enter_context(DesktopSession(app, screen="%dx%dx24" % size))
    session.run(["display", "-window", "root", png], check=False)
    restart(session, settings)
    stack.callback(session.stop_program)
    return session


def restart(session, settings=""):
    """Starts snaprill (again) with F12 bound to Print Screen and more settings."""
    if session.program:
        session.stop_program()
    with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
        f.write("[General]\nSimPrntScrn=1\n[Snaprill]\n" + settings)
    session.start_program()


class Program:
    """One snaprill on a screen of its own, hidden, with F12 bound to Print Screen."""

    def __init__(self, stack, app, png):
        self.session = start_on_screen(stack, app, png, (WIDTH, HEIGHT))
        session = self.session
        # Hidden, so that the screen is the picture alone and the status bar's
        # repainting plays no part.
        window = session.run(["xdotool", "search", "--onlyvisible", "--name", "^Snaprill"],
                             check=False).stdout.split()
        if window:
            session.run(["xdotool", "windowunmap", window[0]], check=False)
        self.keys = KeyPresser(session.env["DISPLAY"])
        stack.callback(self.keys.close)
        self.watch = DirectoryWatch(session.home)
        stack.callback(self.watch.close)
        self.times = []

    def press_and_wait(self):
        n = len(self.times) + 1
        pressed = self.keys.press(XK_F12)
        done = self.watch.wait_for_name("snp%d.jpg" % n, 10)
        if done is None:
            sys.exit("snp%d.jpg did not appear (%s)" % (n, self.session.app))
        self.times.append(done - pressed)


def summary(name, times):
    return "%s: median %.1f ms (min %.1f, max %.1f)" % (
        name, 1000 * statistics.median(times), 1000 * min(times), 1000 * max(times))


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    apps = programs_to_time()
    tools = [t for t in ("scrot", "maim") if shutil.which(t)]
    work = tempfile.mkdtemp(prefix="snaprill-key-")
    png, ppm = os.path.join(work, "shot.png"), os.path.join(work, "shot.ppm")
    screenshot_like(png, ppm)
    load_before = open("/proc/loadavg").read().split()[:3]
    theirs = {t: [] for t in tools}
    commands = {
        "scrot": ["scrot", "-o", "-q", "90", os.path.join(work, "scrot.jpg")],
        "maim": ["maim", "-f", "jpg", "-m", "9", os.path.join(work, "maim.jpg")],
    }
    with contextlib.ExitStack() as stack:
        programs = [Program(stack, app, png) for _, app in apps]
        time.sleep(1.0)
        for _ in range(runs):
            for program in programs:
                program.press_and_wait()
                time.sleep(0.1)
            for tool in tools:
                theirs[tool].append(time_tool(programs[0].session, commands[tool]))
            time.sleep(0.1)
    shutil.rmtree(work, ignore_errors=True)
    load_after = open("/proc/loadavg").read().split()[:3]
    print("load average before %s, after %s" % (" ".join(load_before), " ".join(load_after)))
    print("screen %dx%d, JPEG quality 90, %d runs" % (WIDTH, HEIGHT, runs))
    for (name, _), program in zip(apps, programs):
        ours_ms = 1000 * statistics.median(program.times)
        print(summary(name + ", F12 to snp*.jpg", program.times))
        for tool in tools:
            print("  ratio %s/%s %.2f (target < 1)"
                  % (name, tool, ours_ms / (1000 * statistics.median(theirs[tool]))))
    for tool in tools:
        print(summary(tool + ", whole process", theirs[tool]))
    if not tools:
        print("scrot and maim are not installed (./dev bench installs them)")


if __name__ == "__main__":
    main()
