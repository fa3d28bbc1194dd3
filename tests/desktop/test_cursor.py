#!/usr/bin/python3
"""The mouse cursor drawn onto a screen-sized capture on a real X server: its hot
spot (the pixel that points) lands on the pointer, as the screen shows it, and not
its top-left corner. The cursor's picture and hot spot are asked of the X server
(XFixes) here too, and the saved PNG must hold exactly that picture there."""
import ctypes
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402

WIDTH, HEIGHT = 1280, 1024
# Over the root window, below and right of the program's window (centred, about
# 770 x 560): at (1000, 700) the pointer was inside it, and a window mapped late (a
# slow build) changed the cursor between the test's look and the capture.
POINTER = (1180, 960)


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong))]


def cursor_as_the_server_shows_it(display_name):
    """(pointer x, pointer y, hot x, hot y, picture) with premultiplied ARGB pixels."""
    xlib = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(display_name.encode())
    if not display:
        return None
    try:
        image = xfixes.XFixesGetCursorImage(display)
        if not image:
            return None
        c = image.contents
        pixels = [c.pixels[i] & 0xFFFFFFFF for i in range(c.width * c.height)]
        result = (c.x, c.y, c.xhot, c.yhot, c.width, c.height, pixels)
        xlib.XFree(image)
        return result
    finally:
        xlib.XCloseDisplay(display)


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"], screen="%dx%dx24" % (WIDTH, HEIGHT)) \
            as session:
        with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
            f.write("[Snaprill]\nImageType=1\n[Images]\nAddCursor=1\n")
        black = os.path.join(session.home, "..", os.path.basename(session.home) + ".png")
        Image.new("RGB", (WIDTH, HEIGHT), (0, 0, 0)).save(black)
        try:
            session.start_program()
            session.run(["xdotool", "mousemove", "--sync", str(POINTER[0]), str(POINTER[1])])
            cursor = cursor_as_the_server_shows_it(session.env["DISPLAY"])
            if not check(cursor is not None, "no cursor picture from the X server"):
                return outcome("")
            px, py, hx, hy, w, h, pixels = cursor
            print("cursor %dx%d, hot spot (%d, %d), pointer (%d, %d)" % (w, h, hx, hy, px, py))
            check((px, py) == POINTER, "the pointer is at %r" % ((px, py),))
            check((hx, hy) != (0, 0), "this cursor's hot spot is its corner: nothing to check")
            session.offer(black, "image/png")
            if not check(wait_for(lambda: outputs(session), 5.0), "the capture was not saved"):
                return outcome("")
            saved = os.path.join(session.home, outputs(session)[0])
            wait_for(lambda: os.path.getsize(saved) > 0, 2.0)
            with Image.open(saved) as picture:
                got = picture.convert("RGB")
            check(got.size == (WIDTH, HEIGHT), "saved %r" % (got.size,))
            # Over black, "over" leaves the premultiplied colour itself.
            left, top = px - hx, py - hy
            wrong = []
            for y in range(h):
                for x in range(w):
                    p = pixels[y * w + x]
                    want = ((p >> 16) & 255, (p >> 8) & 255, p & 255)
                    if got.getpixel((left + x, top + y)) != want:
                        wrong.append((x, y))
            check(not wrong, "%d of %d cursor pixels differ from the cursor with its hot spot "
                  "at the pointer, e.g. %r" % (len(wrong), w * h, wrong[:5]))
            # Nothing of it where the picture would be with its corner at the pointer.
            box = got.crop((left, top, left + w, top + h))
            check(box.getbbox() is not None, "no cursor drawn at all")
            lit = got.getbbox()
            check(lit is not None and lit[0] >= left and lit[1] >= top
                  and lit[2] <= left + w and lit[3] <= top + h,
                  "cursor pixels outside its place: %r, expected within %r"
                  % (lit, (left, top, left + w, top + h)))
            check(session.stop_program() == 0, "SIGTERM: no clean exit")
        finally:
            if os.path.exists(black):
                os.unlink(black)
    return outcome("the cursor's hot spot is at the pointer")


if __name__ == "__main__":
    sys.exit(main())
