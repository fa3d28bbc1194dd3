#!/usr/bin/python3
"""The area chooser under openbox: the crop window opens with its frame at the crop
rectangle, and closing it untouched leaves the fields as they were; moved partly
off the left edge it writes 0 for the left; the resize window opens at 50, 50 and
gives back only its outer size, frame included. The fields are read from
snaprill.ini after the program has closed."""
import os
import re
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from desktop_session import DesktopSession, check, outcome, settings, wait_for  # noqa: E402

TITLE = "Resize the window and then close it to save settings"
DIMENSIONS_PAGE = 4  # its place in the Tabs menu
CROP = (100, 120, 300, 200)


def show_dimensions_page(session, wid):
    session.run(["xdotool", "windowfocus", "--sync", wid])
    session.run(["xdotool", "key", "--delay", "60", "alt+t", *["Down"] * DIMENSIONS_PAGE,
                 "Return"])
    time.sleep(0.5)


def area_window(session):
    found = session.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE],
                        check=False).stdout.split()
    return found[0] if found else None


def outer_geometry(session, wid):
    """(left, top, width, height) of the window with the frame openbox gives it."""
    x, y, width, height, _ = session.geometry(wid)
    extents = session.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"]).stdout
    numbers = [int(n) for n in re.findall(r"-?\d+", extents.partition("=")[2])]
    left, right, top, bottom = numbers if len(numbers) == 4 else (0, 0, 0, 0)
    return (x - left, y - top, width + left + right, height + top + bottom), (left, right, top,
                                                                              bottom)


def open_area(session, wid, link):
    session.run(["xdotool", "mousemove", "--window", wid, str(link[0]), str(link[1]), "click",
                 "1"])
    area = wait_for(lambda: area_window(session), 5, 0.05)
    # Placed, and fitted to its frame once openbox has framed it.
    time.sleep(0.8)
    return area


def close_area(session, area):
    session.run(["xdotool", "windowactivate", "--sync", area], check=False)
    session.run(["xdotool", "key", "alt+F4"])
    return wait_for(lambda: not area_window(session), 5, 0.05)


def start_on_dimensions_page(session, crop, more_settings=""):
    """The program under openbox with that crop rectangle, on the Dimensions &
    Effects page: its window and the two Choose Area links (None when not found)."""
    with open(os.path.join(session.home, "snaprill.ini"), "w") as ini:
        ini.write("[DimAndEffects]\nCropLeft=%d\nCropTop=%d\nCropWidth=%d\nCropHeight=%d\n"
                  % crop + more_settings)
    session.start_window_manager()
    session.start_program()
    wid = session.window_id()
    time.sleep(0.5)
    show_dimensions_page(session, wid)
    # The only links below the tabs: crop on the left, resize on the right.
    links = session.link_points(wid)
    if not check(len(links) == 2, "expected two Choose Area links, found %r" % links):
        return wid, None
    return wid, links


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        wid, links = start_on_dimensions_page(session, CROP,
                                              "ResizeWidth=320\nResizeHeight=240\n")
        if not links:
            return outcome("")

        # Untouched: the frame at the crop rectangle, and nothing changes.
        area = open_area(session, wid, links[0])
        if check(area, "the crop link opened no window"):
            outer, frame = outer_geometry(session, area)
            check(outer == CROP, "crop window at %r (frame %r), not %r" % (outer, frame, CROP))
            check(any(frame), "openbox gave the area window no frame")
            check(close_area(session, area), "the crop window did not close")

        # Moved partly off the left edge: the left becomes 0, the rest comes back.
        area = open_area(session, wid, links[0])
        moved = None
        if check(area, "the crop link opened no window the second time"):
            session.run(["xdotool", "windowmove", "--sync", area, "-30", "150"], check=False)
            time.sleep(0.5)
            moved, _ = outer_geometry(session, area)
            check(moved[0] < 0, "the window could not be moved off the left edge: %r" % (moved,))
            check(close_area(session, area), "the moved crop window did not close")

        # The resize window: at 50, 50 whatever came before; only its size comes back.
        area = open_area(session, wid, links[1])
        resized = None
        if check(area, "the resize link opened no window"):
            outer, frame = outer_geometry(session, area)
            check(outer == (50, 50, 320, 240), "resize window at %r, not 50, 50, 320 x 240"
                  % (outer,))
            session.run(["xdotool", "windowsize", "--sync", area, "350", "260"], check=False)
            session.run(["xdotool", "windowmove", "--sync", area, "400", "300"], check=False)
            time.sleep(0.5)
            resized, frame = outer_geometry(session, area)
            check(resized[2] == 350 + frame[0] + frame[1],
                  "resize window: outer width %d is not 350 and its frame %r"
                  % (resized[2], frame))
            check(close_area(session, area), "the resize window did not close")

        check(session.stop_program() == 0, "the program did not end cleanly")
        values = settings(session)
        crop = tuple(int(values.get("DimAndEffects/" + key, "-1"))
                     for key in ("CropLeft", "CropTop", "CropWidth", "CropHeight"))
        if moved:
            check(crop == (0, moved[1], CROP[2], CROP[3]),
                  "after the move the crop fields are %r, moved window %r" % (crop, moved))
        if resized:
            size = (int(values.get("DimAndEffects/ResizeWidth", "-1")),
                    int(values.get("DimAndEffects/ResizeHeight", "-1")))
            check(size == resized[2:], "resize fields %r, window %r" % (size, resized))
    return outcome("the area chooser places, moves and writes back with its frame")


if __name__ == "__main__":
    sys.exit(main())
