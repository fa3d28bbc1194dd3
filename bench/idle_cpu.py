#!/usr/bin/python3
"""Idle cost of the running program: snaprill under Xvfb with its window open and
its icon in a tray host (trayer, "Tray icon always visible" set), nothing on the
clipboard and no key pressed, CPU time read from /proc/<pid>/stat over a quiet
period; once as it starts by default, once with all five hotkeys switched on (their
timer must not run while no key is down), and once after a capture with words was
saved and read (the capture history's reader process must have ended, and nothing of
it keep waking the program).

usage: bench/idle_cpu.py [SECONDS]   (SNAPRILL_APP: path of snaprill, default
build/src/snaprill)   Target: 0.000 % of one core and no wakeups, all threads
counted."""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "desktop"))
from desktop_session import DesktopSession, outputs, wait_for  # noqa: E402
from history_memory import children, pending, wake_idle_threads  # noqa: E402
from text_reading import dialog  # noqa: E402

import random  # noqa: E402

import whole  # noqa: E402


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        # The command name may hold spaces; fields count from after its ")".
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime + stime
    return ticks / os.sysconf("SC_CLK_TCK")


def wakeups(pid):
    """Context switches of every thread of the process, by thread: a helper thread's
    timer wakes the processor as much as the main thread's."""
    counts = {}
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as f:
                counts[task] = sum(int(line.split(":")[1]) for line in f if line.startswith(
                    ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
        except FileNotFoundError:
            pass  # the thread ended meanwhile
    return counts


def woken(before, after):
    """Switches between two samples; a thread that ended meanwhile counts none, one
    that began counts all of its own."""
    return sum(n - before.get(task, 0) for task, n in after.items())


# F11, F12 and F6 to F8 for the three auto-save rows.
ALL_HOTKEYS = ("[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\nAutoSave1=1\nAutoSave2=1\n"
               "AutoSave3=1\nHotKey1=117\nHotKey2=118\nHotKey3=119\n")


def capture_read(session, pid):
    """A capture saved and its words read, the reader ended, the burst's buffers
    released."""
    path = os.path.join(session.home, "words.png")
    dialog(1, random.Random(3))[0].save(path)
    session.offer(path, "image/png")
    wait_for(lambda: outputs(session), 15)

    def read():
        wake_idle_threads(pid)
        return pending(session.home) == 0 and not children(pid)

    print("capture read: %s" % bool(wait_for(read, 600, 0.2)))
    time.sleep(5)


def measure(app, seconds, settings, what, before=None):
    with DesktopSession(app) as session:
        session.start_tray()
        with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
            f.write(settings.replace("[General]\n", "[Snaprill]\nTrayAlways=1\n[General]\n", 1)
                    if settings else "[Snaprill]\nTrayAlways=1\n")
        pid = session.start_program().pid
        if not session.tray_icon_id():
            time.sleep(1.0)
        print("window shown: %s, tray icon shown: %s"
              % (session.window_shown(), bool(session.tray_icon_id())))
        time.sleep(1.0)  # let start-up work finish
        if before:
            before(session, pid)
        ticks = os.sysconf("SC_CLK_TCK")
        cpu0, wake0, t0 = cpu_seconds(pid), wakeups(pid), time.monotonic()
        time.sleep(seconds)
        cpu1, wake1, t1 = cpu_seconds(pid), wakeups(pid), time.monotonic()
        session.stop_program()
    elapsed = t1 - t0
    share = 100.0 * (cpu1 - cpu0) / elapsed
    resolution = 100.0 / os.sysconf("SC_CLK_TCK") / elapsed
    switches = woken(wake0, wake1)
    print("%s: idle CPU over %.1f s: %.3f %% of one core (resolution %.3f %%), %.1f wakeups/s"
          % (what, elapsed, share, resolution, switches / elapsed))
    # One clock tick in the whole period is the resolution, not a wake-up of ours.
    met = round((cpu1 - cpu0) * ticks) <= 1 and switches <= 1
    print("  target: 0.000 %% and no wakeups (all threads)  -> %s" % ("met" if met else "NOT met"))


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 30.0
    app = os.environ.get("SNAPRILL_APP", os.path.join(HERE, "..", "build", "src", "snaprill"))
    print(whole.load_line())
    measure(app, seconds, "", "default settings")
    measure(app, seconds, ALL_HOTKEYS, "all five hotkeys on")
    measure(app, seconds, "", "after a capture was read", capture_read)


if __name__ == "__main__":
    main()
