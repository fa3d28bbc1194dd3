#!/usr/bin/python3
"""Every page of the main window on a real X server at 100 % and 200 % scaling,
each brought forward through the Tabs menu: the pages differ from each other, and
the window fits a small screen (1024 x 768 at 100 %). With SNAPRILL_SCREENSHOTS=1
the pictures are written to docs/screenshots/ (8-bit palette PNGs), as the README
shows them; otherwise to a temporary folder that goes with the session."""
import os
import sys
import time

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402

PAGES = ["general", "image", "gif", "tiff-tga-bmp", "dimensions-effects", "automation",
         "settings"]
SMALL_SCREEN = (1024, 768)


def shoot(session, wid, path):
    raw = path + ".raw.png"
    session.run(["import", "-window", wid, raw])
    with Image.open(raw) as picture:
        # A palette of 128 colours keeps the text's smoothing and the files small.
        picture.convert("RGB").quantize(colors=128, dither=Image.Dither.NONE).save(
            path, optimize=True)
    os.unlink(raw)
    with Image.open(path) as picture:
        return picture.size, picture.convert("RGB").tobytes()


def show_page(session, wid, index):
    session.run(["xdotool", "windowfocus", "--sync", wid])
    session.run(["xdotool", "key", "--delay", "60", "alt+t", *["Down"] * index, "Return"])


def run(scale, folder):
    with DesktopSession(os.environ["SNAPRILL_APP"], screen="2560x1600x24") as session:
        session.env["QT_SCALE_FACTOR"] = str(scale)
        session.start_program()
        wid = session.window_id()
        time.sleep(0.5)  # the first paint
        target = folder or session.home
        shots = []
        for index, name in enumerate(PAGES):
            show_page(session, wid, index)
            time.sleep(0.4)
            shots.append(shoot(session, wid, os.path.join(target, "%s-%d.png" % (name, scale * 100))))
        size = shots[0][0]
        limit = (SMALL_SCREEN[0] * scale, SMALL_SCREEN[1] * scale)
        check(size[0] <= limit[0] and size[1] <= limit[1],
              "%d %%: the window is %r, more than a %r screen" % (scale * 100, size, limit))
        check(all(shot[0] == size for shot in shots),
              "%d %%: the window changes size between pages: %r"
              % (scale * 100, [shot[0] for shot in shots]))
        check(len({shot[1] for shot in shots}) == len(PAGES),
              "%d %%: the Tabs menu did not bring every page forward" % (scale * 100))
        session.stop_program()


def main():
    folder = None
    if os.environ.get("SNAPRILL_SCREENSHOTS") == "1":
        folder = os.path.join(HERE, "..", "..", "docs", "screenshots")
        os.makedirs(folder, exist_ok=True)
    for scale in (1, 2):
        run(scale, folder)
    return outcome("every page shown at 100 % and 200 %" +
                   (", pictures in docs/screenshots" if folder else ""))


if __name__ == "__main__":
    sys.exit(main())
