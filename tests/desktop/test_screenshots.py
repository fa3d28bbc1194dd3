#!/usr/bin/python3
"""Every page of the main window on a real X server at 100 % and 200 % scaling, on a
light theme and on a dark one (qt6ct's "darker" colours), each brought forward
through the Tabs menu: the pages differ from each other, and the window fits a
small screen (1024 x 768 at 100 %); with them the type picker and the area
chooser and the History window with a few captures found. Then, at 100 % under openbox, the other windows the main window opens:
the about box and the directory chooser. With SNAPRILL_SCREENSHOTS=1
the pictures are written to docs/screenshots/ (8-bit palette PNGs), as the README
shows them; otherwise to a temporary folder that goes with the session."""
import os
import subprocess
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
# The image-type panel at 100 %.
TYPE_PANEL = (170, 97)
AREA_TITLE = "Resize the window and then close it to save settings"
THEMES = ("light", "dark")


def use_dark_theme(session):
    """qt6ct as the platform theme, with the darker colour scheme it ships."""
    config = os.path.join(session.home, "xdg")
    os.makedirs(os.path.join(config, "qt6ct"))
    with open(os.path.join(config, "qt6ct", "qt6ct.conf"), "w") as conf:
        conf.write("[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\n"
                   "custom_palette=true\nstyle=Fusion\n"
                   # The light run's font, so that both themes lay out alike.
                   "[Fonts]\ngeneral=\"Sans Serif,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"\n"
                   "fixed=\"Monospace,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"\n")
    session.env["XDG_CONFIG_HOME"] = config
    session.env["QT_QPA_PLATFORMTHEME"] = "qt6ct"


def picture_name(base, scale, theme):
    return "%s-%d%s.png" % (base, scale * 100, "-dark" if theme == "dark" else "")


def shoot(session, wid, path, crop=None):
    """The window, or the screen's rectangle crop = (x, y, width, height)."""
    raw = path + ".raw.png"
    if crop:
        session.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d"
                     % (crop[2], crop[3], crop[0], crop[1]), "+repage", raw])
    else:
        session.run(["import", "-window", wid, raw])
    with Image.open(raw) as picture:
        # A palette of 128 colours keeps the text's smoothing and the files small.
        picture.convert("RGB").quantize(colors=128, dither=Image.Dither.NONE).save(
            path, optimize=True)
    os.unlink(raw)
    with Image.open(path) as picture:
        return picture.size, picture.convert("RGB").tobytes()


def captures_with_words(session):
    """Four earlier screenshots in the output folder, indexed with their words."""
    from PIL import ImageDraw, ImageFont
    font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 22)
    lines = ["Invoice 4711 is overdue", "Payment reminder: invoice 4711",
             "Build failed: invoice.cpp line 42", "Meeting notes, no invoice"]
    for number, line in enumerate(lines, 1):
        picture = Image.new("RGB", (640, 400), (236, 236, 236))
        draw = ImageDraw.Draw(picture)
        draw.rectangle([0, 0, 640, 40], fill=(48, 92, 160))
        draw.text((30, 160), line, font=font, fill=(20, 20, 20))
        path = os.path.join(session.home, "snp%d.png" % number)
        picture.save(path)
        os.utime(path, (1772870400 + number * 3600,) * 2)
    subprocess.run([os.environ["SNAPRILL_BATCH"], "--index", session.home], env=session.env,
                   capture_output=True, timeout=300)


def show_page(session, wid, index):
    session.run(["xdotool", "windowfocus", "--sync", wid])
    session.run(["xdotool", "key", "--delay", "60", "alt+t", *["Down"] * index, "Return"])


def run(scale, theme, folder, light_links):
    with DesktopSession(os.environ["SNAPRILL_APP"], screen="2560x1600x24") as session:
        session.env["QT_SCALE_FACTOR"] = str(scale)
        if theme == "dark":
            use_dark_theme(session)
        session.start_window_manager()
        captures_with_words(session)
        session.start_program()
        wid = session.window_id()
        time.sleep(0.5)  # the first paint
        target = folder or session.home
        shots = []
        for index, name in enumerate(PAGES):
            show_page(session, wid, index)
            time.sleep(0.4)
            shots.append(shoot(session, wid,
                               os.path.join(target, picture_name(name, scale, theme))))
        size = shots[0][0]
        limit = (SMALL_SCREEN[0] * scale, SMALL_SCREEN[1] * scale)
        check(size[0] <= limit[0] and size[1] <= limit[1],
              "%d %%: the window is %r, more than a %r screen" % (scale * 100, size, limit))
        check(all(shot[0] == size for shot in shots),
              "%d %%: the window changes size between pages: %r"
              % (scale * 100, [shot[0] for shot in shots]))
        check(len({shot[1] for shot in shots}) == len(PAGES),
              "%d %%: the Tabs menu did not bring every page forward" % (scale * 100))

        # The type picker, unrolled over the window; the screen shows both.
        show_page(session, wid, 0)
        time.sleep(0.3)
        session.run(["xdotool", "mousemove", "--window", wid, str(TYPE_PANEL[0] * scale),
                     str(TYPE_PANEL[1] * scale), "click", "1"])
        time.sleep(0.8)
        x, y, width, height, _ = session.geometry(wid)
        shoot(session, wid, os.path.join(target, picture_name("type-picker", scale, theme)),
              (x, y, width, height))
        session.run(["xdotool", "key", "Escape"])
        time.sleep(0.5)

        # The area chooser of the crop group, the first link on its page (found by
        # its colour on the light theme; the dark theme's links are elsewhere in
        # colour but in the same place).
        show_page(session, wid, PAGES.index("dimensions-effects"))
        time.sleep(0.4)
        links = session.link_points(wid) if theme == "light" else light_links.get(scale)
        if check(links, "%d %% %s: no Choose Area link found" % (scale * 100, theme)):
            light_links[scale] = links
            session.run(["xdotool", "mousemove", "--window", wid, str(links[0][0]),
                         str(links[0][1]), "click", "1"])
            area = shoot_dialog(session, AREA_TITLE,
                                os.path.join(target, picture_name("area-chooser", scale, theme)),
                                1)
            if area:
                close_with(session, area, "alt+F4")

        # The History window (Ctrl+F), its search found in the pictures' words.
        session.run(["xdotool", "windowactivate", "--sync", wid], check=False)
        session.run(["xdotool", "key", "ctrl+f"])
        history = find_window(session, "Capture History")
        if check(history, "%d %% %s: Ctrl+F showed no History window" % (scale * 100, theme)):
            session.run(["xdotool", "windowactivate", "--sync", history], check=False)
            session.run(["xdotool", "type", "--delay", "40", "invoice"])
            session.run(["xdotool", "key", "Return"])
            time.sleep(1.5)  # the thumbnails
            shoot(session, history, os.path.join(target, picture_name("history", scale, theme)))
            close_with(session, history, "Escape")
        session.stop_program()


def find_window(session, title):
    def shown():
        found = session.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                            check=False).stdout.split()
        return found[0] if found else None
    return wait_for(shown, 20, 0.05)


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

        # The about box, its credits whole.
        session.run(["xdotool", "windowfocus", "--sync", wid])
        session.run(["xdotool", "key", "--delay", "80", "alt+h", "Return"])
        box = shoot_dialog(session, "Info", os.path.join(target, "about-box-100.png"))
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

        session.stop_program()


def main():
    folder = None
    if os.environ.get("SNAPRILL_SCREENSHOTS") == "1":
        folder = os.path.join(HERE, "..", "..", "docs", "screenshots")
        os.makedirs(folder, exist_ok=True)
    light_links = {}
    for theme in THEMES:
        for scale in (1, 2):
            run(scale, theme, folder, light_links)
    run_windows(folder)
    return outcome("every page, the type picker, the area chooser and the History window "
                   "shown at 100 % and "
                   "200 %, light and dark, and the windows the main window opens" +
                   (", pictures in docs/screenshots" if folder else ""))


if __name__ == "__main__":
    sys.exit(main())
