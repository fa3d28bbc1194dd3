#!/usr/bin/python3
"""Key press to finished screenshot file in a Wayland session (headless sway 1.7,
one 1280x800 output showing a screenshot-like picture as its background): F12
("Simulate Print Screen on Keystroke") pressed through XTest on Xwayland, timed
until snp<N>.jpg appears (files appear by rename: the name showing up means the
file is whole). The road: the hotkey's Print Screen, the picture copied through
wlr-screencopy, the capture cycle writing the JPEG. Beside it, in the same run and
alternating with it, the whole-process time of grim writing the same screen as
JPEG at quality 90 (through cjpeg: Debian's grim has no JPEG of its own): what a
sway user binds to Print. Prints medians, the ratio ours /
grim and the load average.

Needs root (the session runs as a user of its own, as the desktop tests do).
usage: bench/wayland_key_to_file.py [RUNS]   (SNAPRILL_APP: path of snaprill)"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SESSION = os.path.join(HERE, "..", "tests", "desktop", "wayland", "sway-session.sh")
# Debian 12's grim is built without JPEG: its raw picture goes through cjpeg.
GRIM_JPEG = "grim -t ppm - | cjpeg -quality 90 -outfile %s"


def inside(work, runs):
    """In the session, as its user: the alternating runs; the times go to a file."""
    sys.path.insert(0, HERE)
    from capture_latency import DirectoryWatch  # noqa: E402
    from key_to_file import XK_F12, KeyPresser  # noqa: E402
    home = os.path.join(work, "home")
    env = dict(os.environ, SNAPRILL_HOME=home, QT_QPA_PLATFORM="xcb")
    subprocess.run(["swaymsg", "output", "*", "bg", os.path.join(work, "shot.png"), "fill"],
                   env=env, capture_output=True, check=False)
    with open(os.path.join(home, "snaprill.ini"), "w") as f:
        f.write("[General]\nSimPrntScrn=1\n")
    with open(os.path.join(work, "snaprill.log"), "wb") as log:
        program = subprocess.Popen([os.path.join(work, "bin", "snaprill")], env=env,
                                   stdout=log, stderr=log)
    time.sleep(3)
    # Hidden, so that the screen is the picture alone.
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Snaprill"],
                            env=env, capture_output=True, text=True).stdout.split()
    if window:
        subprocess.run(["xdotool", "windowunmap", window[0]], env=env, check=False)
    time.sleep(1)
    keys = KeyPresser(env["DISPLAY"])
    watch = DirectoryWatch(home)
    ours, grim = [], []
    try:
        for n in range(1, runs + 1):
            pressed = keys.press(XK_F12)
            done = watch.wait_for_name("snp%d.jpg" % n, 10)
            if done is None:
                with open(os.path.join(work, "snaprill.log"), errors="replace") as log:
                    sys.exit("snp%d.jpg did not appear; the program said:\n%s" % (n, log.read()))
            ours.append(done - pressed)
            time.sleep(0.1)
            start = time.monotonic()
            subprocess.run(["sh", "-c", GRIM_JPEG % os.path.join(home, "grim.jpg")], env=env,
                           check=True)
            grim.append(time.monotonic() - start)
            time.sleep(0.1)
    finally:
        watch.close()
        keys.close()
        program.terminate()
        program.wait(5)
    with open(os.path.join(home, "times"), "w") as f:
        f.write(" ".join(map(str, ours)) + "\n" + " ".join(map(str, grim)) + "\n")


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    app = os.environ.get("SNAPRILL_APP", os.path.join(HERE, "..", "build", "src", "snaprill"))
    sys.path.insert(0, HERE)
    from capture_latency import screenshot_like  # noqa: E402
    work = tempfile.mkdtemp(prefix="snaprill-wl-key-")
    try:
        os.makedirs(os.path.join(work, "home"))
        os.makedirs(os.path.join(work, "bin"))
        for name in ("snaprill", "english.ini"):
            shutil.copy(os.path.join(os.path.dirname(app), name), os.path.join(work, "bin"))
        for name in ("wayland_key_to_file.py", "key_to_file.py", "capture_latency.py", "whole.py"):
            shutil.copy(os.path.join(HERE, name), os.path.join(work, "bin"))
        shutil.copy(os.path.join(HERE, "..", "tests", "desktop", "desktop_session.py"),
                    os.path.join(work, "bin"))
        screenshot_like(os.path.join(work, "shot.png"), os.path.join(work, "shot.ppm"))
        # The session's user owns it all; nobody else may write there (the program
        # refuses such a settings folder).
        user = os.environ.get("SESSION_USER", "wltest")
        if subprocess.run(["id", user], capture_output=True).returncode != 0:
            subprocess.run(["useradd", "-m", user], check=True)
        for root, dirs, files in os.walk(work):
            for name in dirs + files:
                shutil.chown(os.path.join(root, name), user, user)
        shutil.chown(work, user, user)
        os.chmod(work, 0o755)
        load_before = open("/proc/loadavg").read().split()[:3]
        subprocess.run(["sh", SESSION, os.path.join(work, "session"), "/usr/bin/python3",
                        os.path.join(work, "bin", "wayland_key_to_file.py"), "--inside", work,
                        str(runs)], check=False, timeout=60 + 5 * runs)
        load_after = open("/proc/loadavg").read().split()[:3]
        with open(os.path.join(work, "home", "times")) as f:
            ours, grim = ([float(v) for v in line.split()] for line in f)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    ours_ms, grim_ms = 1000 * statistics.median(ours), 1000 * statistics.median(grim)
    print("load average before %s, after %s" % (" ".join(load_before), " ".join(load_after)))
    print("sway 1.7 headless, screen 1280x800, JPEG quality 90, %d runs" % runs)
    print("snaprill, F12 to snp*.jpg: median %.1f ms (min %.1f, max %.1f)"
          % (ours_ms, 1000 * min(ours), 1000 * max(ours)))
    print("grim | cjpeg, whole process: median %.1f ms (min %.1f, max %.1f); ratio ours/grim"
          " %.2f" % (grim_ms, 1000 * min(grim), 1000 * max(grim), ours_ms / grim_ms))


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--inside":
        inside(sys.argv[2], int(sys.argv[3]))
    else:
        main()
