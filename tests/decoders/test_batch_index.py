"""snaprill-batch --index FOLDER on a folder of mixed files: the pictures of every
type the readers know are indexed with the words read from them; damaged pictures
are told as the batch tells an unreadable picture, with exit status 1; files that are
no pictures at all are passed over; a second run adds nothing twice; with the
history switched off nothing is made. snaprill-batch's own captures are recorded
with the origin "batch"."""
import os
import sqlite3
import subprocess
import sys

from PIL import Image, ImageDraw, ImageFont

from batchlib import BATCH, BatchRun

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL:", message)


def words_picture(words):
    picture = Image.new("RGB", (700, 120), (255, 255, 255))
    ImageDraw.Draw(picture).text((20, 40), words, font=ImageFont.truetype(FONT, 30), fill=(0, 0, 0))
    return picture


def index_rows(home):
    with sqlite3.connect(os.path.join(home, "history.sqlite")) as db:
        return {os.path.basename(r[0]): (r[1], r[2]) for r in db.execute(
            "SELECT c.path, c.origin, w.text FROM captures c JOIN capture_words w"
            " ON w.rowid = c.id")}


def index(run, folder, settings=None):
    env = dict(os.environ, SNAPRILL_HOME=run.home, XDG_CONFIG_HOME=run.home)
    command = [BATCH, "--index"] + (["--settings", settings] if settings else []) + [folder]
    return subprocess.run(command, env=env, capture_output=True, text=True, timeout=600)


def main():
    run = BatchRun()
    folder = os.path.join(run.home, "old")
    os.mkdir(folder)
    words_picture("quarterly budget").save(os.path.join(folder, "budget.png"))
    words_picture("overdue invoice").save(os.path.join(folder, "invoice.jpg"), quality=92)
    Image.new("RGB", (40, 30), (200, 10, 10)).save(os.path.join(folder, "red.gif"))
    with open(os.path.join(folder, "damaged.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + b"\x00" * 40)
    with open(os.path.join(folder, "damaged.jpg"), "wb") as f:
        f.write(b"\xff\xd8\xff\xe0" + b"\x13" * 100)
    with open(os.path.join(folder, "notes.txt"), "w") as f:
        f.write("not a picture\n")

    # Faults: a damaged picture stops the run, passes silently or is indexed; a
    # text file reported as a damaged picture; words not read.
    first = index(run, folder)
    check(first.returncode == 1, "exit status %d, not 1: %s" % (first.returncode, first.stderr))
    for name in ("damaged.png", "damaged.jpg"):
        check('cannot read picture "%s"' % os.path.join(folder, name) in first.stderr,
              "%s not told: %s" % (name, first.stderr))
    check("notes.txt" not in first.stderr, "a text file told as a picture: " + first.stderr)
    rows = index_rows(run.home)
    check(sorted(rows) == ["budget.png", "invoice.jpg", "red.gif"], "indexed: %s" % sorted(rows))
    check("budget" in rows.get("budget.png", ("", ""))[1].lower(),
          "words of budget.png: %r" % (rows.get("budget.png"),))
    check("invoice" in rows.get("invoice.jpg", ("", ""))[1].lower(),
          "words of invoice.jpg: %r" % (rows.get("invoice.jpg"),))

    # Fault: a second run records the pictures again (or reads them again).
    second = index(run, folder)
    check("0 pictures indexed" in second.stderr, "second run: " + second.stderr)
    check(len(index_rows(run.home)) == 3, "a second run added rows")

    # Fault: the batch's own captures left out of the history, or under another origin.
    saved = run.run(os.path.join(folder, "budget.png"))
    check(saved.returncode == 0, "the batch did not save: " + saved.stderr)
    written = os.path.basename(saved.stdout.strip())
    check(index_rows(run.home).get(written, ("",))[0] == "batch",
          "the batch's capture %s: %r" % (written, index_rows(run.home).get(written)))

    # Fault: with the history switched off, --index makes an index all the same.
    off = BatchRun({"Snaprill": {"History": "0"}})
    result = index(off, folder, off.settings)
    check(result.returncode == 1, "history off: exit status %d" % result.returncode)
    check(not os.path.exists(os.path.join(off.home, "history.sqlite")), "history off: index made")

    print("FAILED: %d check(s)" % len(FAILURES) if FAILURES else "batch --index: as the batch")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
