#!/usr/bin/python3
"""How long the window keeps the user waiting while a large capture is written: a
3840x2160 screen showing a screenshot-like picture, F12 ("Simulate Print Screen on
Keystroke") pressed through XTest, and from that moment the window pinged every
10 ms (_NET_WM_PING, as a window manager asks whether a program still answers, by
tests/tools/window_ping) until the file has appeared. Prints, for each output type,
the slowest answer of each run (median and worst over the runs) and the time from
the key to the file. A tab click waits as long as the slowest answer.

With SNAPRILL_BEFORE_APP naming another build of snaprill (an earlier commit), that
one runs too, on a screen of its own, in alternation with it: a change is shown by
both builds measured side by side in one run.

usage: bench/window_response.py [RUNS]   (SNAPRILL_APP: path of snaprill;
       SNAPRILL_WINDOW_PING: path of window_ping, by default beside the build's tests)"""
import contextlib
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
import capture_latency  # noqa: E402
from capture_latency import DirectoryWatch  # noqa: E402
from key_to_file import (XK_F12, KeyPresser, programs_to_time, restart,  # noqa: E402
                         start_on_screen)

WIDTH, HEIGHT = 3840, 2160
# (name, settings of [Snaprill], extension): the slow encoders, at their defaults.
TYPES = [
    ("PNG level 9", "ImageType=1\nPNGComp=9\n", ".png"),
    ("WebP lossless", "ImageType=9\nWebPQuality=101\n", ".webp"),
    ("AVIF", "ImageType=10\n", ".avif"),
    ("JPEG XL lossless", "ImageType=11\nJXLQuality=101\n", ".jxl"),
]


class Program:
    """One snaprill on a 4K screen of its own, its window shown, F12 bound to Print
    Screen."""

    def __init__(self, stack, app, png, pinger):
        self.session = start_on_screen(stack, app, png, (WIDTH, HEIGHT))
        session = self.session
        self.window = session.window_id()
        self.pinger = pinger
        self.keys = KeyPresser(session.env["DISPLAY"])
        stack.callback(self.keys.close)
        self.watch = DirectoryWatch(session.home)
        stack.callback(self.watch.close)
        self.written = {}  # extension: files written
        self.slowest = {}  # type name: the slowest answer of each run, ms
        self.to_file = {}  # type name: key to file, ms

    def choose(self, settings):
        """Restarts the program with the type's settings (numbers begin again: each
        type's files are numbered on their own)."""
        restart(self.session, settings)
        self.window = self.session.window_id()
        time.sleep(1.0)

    def run(self, name, extension):
        self.written[extension] = self.written.get(extension, 0) + 1
        target = "snp%d%s" % (self.written[extension], extension)
        pressed = self.keys.press(XK_F12)
        ping = subprocess.Popen([self.pinger, self.window, "100000", "10"], env=self.session.env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        done = self.watch.wait_for_name(target, 120)
        time.sleep(0.1)
        ping.terminate()
        answers = [float(line) for line in ping.communicate()[0].split()
                   if line.replace(".", "", 1).isdigit()]
        if done is None:
            sys.exit("%s did not appear (%s)" % (target, self.session.app))
        # A ping unanswered when stopped counts as long as it waited.
        waited = 1000 * (time.monotonic() - pressed)
        slowest = max(answers) if answers else waited
        self.slowest.setdefault(name, []).append(slowest)
        self.to_file.setdefault(name, []).append(1000 * (done - pressed))


def summary(values):
    return "median %7.1f ms, worst %7.1f ms" % (statistics.median(values), max(values))


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    apps = programs_to_time()
    pinger = os.environ.get("SNAPRILL_WINDOW_PING",
                            os.path.join(HERE, "..", "build", "tests", "window_ping"))
    if not os.access(pinger, os.X_OK):
        sys.exit("window_ping not found at %s (build the tests, or set SNAPRILL_WINDOW_PING)"
                 % pinger)
    work = tempfile.mkdtemp(prefix="snaprill-response-")
    png, ppm = os.path.join(work, "shot.png"), os.path.join(work, "shot.ppm")
    capture_latency.WIDTH, capture_latency.HEIGHT = WIDTH, HEIGHT
    capture_latency.screenshot_like(png, ppm)
    load_before = open("/proc/loadavg").read().split()[:3]
    with contextlib.ExitStack() as stack:
        programs = [Program(stack, app, png, pinger) for _, app in apps]
        for name, settings, extension in TYPES:
            for program in programs:
                program.choose(settings)
            for _ in range(runs):
                for program in programs:
                    program.run(name, extension)
                    time.sleep(0.3)
    shutil.rmtree(work, ignore_errors=True)
    load_after = open("/proc/loadavg").read().split()[:3]
    print("load average before %s, after %s" % (" ".join(load_before), " ".join(load_after)))
    print("screen %dx%d, %d runs per type; slowest answer to a ping every 10 ms from the key "
          "until the file appeared" % (WIDTH, HEIGHT, runs))
    for name, _, _ in TYPES:
        for (app_name, _), program in zip(apps, programs):
            print("%-17s %-16s slowest answer %s; key to file %s"
                  % (name, app_name, summary(program.slowest[name]),
                     summary(program.to_file[name])))


if __name__ == "__main__":
    main()
