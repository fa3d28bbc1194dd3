#!/usr/bin/python3
"""Key press to finished screenshot file: a 1920x1080 screen showing a
screenshot-like picture, F12 ("Simulate Print Screen on Keystroke") pressed through
XTest, timed until snp<N>.jpg appears (files appear by rename, so the name showing
up means the file is whole). The whole road: the hotkey sends Print Screen, the
screen goes to the clipboard, the capture cycle writes the JPEG. Beside it, in the
same run and alternating with it, the whole-process time of scrot (-q 90) and of
maim (-m 9) writing the same screen as JPEG: what a desktop runs when Print Screen
is bound to them. Prints medians, the ratios ours / theirs (target: below 1 for both) and the
load average.

usage: bench/key_to_file.py [RUNS]   (SNAPRILL_APP: path of snaprill)"""
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


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    app = os.environ.get("SNAPRILL_APP", os.path.join(HERE, "..", "build", "src", "snaprill"))
    tools = [t for t in ("scrot", "maim") if shutil.which(t)]
    work = tempfile.mkdtemp(prefix="snaprill-key-")
    png, ppm = os.path.join(work, "shot.png"), os.path.join(work, "shot.ppm")
    screenshot_like(png, ppm)
    load_before = open("/proc/loadavg").read().split()[:3]
    ours, theirs = [], {t: [] for t in tools}
    commands = {
        "scrot": ["scrot", "-o", "-q", "90", os.path.join(work, "scrot.jpg")],
        "maim": ["maim", "-f", "jpg", "-m", "9", os.path.join(work, "maim.jpg")],
    }
    with DesktopSession(app, screen="%dx%dx24" % (WIDTH, HEIGHT)) as session:
        session.run(["display", "-window", "root", png], check=False)
        with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
            f.write("[General]\nSimPrntScrn=1\n")
        session.start_program()
        # Hidden, so that the screen is the picture alone and the status bar's
        # repainting plays no part.
        window = session.run(["xdotool", "search", "--onlyvisible", "--name", "^Snaprill"],
                             check=False).stdout.split()
        if window:
            session.run(["xdotool", "windowunmap", window[0]], check=False)
        time.sleep(1.0)
        keys = KeyPresser(session.env["DISPLAY"])
        watch = DirectoryWatch(session.home)
        try:
            for n in range(1, runs + 1):
                pressed = keys.press(XK_F12)
                done = watch.wait_for_name("snp%d.jpg" % n, 10)
                if done is None:
                    sys.exit("snp%d.jpg did not appear" % n)
                ours.append(done - pressed)
                time.sleep(0.1)
                for tool in tools:
                    theirs[tool].append(time_tool(session, commands[tool]))
                time.sleep(0.1)
        finally:
            watch.close()
            keys.close()
            session.stop_program()
    shutil.rmtree(work, ignore_errors=True)
    load_after = open("/proc/loadavg").read().split()[:3]
    ours_ms = 1000 * statistics.median(ours)
    print("load average before %s, after %s" % (" ".join(load_before), " ".join(load_after)))
    print("screen %dx%d, JPEG quality 90, %d runs" % (WIDTH, HEIGHT, runs))
    print("snaprill, F12 to snp*.jpg: median %.1f ms (min %.1f, max %.1f)"
          % (ours_ms, 1000 * min(ours), 1000 * max(ours)))
    for tool in tools:
        theirs_ms = 1000 * statistics.median(theirs[tool])
        print("%s, whole process: median %.1f ms (min %.1f, max %.1f); ratio ours/%s %.2f"
              " (target < 1)" % (tool, theirs_ms, 1000 * min(theirs[tool]),
                                 1000 * max(theirs[tool]), tool, ours_ms / theirs_ms))
    if not tools:
        print("scrot and maim are not installed (./dev bench installs them)")


if __name__ == "__main__":
    main()
