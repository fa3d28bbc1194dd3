#!/usr/bin/python3
"""The screen changes size while the program runs (xrandr --fb, as when a monitor is
plugged in or out), and Print Screen follows:
- grown from 1920x1080 to 3200x1080, Print saves the whole 3200x1080 screen with the
  cursor drawn at the pointer, which lies beyond the old edge, and Alt+Print saves the
  framed window placed at x=2201, pixel for pixel;
- shrunk to 1024x768, Print saves the 1024x768 screen;
- a metafile saved after the screen grew is recorded against the screen as it is now.
The program starts while the screen is 1920x1080; Xvfb's largest size is set at its
start, hence its 3200x1200 with the one output switched off."""
import os
import struct
import subprocess
import sys

from PIL import ImageChops

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402
from test_cursor import cursor_as_the_server_shows_it  # noqa: E402
from test_triggers import key, new_file, picture, settled_screen, start_openbox  # noqa: E402

LARGEST = (3200, 1200)
START = (1920, 1080)
GROWN = (3200, 1080)
SHRUNK = (1024, 768)
POINTER = (2600, 600)  # beyond the starting screen's right edge
WINDOW_X = 2201


def resize(session, size):
    session.run(["xrandr", "--output", "screen", "--off", "--fb", "%dx%d" % size])
    geometry = session.run(["xdpyinfo"]).stdout
    check("dimensions:    %dx%d pixels" % size in geometry, "xrandr did not make %r" % (size,))


def write_settings(session, image_type, cursor):
    with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
        f.write("[Snaprill]\nImageType=%d\n[Images]\nAddCursor=%d\n" % (image_type, cursor))


def screenshot_file(session, keys):
    before = outputs(session)
    key(session, keys)
    return new_file(session, before)


def framed_rect(session, window):
    """The window's outer rectangle (left, top, right, bottom), its frame included."""
    info = session.run(["xwininfo", "-id", window]).stdout
    fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
    x, y = int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"])
    width, height = int(fields["Width"]), int(fields["Height"])
    border = int(fields["Border width"])
    extents = session.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"]).stdout
    left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")]
    return (x - border - left, y - border - top, x + width + border + right,
            y + height + border + bottom)


def whole_screen_with_cursor(session):
    session.run(["xdotool", "mousemove", "--sync", str(POINTER[0]), str(POINTER[1])])
    cursor = cursor_as_the_server_shows_it(session.env["DISPLAY"])
    check(cursor is not None and cursor[:2] == POINTER, "the pointer is not at %r" % (POINTER,))
    shot = settled_screen(session)  # the server's own picture leaves the cursor out
    name = screenshot_file(session, "Print")
    if not name:
        return
    _, got = picture(session, name)
    if not check(got.size == GROWN, "Print on the grown screen saved %r" % (got.size,)):
        return
    differ = ImageChops.difference(got.crop((0, 0, 2400, 400)),
                                   shot.crop((0, 0, 2400, 400))).getbbox()
    check(differ is None, "the grown screen's picture is not the screen: they differ in %r"
          % (differ,))
    if cursor is None:
        return
    px, py, hx, hy, w, h, pixels = cursor
    opaque = [(x, y, p) for y in range(h) for x in range(w)
              for p in [pixels[y * w + x]] if p >> 24 == 255]
    colour = lambda p: ((p >> 16) & 255, (p >> 8) & 255, p & 255)  # noqa: E731
    at = lambda image, x, y: image.getpixel((px - hx + x, py - hy + y))  # noqa: E731
    check(opaque and all(at(got, x, y) == colour(p) for x, y, p in opaque)
          and any(at(shot, x, y) != colour(p) for x, y, p in opaque),
          "no cursor at the pointer beyond the old edge")


def framed_window_beyond_the_old_edge(session):
    xmessage = subprocess.Popen(["xmessage", "-geometry", "+%d+100" % WINDOW_X, "Far right"],
                                env=session.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    session.helpers.append(xmessage)
    active = wait_for(lambda: "xmessage" in session.run(
        ["xdotool", "getactivewindow", "getwindowname"], check=False).stdout, 5)
    if not check(active, "xmessage did not become the active window"):
        return
    window = session.run(["xdotool", "getactivewindow"]).stdout.strip()
    rect = framed_rect(session, window)
    check(rect[0] >= WINDOW_X - 20, "xmessage's frame starts at x=%d" % rect[0])
    shot = settled_screen(session)
    name = screenshot_file(session, "alt+Print")
    if name:
        _, got = picture(session, name)
        framed = shot.crop(rect)
        check(got.size == framed.size and ImageChops.difference(got, framed).getbbox() is None,
              "Alt+Print saved %r, not the framed window at %r" % (got.size, rect))
    xmessage.kill()


def metafile_device(path):
    """The reference screen of an EMF file: (pixels wide, high, millimetres wide, high)."""
    with open(path, "rb") as f:
        header = f.read(88)
    return struct.unpack_from("<4i", header, 72)


def main():
    app = os.environ["SNAPRILL_APP"]
    with DesktopSession(app, screen="%dx%dx24" % LARGEST) as session:
        resize(session, START)
        start_openbox(session)
        write_settings(session, 1, 1)  # PNG, cursor drawn
        session.start_program()
        resize(session, GROWN)
        whole_screen_with_cursor(session)
        framed_window_beyond_the_old_edge(session)
        resize(session, SHRUNK)
        name = screenshot_file(session, "Print")
        if name:
            _, got = picture(session, name)
            check(got.size == SHRUNK, "Print on the shrunk screen saved %r" % (got.size,))
        check(session.stop_program() == 0, "SIGTERM: no clean exit")

        resize(session, START)
        write_settings(session, 4, 0)  # metafile
        session.start_program()
        resize(session, GROWN)
        millimetres = session.run(["xdpyinfo"]).stdout.split(" pixels (")[1].split(" ")[0]
        name = screenshot_file(session, "Print")
        if name:
            got = metafile_device(os.path.join(session.home, name))
            want = GROWN + tuple(int(v) for v in millimetres.split("x"))
            check(got == want, "the metafile's reference screen is %r, the screen %r"
                  % (got, want))
        check(session.stop_program() == 0, "SIGTERM: no clean exit")
    return outcome("Print Screen follows the screen's size")


if __name__ == "__main__":
    sys.exit(main())
