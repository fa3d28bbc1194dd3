#!/usr/bin/python3
"""Every page of the main window on a real X server at 100 % and 200 % scaling,
each brought forward through the Tabs menu: the pages differ from each other, and
the window fits a small screen (1024 x 768 at 100 %). Then, at 100 % under openbox,
the windows the main window opens: the about box, the directory chooser, the
area chooser and the type picker unrolled with its twelve types. With SNAPRILL_SCREENSHOTS=1
the pictures are written to docs/screenshots/ (8-bit palette PNGs), as the README
shows them; otherwise to a temporary folder that goes with the session."""
import os
import re
import sys
import time

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402

PAGES = ["general", "image", "gif", "tiff-tga-bmp", "dimensions-effects", "automation",
         "settings"]
SMALL_SCREEN = (1024, 768)
# The "User specified" button on the General page at 100 %.
USER_SPECIFIED = ("118", "225")
# The type panel in the top strip at 100 %, and the unrolled picker's height.
TYPE_PANEL = ("170", "97")
PICKER_HEIGHT = 290


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


def find_window(session, title):
    def shown():
        found = session.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                            check=False).stdout.split()
        return found[0] if found else None
    return wait_for(shown, 5, 0.05)


def shoot_dialog(session, title, path, settle=0.5):
    """The window of that title, once shown; None when it did not show."""
    wid = find_window(session, title)
    if not check(wid, "no window named %r" % title):
        return None
    time.sleep(settle)
    shoot(session, wid, path)
    return wid


def close_with(session, wid, key):
    session.run(["xdotool", "windowactivate", "--sync", wid], check=False)
    session.run(["xdotool", "key", key])
    check(wait_for(lambda: not session.geometry(wid) or not session.geometry(wid)[4], 5, 0.05),
          "%s did not close window %s" % (key, wid))


def run_windows(folder):
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        # A home of a few folders, for the directory chooser to show rather than
        # the machine's own.
        session.env["HOME"] = session.home
        for name in ("Documents", "Pictures", "Screenshots"):
            os.mkdir(os.path.join(session.home, name))
        session.start_window_manager()
        session.start_program()
        wid = session.window_id()
        time.sleep(0.5)
        target = folder or session.home

        # The about box, once its credits have scrolled in a little.
        session.run(["xdotool", "windowfocus", "--sync", wid])
        session.run(["xdotool", "key", "--delay", "80", "alt+h", "Return"])
        box = shoot_dialog(session, "Info", os.path.join(target, "about-box-100.png"), 4)
        if box:
            close_with(session, box, "Return")

        # The directory chooser, from "User specified" on the General page.
        show_page(session, wid, 0)
        time.sleep(0.4)
        session.run(["xdotool", "mousemove", "--window", wid, *USER_SPECIFIED, "click", "1"])
        chooser = shoot_dialog(session, "Choose Directory",
                               os.path.join(target, "directory-chooser-100.png"))
        if chooser:
            close_with(session, chooser, "Escape")

        # The area chooser of the crop group, the first link on its page.
        show_page(session, wid, PAGES.index("dimensions-effects"))
        time.sleep(0.4)
        links = session.link_points(wid)
        if check(links, "no Choose Area link found"):
            session.run(["xdotool", "mousemove", "--window", wid, str(links[0][0]),
                         str(links[0][1]), "click", "1"])
            area = shoot_dialog(session, "Resize the window and then close it to save settings",
                                os.path.join(target, "area-chooser-100.png"), 1)
            if area:
                close_with(session, area, "alt+F4")

        # The type picker, unrolled under the type panel.
        session.run(["xdotool", "windowactivate", "--sync", wid])
        session.run(["xdotool", "mousemove", "--window", wid, *TYPE_PANEL, "click", "1"])
        picker = wait_for(lambda: unrolled_picker(session), 3, 0.02)
        if check(picker, "the type picker did not unroll"):
            time.sleep(0.3)
            shoot(session, picker, os.path.join(target, "type-picker-100.png"))
            session.run(["xdotool", "key", "Escape"])
        session.stop_program()


def unrolled_picker(session):
    """The type picker's window once fully unrolled and shown, or None."""
    tree = session.run(["xwininfo", "-root", "-tree"], check=False).stdout
    for wid in re.findall(r"^\s*(0x[0-9a-f]+) .*\b\d+x%d\+" % PICKER_HEIGHT, tree, re.MULTILINE):
        geometry = session.geometry(wid)
        if geometry and geometry[4]:
            return wid
    return None


def main():
    folder = None
    if os.environ.get("SNAPRILL_SCREENSHOTS") == "1":
        folder = os.path.join(HERE, "..", "..", "docs", "screenshots")
        os.makedirs(folder, exist_ok=True)
    for scale in (1, 2):
        run(scale, folder)
    run_windows(folder)
    return outcome("every page shown at 100 % and 200 %, and the windows it opens" +
                   (", pictures in docs/screenshots" if folder else ""))


if __name__ == "__main__":
    sys.exit(main())
