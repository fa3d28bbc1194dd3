#!/usr/bin/python3
"""Faults as a user meets them, on a real X server: an owner slow to say what it
offers does not hold up the start, and its picture is still emptied away unsaved;
an owner that never sends its picture (a PNG or an X pixmap) does not freeze the
window and costs no number; an owner that dies while sending, and a PNG with a
bad checksum or with its last rows missing, cost no number either and leave the
clipboard as it was; copied cells (text with a picture of it) stay the user's
text; TIFF, WebP, image/x-bmp and X pixmap offers become files, transparency over
white; a screenshot offered while the one before is written is taken too; an
output folder removed meanwhile is made again; seven captures failing
while the error box is open give one box; a picture copied with xclip into a
folder that cannot be written stays on the clipboard, is not taken again by itself,
and uses up no number; a program killed while writing a large PNG leaves no hidden
temporary after the next start."""
import os
import re
import select
import shutil
import struct
import subprocess
import sys
import time
import zlib

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402
from test_clipboard_owners import misbehaving_owner  # noqa: E402

GOOD_SIZE = (120, 80)
GOOD_COLOUR = (10, 200, 30)


def pictures(folder):
    return sorted(n for n in os.listdir(folder) if n.startswith("snp")) \
        if os.path.isdir(folder) else []


def hidden_temporaries(folder):
    return [n for n in os.listdir(folder) if n.startswith(".snp")]


def image_offered(session):
    return any(t.startswith("image/") for t in session.targets())


def write_settings(home, out, image_type):
    with open(os.path.join(home, "snaprill.ini"), "w") as f:
        f.write("[Snaprill]\nImageType=%d\nPNGComp=9\n[General]\nOutputDir=%s/\n"
                % (image_type, out))


def colour_at(path, point):
    with Image.open(path) as picture:
        return picture.convert("RGB").getpixel(point)


def near(a, b, tolerance=12):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def expect_new_file(session, out, before, what, timeout=3.0):
    """The one file written since `before`, or None."""
    wait_for(lambda: len(pictures(out)) > len(before), timeout)
    added = [n for n in pictures(out) if n not in before]
    if not check(len(added) == 1, "%s: files written %r" % (what, added)):
        return None
    return os.path.join(out, added[0])


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        scratch = session.home + "-files"
        os.mkdir(scratch)
        try:
            out = os.path.join(session.home, "out")
            os.mkdir(out)
            files = make_files(scratch)
            write_settings(session.home, out, 0)
            # An owner slow to say what it offers does not hold up the start, and its
            # picture, there before the start, is still emptied away unsaved.
            slow = misbehaving_owner(session, "slow-types", files["good"])
            started = time.monotonic()
            session.start_program()
            took = time.monotonic() - started
            print("window shown %.2f s after the start, with a slow owner" % took)
            check(took < 2.0, "a slow clipboard owner held up the start for %.1f s" % took)
            check(wait_for(lambda: slow.poll() is not None, 8.0),
                  "the picture offered before the start was not emptied away")
            time.sleep(0.3)
            check(pictures(out) == [], "the picture offered before the start was saved: %r"
                  % pictures(out))
            run_checks(session, out, files)
            check(session.stop_program() == 0, "SIGTERM: no clean exit")
            killed_while_writing(session, out, files)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
    return outcome("all fault checks passed")


def make_files(scratch):
    files = {}
    files["good"] = os.path.join(scratch, "good.png")
    Image.new("RGB", GOOD_SIZE, GOOD_COLOUR).save(files["good"])
    # Noise of several hundred KiB, for owners that send in parts.
    files["noise"] = os.path.join(scratch, "noise.png")
    Image.effect_noise((700, 500), 90).convert("RGB").save(files["noise"])
    with open(files["good"], "rb") as f:
        data = bytearray(f.read())
    data[data.find(b"IDAT") + 6] ^= 1
    files["bad-crc"] = os.path.join(scratch, "bad-crc.png")
    with open(files["bad-crc"], "wb") as f:
        f.write(data)
    # A picture whose left quarter is transparent but holds red.
    seen = Image.new("RGBA", (90, 60), (40, 90, 220, 255))
    seen.paste((255, 0, 0, 0), (0, 0, 22, 60))
    for name, fmt, options in (("tiff", "TIFF", {}), ("webp", "WEBP", {"lossless": True})):
        files[name] = os.path.join(scratch, "picture." + name)
        seen.save(files[name], fmt, **options)
    files["bmp"] = os.path.join(scratch, "picture.bmp")
    seen.convert("RGB").save(files["bmp"])
    # Large enough that writing it as PNG at level 9 takes a while.
    files["large"] = os.path.join(scratch, "large.png")
    noise = Image.effect_noise((1000, 1000), 100).convert("L")
    Image.merge("RGB", (noise, noise.rotate(90), noise.rotate(180))).resize(
        (3000, 2000)).save(files["large"], compress_level=1)
    # Large but quick to send: its JPEG takes a while to write.
    files["smooth"] = os.path.join(scratch, "smooth.png")
    Image.linear_gradient("L").resize((4000, 3000)).convert("RGB").save(files["smooth"])
    # The same with its last rows missing: every chunk is sound, and only the end of
    # the image data shows the damage, after the top rows were written.
    files["rows-missing"] = os.path.join(scratch, "rows-missing.png")
    without_last_rows(files["large"], files["rows-missing"])
    return files


def without_last_rows(source, target):
    with open(source, "rb") as f:
        data = f.read()
    chunks, pos = [], 8
    while pos < len(data):
        length = struct.unpack(">I", data[pos:pos + 4])[0]
        chunks.append((data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]))
        pos += 12 + length
    rows = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    short = zlib.compress(rows[:len(rows) * 9 // 10], 1)
    with open(target, "wb") as f:
        f.write(data[:8])
        for kind, body in chunks:
            if kind == b"IDAT":
                if short is None:
                    continue
                body, short = short, None
            f.write(struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body)))


def take_good(session, out, what):
    before = pictures(out)
    session.offer(session_file(session, "good"), "image/png")
    return expect_new_file(session, out, before, what)


def session_file(session, name):
    return session.files[name]


def answers_while_owner_hangs(session, what):
    time.sleep(0.3)
    ping = subprocess.run([os.environ["SNAPRILL_WINDOW_PING"], session.window_id(), "20"],
                          env=session.env, capture_output=True, text=True, timeout=30)
    answer = ping.stdout.strip()
    print("slowest of 20 pings while the owner of %s hangs: %s ms" % (what, answer))
    try:
        slowest = float(answer)
    except ValueError:
        slowest = None
    check(ping.returncode == 0 and slowest is not None and slowest < 100,
          "the window answered a ping after %r ms while the owner of %s kept it waiting (%s)"
          % (answer, what, ping.stderr.strip()[-500:]))


def run_checks(session, out, files):
    session.files = files

    # An owner that announces a PNG and never sends it: the window keeps answering
    # at once meanwhile; after the program gives up, nothing is written, the offer
    # is still there and no number is used.
    misbehaving_owner(session, "hang", files["noise"])
    answers_while_owner_hangs(session, "a PNG")
    time.sleep(5.5)
    check(pictures(out) == [], "a silent owner's offer wrote %r" % pictures(out))
    check(image_offered(session), "the silent owner's offer was taken off the clipboard")
    first = take_good(session, out, "after a silent owner")
    check(first and first.endswith("snp1.jpg"), "the silent owner used up a number: %r" % first)

    # An owner that dies while sending its picture in parts.
    misbehaving_owner(session, "die-incr", files["noise"])
    time.sleep(0.5)
    second = take_good(session, out, "after an owner died sending")
    check(second and second.endswith("snp2.jpg"), "the dying owner used up a number: %r" % second)

    # A PNG with a bad checksum: no file, no number, and it stays on the clipboard.
    before = pictures(out)
    session.offer(files["bad-crc"], "image/png")
    time.sleep(1.0)
    check(pictures(out) == before, "a damaged PNG wrote %r" % pictures(out))
    check(image_offered(session), "the damaged PNG was taken off the clipboard")

    # Found damaged only after its top rows were written: the same.
    session.offer(files["rows-missing"], "image/png")
    time.sleep(2.0)
    check(pictures(out) == before, "a PNG damaged late wrote %r" % pictures(out))
    check(image_offered(session), "the PNG damaged late was taken off the clipboard")
    third = take_good(session, out, "after a damaged PNG")
    check(third and third.endswith("snp3.jpg"), "the damaged PNG used up a number: %r" % third)

    # The next screenshot offered while the one before is being written is taken too.
    before = pictures(out)
    owner = misbehaving_owner(session, "replace-after-sending", files["smooth"])
    check(wait_for(lambda: owner.poll() is not None, 8.0),
          "an offer that came while the one before was written was not taken")
    check(len(pictures(out)) > len(before), "offers during a write: no file")

    # Copied cells: text with a picture of it stays the user's text.
    before = pictures(out)
    misbehaving_owner(session, "text-and-image", files["good"])
    time.sleep(1.0)
    check(pictures(out) == before, "text with a picture wrote %r" % pictures(out))
    check(session.clipboard_text() == "Snaprill clipboard text",
          "the copied text is gone: %r" % session.clipboard_text())

    # Other picture formats; transparent parts come out white, not red.
    for mime, name in (("image/tiff", "tiff"), ("image/webp", "webp"), ("image/x-bmp", "bmp")):
        before = pictures(out)
        session.offer(files[name], mime)
        written = expect_new_file(session, out, before, mime)
        if written:
            with Image.open(written) as saved:
                check(saved.size == (90, 60), "%s: saved %r" % (mime, saved.size))
            check(near(colour_at(written, (60, 30)), (40, 90, 220)),
                  "%s: colour %r" % (mime, colour_at(written, (60, 30))))
            if name != "bmp":
                check(near(colour_at(written, (5, 30)), (255, 255, 255)),
                      "%s: transparent part is %r" % (mime, colour_at(written, (5, 30))))

    # Old X programs offer a pixmap: its picture comes from the server, and an owner
    # that never names it freezes nothing either.
    before = pictures(out)
    misbehaving_owner(session, "pixmap-hang", files["good"])
    answers_while_owner_hangs(session, "a pixmap")
    time.sleep(5.5)
    check(pictures(out) == before, "a silent pixmap owner's offer wrote %r" % pictures(out))
    misbehaving_owner(session, "pixmap", files["good"])
    written = expect_new_file(session, out, before, "a pixmap offer")
    if written:
        with Image.open(written) as saved:
            check(saved.size == (64, 48), "pixmap: saved %r" % (saved.size,))
        check(near(colour_at(written, (10, 24)), (255, 0, 0)),
              "pixmap: left half is %r" % (colour_at(written, (10, 24)),))
        check(near(colour_at(written, (54, 24)), (0, 0, 255)),
              "pixmap: right half is %r" % (colour_at(written, (54, 24)),))

    # The output folder removed while the program runs is made again.
    shutil.rmtree(out)
    written = take_good(session, out, "after the folder was removed")
    check(written is not None and os.path.isdir(out), "the removed folder was not made again")
    last = number_of(written)

    # A file where the folder should be: seven captures fail, one box shows. Each
    # picture stays on the clipboard until the next offer replaces it.
    shutil.rmtree(out)
    with open(out, "w") as blocker:
        blocker.write("not a folder")
    for n in range(7):
        owner = announcing_owner(session, files["good"])
        check(wait_line(owner, b"sent", 5.0), "failing capture %d was not taken" % (n + 1))
        if n == 0:
            check(wait_for(lambda: message_boxes(session), 5.0), "no box for a failed capture")
    time.sleep(0.5)
    boxes = message_boxes(session)
    check(len(boxes) == 1, "%d error boxes for seven failed captures" % len(boxes))
    # The owner leaves when it loses the clipboard.
    check(owner.poll() is None, "the last failed capture was emptied from the clipboard")
    close_boxes(session, boxes)
    os.unlink(out)
    os.mkdir(out)
    owner.kill()

    failed_capture_stays_on_the_clipboard(session, out, files, last)


def number_of(path):
    """The number in a picture's name, or None."""
    found = re.search(r"snp(\d+)\.[a-z]+$", path or "")
    return int(found.group(1)) if found else None


def announcing_owner(session, path):
    """A clipboard owner of the PNG that prints "sent" each time it has sent it;
    unbuffered, so that select sees each line."""
    owner = subprocess.Popen([os.environ["SNAPRILL_CLIPBOARD_OWNER"], "announce", path],
                             env=session.env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, bufsize=0)
    session.helpers.append(owner)
    owner.seen = b""
    if not wait_line(owner, b"ready", 5.0):
        sys.exit("clipboard_owner announce did not take the clipboard")
    return owner


def wait_line(owner, line, timeout):
    """Whether the owner prints `line` within timeout (lines seen are used up)."""
    deadline = time.monotonic() + timeout
    while True:
        lines = owner.seen.split(b"\n")
        if line in lines[:-1]:
            owner.seen = b"\n".join(lines[lines.index(line) + 1:])
            return True
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([owner.stdout], [], [], left)[0]:
            return False
        chunk = os.read(owner.stdout.fileno(), 256)
        if not chunk:
            return False
        owner.seen += chunk


def close_boxes(session, boxes):
    """Return in each box, typed as a user would once the box has the focus. (Sent to
    the box window itself, a key could miss a box that came after another one.)"""
    for box in boxes:
        session.run(["xdotool", "windowfocus", "--sync", box], check=False)
        time.sleep(0.2)
        session.run(["xdotool", "key", "Return"], check=False)
    check(wait_for(lambda: not message_boxes(session), 3.0), "the box did not close")


def failed_capture_stays_on_the_clipboard(session, out, files, last):
    """A picture copied with xclip while the output folder cannot be written: one
    box; the picture is still offered (xclip still owns the clipboard) after the
    box is closed; it is not taken again by itself once the folder can be written,
    and no number was used up: the next picture gets the number after `last`."""
    os.rmdir(out)
    with open(out, "w") as blocker:
        blocker.write("not a folder")
    copier = session.offer(files["good"], "image/png")
    boxes = wait_for(lambda: message_boxes(session), 5.0)
    check(boxes and len(boxes) == 1, "one box for a capture not written: %r" % boxes)
    time.sleep(0.3)
    check(copier.poll() is None, "xclip lost the clipboard: the picture not written was emptied")
    check("image/png" in session.targets(),
          "the picture not written is no longer on the clipboard: %r" % session.targets())
    close_boxes(session, boxes or [])
    os.unlink(out)
    os.mkdir(out)
    time.sleep(1.0)
    check("image/png" in session.targets(),
          "the picture not written left the clipboard after the box: %r" % session.targets())
    check(pictures(out) == [], "the picture not written was taken again by itself: %r"
          % pictures(out))
    check(not message_boxes(session), "a second box for the same picture")
    # The user's retry: copied again, it is saved under the next number.
    written = take_good(session, out, "copied again once the folder can be written")
    check(last is not None and number_of(written) == last + 1,
          "the failed captures used up numbers: %r after snp%r" % (written, last))
    check(wait_for(lambda: copier.poll() is not None, 3.0), "xclip still owns the clipboard")


def message_boxes(session):
    """The program's visible dialogs: its main window and Qt's helper windows are
    named after it too, so the window type tells them apart."""
    result = session.run(["xdotool", "search", "--onlyvisible", "--name", "^Snaprill$"],
                         check=False)
    return [w for w in result.stdout.split()
            if "_NET_WM_WINDOW_TYPE_DIALOG" in session.run(
                ["xprop", "-id", w, "_NET_WM_WINDOW_TYPE"], check=False).stdout]


def killed_while_writing(session, out, files):
    """Killed while writing a large PNG, the program leaves a hidden temporary; the
    next start removes it."""
    write_settings(session.home, out, 1)
    session.start_program()
    session.offer(files["large"], "image/png")
    if not check(wait_for(lambda: hidden_temporaries(out), 20.0, 0.002),
                 "no temporary of the large PNG seen"):
        return
    session.program.kill()
    session.program.wait(5)
    check(hidden_temporaries(out), "the killed program left no temporary to find")
    check(not any(n.endswith(".png") for n in pictures(out)), "the PNG was finished: %r"
          % pictures(out))
    session.start_program()
    check(wait_for(lambda: not hidden_temporaries(out), 3.0),
          "the temporary is still there after the start: %r" % hidden_temporaries(out))
    check(session.stop_program() == 0, "SIGTERM after the restart: no clean exit")


if __name__ == "__main__":
    sys.exit(main())
