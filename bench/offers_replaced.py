#!/usr/bin/python3
"""Screenshots offered in quick succession: how many of 1,000 offers, each a
distinct small PNG offered from a window of its own 50 ms and 10 ms apart
(tests/tools/clipboard_owner burst), the running program fails to save; and, through
tests/tools/clipboard_listener (the program's clipboard code, keeping each picture
as long as the program takes to write one), how many are handed over, how many are
reported lost as replaced by the next offer, and how many go without a word: those
replaced before their types were known, which cannot be told from text.

usage: bench/offers_replaced.py [COUNT [WRITE_MS]]   (SNAPRILL_BUILD: the build folder,
default build/; WRITE_MS: how long the listener keeps each picture, default 2, about
what the program takes to write one of these as PNG)"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from collections import Counter

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "desktop"))
from desktop_session import DesktopSession, outputs  # noqa: E402

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(HERE, "..", "build"))
OWNER = os.path.join(BUILD, "tests", "clipboard_owner")
LISTENER = os.path.join(BUILD, "tests", "clipboard_listener")


def offer_all(session, paths, interval_ms):
    owner = subprocess.Popen([OWNER, "burst", str(interval_ms), *paths], env=session.env,
                             stdout=subprocess.PIPE)
    session.helpers.append(owner)
    owner.stdout.readline()
    time.sleep(1.0)


def program_misses(paths, interval_ms):
    with DesktopSession(os.path.join(BUILD, "src", "snaprill")) as session:
        with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
            f.write("[Snaprill]\nImageType=1\n")
        session.start_program()
        offer_all(session, paths, interval_ms)
        written, count = -1, len(outputs(session))
        while count != written:
            time.sleep(0.5)
            written, count = count, len(outputs(session))
        session.stop_program()
        return len(paths) - written


def listener_told(paths, interval_ms, write_ms):
    with DesktopSession(LISTENER) as session:
        listener = subprocess.Popen([LISTENER, str(write_ms)], env=session.env,
                                    stdout=subprocess.PIPE, text=True)
        session.helpers.append(listener)
        listener.stdout.readline()
        offer_all(session, paths, interval_ms)
        listener.terminate()
        told = Counter(line.split()[0] + ("" if line.startswith("arrived") else " " +
                                          line.split()[1])
                       for line in listener.stdout.read().split("\n") if line)
    arrived, replaced = told.pop("arrived", 0), told.pop("lost LostReplaced", 0)
    return arrived, replaced, len(paths) - arrived - replaced - sum(told.values()), told


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    write_ms = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    folder = tempfile.mkdtemp(prefix="snaprill-offers-")
    try:
        paths = []
        for i in range(count):
            paths.append(os.path.join(folder, "%d.png" % i))
            Image.new("RGB", (64, 48), (i % 256, i // 256 % 256, 77)).save(paths[-1])
        print("load average %.2f %.2f %.2f" % os.getloadavg())
        for interval in (50, 10):
            missed = program_misses(paths, interval)
            arrived, replaced, silent, other = listener_told(paths, interval, write_ms)
            print("%d offers %d ms apart: the program saved %d (%d lost); its clipboard "
                  "handed over %d, reported %d replaced, lost %d without a word%s"
                  % (count, interval, count - missed, missed, arrived, replaced, silent,
                     ", other reports %r" % dict(other) if other else ""))
        print("load average %.2f %.2f %.2f" % os.getloadavg())
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
