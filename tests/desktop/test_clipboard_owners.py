#!/usr/bin/python3
"""Clipboard owners that misbehave: one that never sends its picture, one that does
not repeat the time of the request in its answers, one that dies while sending its
picture in parts. Nothing is saved twice or taken from the wrong owner, the program
never waits out its full timeout when the clipboard changes hands, and the next
well-behaved offer is taken."""
import os
import subprocess
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402

STUBBORN_SIZE, GOOD_SIZE = (700, 500), (120, 80)


def saved_size(session, name):
    with Image.open(os.path.join(session.home, name)) as picture:
        return picture.size


def misbehaving_owner(session, mode, path):
    owner = subprocess.Popen([os.environ["SNAPRILL_CLIPBOARD_OWNER"], mode, path],
                             env=session.env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
    session.helpers.append(owner)
    if owner.stdout.readline().strip() != b"ready":
        sys.exit("clipboard_owner %s did not take the clipboard" % mode)
    return owner


def expect_one_file(session, before, size, what):
    """Exactly one picture written since `before`, of the given size."""
    added = [n for n in outputs(session) if n not in before]
    if check(len(added) == 1, "%s: files %r" % (what, added)):
        saved = saved_size(session, added[0])
        check(saved == size, "%s: saved %r, expected %r" % (what, saved, size))


def next_offer_taken(session, good, before, what):
    """Another program's offer is saved soon, and it is the only picture written
    since `before`."""
    started = time.monotonic()
    session.offer(good, "image/png")
    wait_for(lambda: len(outputs(session)) > len(before), 3.0)
    check(time.monotonic() - started < 2.5, "%s: the next offer waited" % what)
    time.sleep(1.0)  # time for a second, wrong file to show
    expect_one_file(session, before, GOOD_SIZE, what)


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        base = os.path.join(session.home, "..", os.path.basename(session.home))
        # Noise: a PNG of several hundred KiB, sent in parts where asked to.
        stubborn, good = base + "-stubborn.png", base + "-good.png"
        Image.effect_noise(STUBBORN_SIZE, 90).convert("RGB").save(stubborn)
        Image.new("RGB", GOOD_SIZE, (10, 200, 30)).save(good)
        try:
            session.start_program()
            run_checks(session, stubborn, good)
            check(session.stop_program() == 0, "SIGTERM: no clean exit")
        finally:
            os.unlink(stubborn)
            os.unlink(good)
    return outcome("all owner checks passed")


def run_checks(session, stubborn, good):
    # An owner that never sends its picture; while the program waits for it,
    # another program offers one: that one is saved, once, and soon.
    misbehaving_owner(session, "hang", stubborn)
    time.sleep(1.0)
    next_offer_taken(session, good, outputs(session), "after a silent owner")

    # An owner that answers with "now" instead of the request's time.
    before = outputs(session)
    misbehaving_owner(session, "no-echo", stubborn)
    wait_for(lambda: len(outputs(session)) > len(before), 3.0)
    expect_one_file(session, before, STUBBORN_SIZE, "an owner not repeating the time")

    # An owner that dies in the middle of sending: nothing is saved from it, and
    # the next offer is taken at once.
    before = outputs(session)
    misbehaving_owner(session, "die-incr", stubborn)
    time.sleep(0.5)
    next_offer_taken(session, good, before, "after an owner died sending")


if __name__ == "__main__":
    sys.exit(main())
