#!/usr/bin/python3
"""The area chooser at 200 % (QT_SCALE_FACTOR=2 on a 2560 x 1600 screen), where the
window stands in logical pixels but the crop fields count the screen's own, as the
captures do: the crop window of an 800 x 400 area at 400, 300 opens with its frame
at 400, 300 in the X server's pixels (its size can miss by a pixel beside a frame of
odd width: Qt keeps the window's own area at whole logical pixels); moved by the
window manager to 600, 500 and sized, it writes back the pixels the server reports,
frame included."""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from desktop_session import DesktopSession, check, outcome, settings  # noqa: E402
from test_area_chooser import (close_area, open_area, outer_geometry,  # noqa: E402
                               start_on_dimensions_page)

CROP = (400, 300, 800, 400)


def crop_fields(session):
    values = settings(session)
    return tuple(int(values.get("DimAndEffects/" + key, "-1"))
                 for key in ("CropLeft", "CropTop", "CropWidth", "CropHeight"))


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"], screen="2560x1600x24") as session:
        session.env["QT_SCALE_FACTOR"] = "2"
        wid, links = start_on_dimensions_page(session, CROP)
        if not links:
            return outcome("")

        area = open_area(session, wid, links[0])
        if check(area, "the crop link opened no window"):
            outer, frame = outer_geometry(session, area)
            check(outer[:2] == CROP[:2] and abs(outer[2] - CROP[2]) <= 1
                  and abs(outer[3] - CROP[3]) <= 1,
                  "at 200 %% the crop window stands at %r (frame %r), not %r"
                  % (outer, frame, CROP))
            check(close_area(session, area), "the crop window did not close")

        area = open_area(session, wid, links[0])
        moved = None
        if check(area, "the crop link opened no window the second time"):
            session.run(["xdotool", "windowsize", "--sync", area, "700", "350"], check=False)
            session.run(["xdotool", "windowmove", "--sync", area, "600", "500"], check=False)
            time.sleep(0.5)
            moved, _ = outer_geometry(session, area)
            check(close_area(session, area), "the moved crop window did not close")

        check(session.stop_program() == 0, "the program did not end cleanly")
        fields = crop_fields(session)
        if moved:
            check(fields == moved, "after the move the crop fields are %r, the window stood at %r"
                  % (fields, moved))
    return outcome("at 200 % the area chooser opens and writes back in the screen's pixels")


if __name__ == "__main__":
    sys.exit(main())
