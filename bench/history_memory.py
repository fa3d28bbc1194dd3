#!/usr/bin/python3
"""The tray program's resident memory before and after its capture history has read
100 pictures: snaprill under Xvfb, 100 screenshot-like pictures with text offered on
the clipboard one after another (each saved, recorded and read), then, once every
word is read and the reader has let its engine go, the resident set (VmRSS) again;
and the reader's peak (the process's VmHWM over the run). The reader runs at idle
priority, which on a busy machine would make this wait for hours: the benchmark
moves that one thread to the normal policy once it exists (it measures memory, not
politeness).

usage: bench/history_memory.py [COUNT [off]]   (SNAPRILL_APP: path of snaprill)
Target: after reading, within 10 % of before."""
import os
import sqlite3
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "desktop"))
sys.path.insert(0, HERE)
from desktop_session import DesktopSession, outputs, wait_for  # noqa: E402
from text_reading import dialog  # noqa: E402

import random  # noqa: E402
import whole  # noqa: E402

SCHED_IDLE = 5


def status(pid, field):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def wake_idle_threads(pid):
    """Moves threads at SCHED_IDLE to the normal policy (nice 19 stays)."""
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/stat" % (pid, task)) as f:
                policy = int(f.read().rsplit(")", 1)[1].split()[38])
        except (OSError, IndexError, ValueError):
            continue
        if policy == SCHED_IDLE:
            subprocess.run(["chrt", "--other", "-p", "0", task], capture_output=True)


def pending(home):
    if not os.path.exists(os.path.join(home, "history.sqlite")):
        return 0
    with sqlite3.connect(os.path.join(home, "history.sqlite")) as db:
        return db.execute("SELECT count(*) FROM captures WHERE text_state = 0").fetchone()[0]


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100
    # With "off": the same captures with the history switched off, for comparison.
    history = "off" not in sys.argv[2:]
    app = os.environ.get("SNAPRILL_APP", os.path.join(HERE, "..", "build", "src", "snaprill"))
    print(whole.load_line())
    rng = random.Random(9)
    with DesktopSession(app) as session:
        folder = os.path.join(session.home, "in")
        os.mkdir(folder)
        if not history:
            with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
                f.write("[Snaprill]\nHistory=0\n")
        pid = session.start_program().pid
        time.sleep(3)
        before = status(pid, "VmRSS")
        split_before = (status(pid, "RssAnon"), status(pid, "RssFile"))
        for i in range(count):
            image, _ = dialog(1 + i % 2, rng)
            path = os.path.join(folder, "%d.png" % i)
            image.save(path)
            session.offer(path, "image/png")
            wait_for(lambda: len(outputs(session)) > i, 15)
            wake_idle_threads(pid)
        wait_for(lambda: pending(session.home) == 0, 3600, 1.0)
        time.sleep(3)  # the engine let go, the free memory returned
        after = status(pid, "VmRSS")
        split_after = (status(pid, "RssAnon"), status(pid, "RssFile"))
        peak = status(pid, "VmHWM")
        session.stop_program()
    print("resident before %.1f MiB, after reading %d pictures %.1f MiB (%+.1f %%), "
          "peak %.1f MiB" % (before, count, after, 100.0 * (after - before) / before, peak))
    print("  anonymous %.1f -> %.1f MiB, files (libraries) %.1f -> %.1f MiB"
          % (split_before[0], split_after[0], split_before[1], split_after[1]))
    print("  target: within 10 %% of before -> %s"
          % ("met" if after <= before * 1.10 else "NOT met"))
    print(whole.load_line())


if __name__ == "__main__":
    main()
