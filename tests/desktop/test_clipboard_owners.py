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
from desktop_session import DesktopSession, wait_for  # noqa: E402

FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL:", message)
    return condition


def outputs(session):
    return sorted(n for n in os.listdir(session.home) if n.startswith("snp"))


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


def new_file(session, before, timeout):
    wait_for(lambda: len(outputs(session)) > len(before), timeout)
    return [n for n in outputs(session) if n not in before]


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        base = os.path.join(session.home, "..", os.path.basename(session.home))
        # Noise: a PNG of several hundred KiB, sent in parts where asked to.
        stubborn, good = base + "-stubborn.png", base + "-good.png"
        Image.effect_noise((700, 500), 90).convert("RGB").save(stubborn)
        Image.new("RGB", (120, 80), (10, 200, 30)).save(good)
        try:
            session.start_program()
            run_checks(session, stubborn, good)
            check(session.stop_program() == 0, "SIGTERM: no clean exit")
        finally:
            os.unlink(stubborn)
            os.unlink(good)
    print("FAILED: %d check(s)" % len(FAILURES) if FAILURES else "all owner checks passed")
    return 1 if FAILURES else 0


def run_checks(session, stubborn, good):
    # An owner that never sends its picture; while the program waits for it,
    # another program offers one: that one is saved, once, and soon.
    misbehaving_owner(session, "hang", stubborn)
    time.sleep(1.0)
    before = outputs(session)
    started = time.monotonic()
    session.offer(good, "image/png")
    added = new_file(session, before, 3.0)
    check(time.monotonic() - started < 2.5, "the new offer waited for the silent owner")
    time.sleep(1.0)
    added = [n for n in outputs(session) if n not in before]
    if check(len(added) == 1, "after a silent owner: files %r" % added):
        check(saved_size(session, added[0]) == (120, 80),
              "saved %r from the wrong owner" % (saved_size(session, added[0]),))

    # An owner that answers with "now" instead of the request's time.
    before = outputs(session)
    misbehaving_owner(session, "no-echo", stubborn)
    added = new_file(session, before, 3.0)
    if check(len(added) == 1, "an owner not repeating the time: files %r" % added):
        check(saved_size(session, added[0]) == (700, 500), "no-echo: saved %r"
              % (saved_size(session, added[0]),))

    # An owner that dies in the middle of sending: nothing is saved from it, and
    # the next offer is taken at once.
    before = outputs(session)
    misbehaving_owner(session, "die-incr", stubborn)
    time.sleep(0.5)
    started = time.monotonic()
    session.offer(good, "image/png")
    added = new_file(session, before, 3.0)
    check(time.monotonic() - started < 2.5, "the offer after a dead owner waited")
    time.sleep(0.5)
    added = [n for n in outputs(session) if n not in before]
    if check(len(added) == 1, "after an owner died sending: files %r" % added):
        check(saved_size(session, added[0]) == (120, 80), "after a dead owner: saved %r"
              % (saved_size(session, added[0]),))


if __name__ == "__main__":
    sys.exit(main())
