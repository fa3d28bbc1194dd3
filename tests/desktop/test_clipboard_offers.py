#!/usr/bin/python3
"""What the program's clipboard tells the capture cycle on a real X server, seen
through tests/tools/clipboard_listener (the program's clipboard code and a listener
that prints what it is told). Screenshots offered in quick succession, each known
to be a picture: every one is either handed over once or reported lost as replaced
by the next, none goes without a word, and the last is handed over. The clipboard
emptied after a capture answers at once: Qt asking what it holds, as a paste into
one of the program's own text fields does, does not wait."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from collections import Counter

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402


def listener(session, *args):
    process = subprocess.Popen([os.environ["SNAPRILL_CLIPBOARD_LISTENER"], *args],
                               env=session.env, stdout=subprocess.PIPE, text=True)
    session.helpers.append(process)
    if process.stdout.readline().strip() != "ready":
        sys.exit("clipboard_listener did not start")
    return process


def told(process):
    """Everything the listener printed, once it is ended."""
    process.terminate()
    return process.stdout.read().split("\n")


def pictures(folder, count):
    """Offer files of distinct solid colours; their arrived lines."""
    paths, lines = [], []
    for i in range(count):
        colour = (i * 7 % 256, i * 13 % 256, 99)
        paths.append(os.path.join(folder, "%d.png" % i))
        Image.new("RGB", (64, 40), colour).save(paths[-1])
        lines.append("arrived %d %d %d" % colour)
    return paths, lines


def offered_in_turn(session, folder, count, pause_ms, busy_ms, what):
    """`count` pictures, each offered `pause_ms` after the types of the one before
    were asked for, to a listener that keeps each picture it takes `busy_ms`."""
    paths, expected = pictures(folder, count)
    process = listener(session, str(busy_ms))
    owner = subprocess.Popen([os.environ["SNAPRILL_CLIPBOARD_OWNER"], "burst-after-types",
                              str(pause_ms), *paths], env=session.env, stdout=subprocess.PIPE)
    session.helpers.append(owner)
    check(owner.stdout.readline().strip() == b"done", "%s: the owner did not finish" % what)
    # The last offer is emptied away once taken, which ends its owner.
    wait_for(lambda: owner.poll() is not None, 5.0)
    time.sleep(0.3)
    lines = [line for line in told(process) if line]
    arrived = [line for line in lines if line.startswith("arrived")]
    lost = Counter(line for line in lines if not line.startswith("arrived"))
    check(len(arrived) == len(set(arrived)) and set(arrived) <= set(expected),
          "%s: pictures handed over twice or wrong: %r" % (what, arrived))
    check(set(lost) <= {"lost LostReplaced"}, "%s: lost for other reasons: %r" % (what, lost))
    check(len(arrived) + lost["lost LostReplaced"] == count,
          "%s: %d offers, %d handed over, %d reported replaced"
          % (what, count, len(arrived), lost["lost LostReplaced"]))
    check(arrived and arrived[-1] == expected[-1],
          "%s: the last offer was not handed over last: %r" % (what, arrived[-3:]))
    for path in paths:
        os.unlink(path)
    return lost["lost LostReplaced"]


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        folder = tempfile.mkdtemp(prefix="snaprill-offers-")
        try:
            # Replaced as soon as its types are known, while the picture is read; or
            # within 3 ms, while it waits for a capture still being written.
            replaced = offered_in_turn(session, folder, 20, 0, 0, "replaced at once")
            check(replaced > 0, "replaced at once: none was (the test is too slow)")
            offered_in_turn(session, folder, 60, 3, 25, "replaced within 3 ms")

            paths, expected = pictures(folder, 1)
            process = listener(session, "0", "paste")
            session.offer(paths[0], "image/png")
            line = process.stdout.readline().strip()
            check(line == expected[0], "the picture to be emptied away: %r" % line)
            line = process.stdout.readline().strip()
            waited = int(line.split()[1]) if line.startswith("pasted ") else None
            check(waited is not None and waited < 1000,
                  "Qt waited %r ms to learn what the emptied clipboard holds" % line)
            check(session.targets() == [], "the emptied clipboard offers %r" % session.targets())
        finally:
            shutil.rmtree(folder)
    return outcome("all clipboard offer checks passed")


if __name__ == "__main__":
    sys.exit(main())
