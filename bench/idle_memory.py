#!/usr/bin/python3
"""Memory the running program keeps once captures are over: snaprill under Xvfb,
resident set size (VmRSS of /proc/PID/status) when it has just started and sits
idle, right after N captures of a 1920x1080 screenshot-like PNG offered on the
clipboard with xclip, then after N captures of a 3840x2160 one; each time again
once the program's release delay (a few seconds after the last capture) and one
second more have passed. Prints every figure and its ratio to the fresh one
(target: at most 1.3 after the 3840x2160 captures), and the wakeups of the idle
program after the release (target: none). Reports; never fails.

usage: bench/idle_memory.py [N] [TYPE]   (N: captures of each size, default 5; TYPE:
the ImageType setting, 0 JPEG (default), 1 PNG, 2 GIF ...; SNAPRILL_APP: path of
snaprill, else SNAPRILL_BUILD/src/snaprill)"""
import os
import sys
import tempfile
import time

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "desktop"))
from capture_latency import offer_png, screenshot_like  # noqa: E402
from desktop_session import DesktopSession, wait_for  # noqa: E402

# How long the program keeps its capture buffers after the last capture, in
# seconds (CaptureCycle's release delay), and the margin the script adds to it.
RELEASE_DELAY = 3.0
MARGIN = 1.0
QUIET = 2 * RELEASE_DELAY  # long enough to see a release timer that repeats
EXTENSIONS = {0: "jpg", 1: "png", 2: "gif", 3: "bmp", 4: "emf", 5: "tif", 6: "avi", 7: "tga",
              8: "pcx"}


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return float("nan")


def switches(pid):
    """Times the process was scheduled off the processor: its wakeups, nearly."""
    with open("/proc/%d/status" % pid) as status:
        return sum(int(line.split()[1]) for line in status
                   if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))


def pictures(folder):
    """The 1920x1080 screenshot-like PNG, and a 3840x2160 one made of four of it."""
    small = os.path.join(folder, "shot1080.png")
    screenshot_like(small, os.path.join(folder, "shot1080.ppm"))
    large = os.path.join(folder, "shot2160.png")
    with Image.open(small) as tile:
        whole = Image.new("RGB", (2 * tile.width, 2 * tile.height))
        for x in (0, tile.width):
            for y in (0, tile.height):
                whole.paste(tile, (x, y))
    whole.save(large, optimize=False)
    return small, large


def capture(session, png, number, extension):
    """Offers png and waits until the program has written snp<number>."""
    xclip = offer_png(session, png)[0]
    name = os.path.join(session.home, "snp%d.%s" % (number, extension))
    if not wait_for(lambda: os.path.exists(name), 20, 0.01):
        sys.exit("snp%d.%s did not appear" % (number, extension))
    # xclip leaves once the program has emptied the clipboard.
    wait_for(lambda: xclip.poll() is not None, 5)
    xclip.stderr.close()


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    image_type = int(sys.argv[2]) if len(sys.argv) > 2 else 0
    extension = EXTENSIONS.get(image_type, "jpg")
    build = os.environ.get("SNAPRILL_BUILD", os.path.join(HERE, "..", "build"))
    app = os.environ.get("SNAPRILL_APP", os.path.join(build, "src", "snaprill"))
    print("load average: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
    with tempfile.TemporaryDirectory(prefix="snaprill-memory-") as work:
        small, large = pictures(work)
        rows = []
        with DesktopSession(app) as session:
            with open(os.path.join(session.home, "snaprill.ini"), "w") as ini:
                ini.write("[Snaprill]\nImageType=%d\n" % image_type)
            pid = session.start_program().pid
            time.sleep(RELEASE_DELAY + MARGIN)  # start-up work over
            fresh = rss_mib(pid)
            rows.append(("fresh, idle", fresh))
            number = 0
            for label, png in (("1920x1080", small), ("3840x2160", large)):
                for _ in range(count):
                    number += 1
                    capture(session, png, number, extension)
                rows.append(("right after %d captures of %s" % (count, label), rss_mib(pid)))
                time.sleep(RELEASE_DELAY + MARGIN)
                rows.append(("%.0f s after them" % (RELEASE_DELAY + MARGIN), rss_mib(pid)))
            # The release is a single shot: nothing may wake the program after it.
            before = switches(pid)
            time.sleep(QUIET)
            wakeups = (switches(pid) - before) / QUIET
            session.stop_program()
    print("output type %s, %d captures of each size" % (extension, count))
    for label, mib in rows:
        print("  %-40s %7.1f MiB  %5.2f x fresh" % (label, mib, mib / fresh))
    final = rows[-1][1] / fresh
    print("idle after the 3840x2160 captures: %.2f x fresh (target <= 1.3) -> %s"
          % (final, "met" if final <= 1.3 else "NOT met"))
    print("wakeups while idle after the release: %.1f/s over %.0f s (target 0)"
          % (wakeups, QUIET))


if __name__ == "__main__":
    main()
