#!/usr/bin/python3
"""The tray program's resident memory before and after its capture history has read
100 pictures: snaprill under Xvfb, 100 screenshot-like pictures with text offered on
the clipboard one after another (each saved, recorded and read), then, once every
word is read and the reader process has ended, the resident set (VmRSS) again; the
program's peak (its VmHWM over the run) and the reader process's peak (its VmHWM,
looked at while it runs). The reader runs at idle priority, which on a busy machine
would make this wait for hours: the benchmark moves the program's threads and the
reader's to the normal policy (it measures memory, not politeness).

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


def children(pid):
    found = []
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/children" % (pid, task)) as f:
                found += [int(child) for child in f.read().split()]
        except OSError:
            pass  # the thread ended meanwhile
    return found


def wake_idle_threads(pid):
    """Moves threads at SCHED_IDLE, the program's and its children's, to the normal
    policy (nice 19 stays)."""
    for process in [pid] + children(pid):
        try:
            tasks = os.listdir("/proc/%d/task" % process)
        except OSError:
            continue  # the reader ended meanwhile
        for task in tasks:
            try:
                with open("/proc/%d/task/%s/stat" % (process, task)) as f:
                    policy = int(f.read().rsplit(")", 1)[1].split()[38])
            except (OSError, IndexError, ValueError):
                continue
            if policy == SCHED_IDLE:
                subprocess.run(["chrt", "--other", "-p", "0", task], capture_output=True)


def reader_peak(pid, peak):
    """The largest VmHWM of the program's children so far."""
    for child in children(pid):
        try:
            peak = max(peak, status(child, "VmHWM"))
        except OSError:
            pass
    return peak


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
        reader = 0.0
        for i in range(count):
            image, _ = dialog(1 + i % 2, rng)
            path = os.path.join(folder, "%d.png" % i)
            image.save(path)
            session.offer(path, "image/png")
            wait_for(lambda: len(outputs(session)) > i, 15)
            wake_idle_threads(pid)
            reader = reader_peak(pid, reader)

        def read_all():
            nonlocal reader
            wake_idle_threads(pid)
            reader = reader_peak(pid, reader)
            return pending(session.home) == 0 and not children(pid)

        wait_for(read_all, 3600, 0.2)
        # Past the capture cycle's release of the buffers it keeps for a burst (3 s
        # after the last capture), and the reading thread's return of free memory.
        time.sleep(5)
        after = status(pid, "VmRSS")
        split_after = (status(pid, "RssAnon"), status(pid, "RssFile"))
        peak = status(pid, "VmHWM")
        session.stop_program()
    print("resident before %.1f MiB, after reading %d pictures %.1f MiB (%+.1f %%), "
          "peak %.1f MiB; the reader process's peak %.1f MiB" % (
              before, count, after, 100.0 * (after - before) / before, peak, reader))
    print("  anonymous %.1f -> %.1f MiB, files (libraries) %.1f -> %.1f MiB"
          % (split_before[0], split_after[0], split_before[1], split_after[1]))
    print("  target: within 10 %% of before -> %s"
          % ("met" if after <= before * 1.10 else "NOT met"))
    print(whole.load_line())


if __name__ == "__main__":
    main()
