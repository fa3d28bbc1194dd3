#!/usr/bin/python3
"""The capture cycle on a real X server: a picture on the clipboard at start is
emptied away unsaved; a picture offered on the clipboard becomes
snp1.jpg and leaves the clipboard; text is left alone; a picture taken while paused
is discarded on resume; a picture offered only as image/bmp, and a PNG too large
for one X request (sent in parts), are taken too; SIGTERM ends the program
cleanly."""
import os
import sys
import time

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402

def make_picture(path, size):
    picture = Image.new("RGB", size, (30, 120, 200))
    draw = ImageDraw.Draw(picture)
    draw.rectangle([10, 10, 60, 50], fill=(250, 240, 0))
    draw.line([0, size[1] - 1, size[0] - 1, 0], fill=(0, 0, 0), width=3)
    picture.save(path)


def image_offered(session):
    return any(t.startswith("image/") for t in session.targets())


def jpeg_size(path):
    with Image.open(path) as picture:
        return picture.format, picture.size


def press_in_file_menu(session, key):
    # No window manager: give the window the focus directly, then use the menu's
    # mnemonics as a user would.
    session.run(["xdotool", "windowfocus", "--sync", session.window_id()])
    session.run(["xdotool", "key", "--delay", "50", "alt+f", key])


def main():
    app = os.environ["SNAPRILL_APP"]
    with DesktopSession(app) as session:
        picture = os.path.join(session.home, "..", os.path.basename(session.home) + ".png")
        size = (203, 101)  # odd width: row padding must not show
        make_picture(picture, size)
        try:
            # A picture already on the clipboard at start is emptied away, not saved.
            session.offer(picture, "image/png")
            wait_for(lambda: image_offered(session), 1.0)
            session.start_program()
            check(wait_for(lambda: not image_offered(session), 2.0),
                  "the picture offered before the start is still offered")
            time.sleep(0.3)
            check(outputs(session) == [], "the picture offered before the start was saved: %r"
                  % outputs(session))
            run_checks(session, picture, size)
            started = time.monotonic()
            status = session.stop_program()
            check(status == 0, "SIGTERM: exit status %r (0 expected) after %.1f s; output: %s"
                  % (status, time.monotonic() - started, session.program_output()))
        finally:
            os.unlink(picture)
    return outcome("all desktop checks passed")


def run_checks(session, picture, size):
    first = os.path.join(session.home, "snp1.jpg")

    # A picture on the clipboard becomes the first file and leaves the clipboard.
    session.offer(picture, "image/png")
    if check(wait_for(lambda: os.path.exists(first), 1.0), "no snp1.jpg within 1 s"):
        check(jpeg_size(first) == ("JPEG", size), "snp1.jpg is %r, expected a %r JPEG"
              % (jpeg_size(first), size))
        # Colours where they were: channel order and rows survive the transfer.
        with Image.open(first) as saved:
            for point, colour in (((30, 30), (250, 240, 0)), ((180, 80), (30, 120, 200))):
                got = saved.convert("RGB").getpixel(point)
                check(all(abs(a - b) <= 12 for a, b in zip(got, colour)),
                      "snp1.jpg at %r is %r, expected about %r" % (point, got, colour))
    check(wait_for(lambda: not image_offered(session), 1.0),
          "clipboard still offers an image: %r" % session.targets())
    check(outputs(session) == ["snp1.jpg"], "unexpected files: %r" % outputs(session))

    # Text is not a picture: left on the clipboard, nothing written.
    session.offer(text="just some words")
    check(wait_for(lambda: session.clipboard_text() == "just some words", 1.0),
          "text not offered")
    time.sleep(0.3)  # a running cycle would have taken it long before this
    check(session.clipboard_text() == "just some words", "text on the clipboard was touched")
    check(outputs(session) == ["snp1.jpg"], "text produced a file: %r" % outputs(session))

    # Paused, a picture stays on the clipboard; resuming discards it unsaved.
    press_in_file_menu(session, "p")
    if not check(wait_for(lambda: session.window_title() == "Snaprill - Paused", 3.0),
                 "pause: title is %r" % session.window_title()):
        return
    session.offer(picture, "image/png")
    check(wait_for(lambda: image_offered(session), 1.0), "picture not offered while paused")
    time.sleep(0.3)
    check(image_offered(session) and outputs(session) == ["snp1.jpg"],
          "paused program took the picture: %r" % outputs(session))
    press_in_file_menu(session, "r")  # the item now reads "&Resume Snaprill"
    check(wait_for(lambda: session.window_title() == "Snaprill", 3.0),
          "resume: title is %r" % session.window_title())
    check(wait_for(lambda: not image_offered(session), 1.0),
          "picture taken while paused was not discarded on resume")
    time.sleep(0.2)
    check(outputs(session) == ["snp1.jpg"], "picture taken while paused was saved")

    # Running again: the next picture gets the next number.
    session.offer(picture, "image/png")
    second = os.path.join(session.home, "snp2.jpg")
    check(wait_for(lambda: os.path.exists(second), 1.0), "no snp2.jpg after resuming")
    check(wait_for(lambda: not image_offered(session), 1.0), "snp2: clipboard still offers")

    # A picture offered only as a Windows bitmap.
    bmp = os.path.join(session.home, "..", os.path.basename(session.home) + ".bmp")
    with Image.open(picture) as source:
        source.save(bmp)
    session.offer(bmp, "image/bmp")
    third = os.path.join(session.home, "snp3.jpg")
    if check(wait_for(lambda: os.path.exists(third), 2.0), "no snp3.jpg from an image/bmp offer"):
        check(jpeg_size(third) == ("JPEG", size), "snp3.jpg is %r" % (jpeg_size(third),))
    os.unlink(bmp)
    check(wait_for(lambda: not image_offered(session), 1.0), "snp3: clipboard still offers")

    # A PNG larger than one X request, which xclip sends in parts (INCR).
    large = os.path.join(session.home, "..", os.path.basename(session.home) + "-large.png")
    noise = Image.effect_noise((1600, 500), 90).convert("RGB")
    big = Image.new("RGB", (1600, 1000), (200, 40, 90))
    big.paste(noise, (0, 0))
    big.save(large)
    check(os.path.getsize(large) > 1 << 20, "the large PNG is only %d bytes" % os.path.getsize(large))
    session.offer(large, "image/png")
    fourth = os.path.join(session.home, "snp4.jpg")
    if check(wait_for(lambda: os.path.exists(fourth), 5.0), "no snp4.jpg from a large PNG"):
        check(jpeg_size(fourth) == ("JPEG", (1600, 1000)), "snp4.jpg is %r" % (jpeg_size(fourth),))
        with Image.open(fourth) as saved:
            got = saved.convert("RGB").getpixel((800, 900))
            check(all(abs(a - b) <= 12 for a, b in zip(got, (200, 40, 90))),
                  "snp4.jpg at the bottom is %r, expected about (200, 40, 90)" % (got,))
    os.unlink(large)


if __name__ == "__main__":
    sys.exit(main())
