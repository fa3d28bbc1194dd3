#!/usr/bin/python3
"""Hotkeys, Print Screen and the automation on a real X server with a window manager
(openbox), keys pressed with xdotool as a user would:
- F12 (Simulate Print Screen) gives one file of the screen's size showing the
  picture painted on the root window; an auto-save hotkey whose options file asks
  for PNG gives the screen pixel for pixel as PNG, and the next F12 a JPEG again;
- F11 (Capture Active Window) with a known window active gives a picture of that
  window's outer size, frame included;
- Print alone gives one file; F12 held for 2 s gives exactly one;
- with a window active, a screen key held with Alt (Alt+F6), and an auto-save key
  with Alt, still give the whole screen, the active-window key held with Ctrl+Shift
  the window, and Print pressed after them the screen (no modifier left down);
- the automation every 200 ms, stopping after 3, gives exactly three files;
- while the capture cycle is paused, another program reads the screen that Print
  put on the clipboard as a valid PNG."""
import io
import os
import re
import subprocess
import sys
import time

from PIL import Image, ImageChops, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402

SCREEN = (1280, 1024)
F6, F7, F8, F11, F12 = 117, 118, 119, 122, 123
SHIFT, CTRL, ALT = 0x2000, 0x4000, 0x8000  # a hotkey value's modifier bits
NAVY = (0, 0, 128)  # the automation link's colour


def pattern(path):
    """Flat blocks of distinct colours: exact for PNG, close for JPEG."""
    picture = Image.new("RGB", SCREEN)
    draw = ImageDraw.Draw(picture)
    for i in range(8):
        for j in range(8):
            colour = ((i * 37 + 20) % 256, (j * 53 + 10) % 256, ((i + j) * 29 + 5) % 256)
            draw.rectangle([i * 160, j * 128, i * 160 + 159, j * 128 + 127], fill=colour)
    picture.save(path)
    return picture


def screen(session):
    shot = subprocess.run(["import", "-window", "root", "png:-"], env=session.env,
                          capture_output=True, timeout=10, check=True).stdout
    return Image.open(io.BytesIO(shot)).convert("RGB")


def settled_screen(session, timeout=5):
    """The screen once two pictures taken 0.2 s apart agree: after a change of size the
    windows repaint late on a loaded machine, and a picture taken meanwhile is no
    reference for what the program copies a moment later."""
    last = screen(session)
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        time.sleep(0.2)
        now = screen(session)
        if ImageChops.difference(now, last).getbbox() is None:
            return now
        last = now
    return last


def start_openbox(session):
    # Its stock configuration binds Print to scrot, as desktops bind it to their own
    # screenshot tools; here Snaprill alone copies the screen.
    with open("/etc/xdg/openbox/rc.xml") as f:
        config = re.sub(r'<keybind key="(A-)?Print">.*?</keybind>', "", f.read(), flags=re.S)
    config_file = os.path.join(session.home, "openbox.xml")
    with open(config_file, "w") as f:
        f.write(config)
    wm = subprocess.Popen(["openbox", "--config-file", config_file], env=session.env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.helpers.append(wm)
    managed = wait_for(lambda: "window id" in session.run(
        ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False).stdout, 10, 0.05)
    if not managed:
        sys.exit("openbox did not start")


def write_settings(session, text):
    with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
        f.write(text)


def key(session, *keys):
    session.run(["xdotool", "key", *keys])


def main_window(session):
    """The program's main window (Qt also names a small unmapped window of its own)."""
    found = session.run(["xdotool", "search", "--onlyvisible", "--name", "^Snaprill"],
                        check=False).stdout.split()
    return found[0] if found else None


def title(session):
    window = main_window(session)
    return session.run(["xdotool", "getwindowname", window]).stdout.strip() if window else None


def activate_main_window(session):
    """Brings the main window forward once it shows: a slow machine (a sanitizer
    build under load) may take seconds to map it after the start."""
    window = wait_for(lambda: main_window(session), 20, 0.1)
    if window:
        session.run(["xdotool", "windowactivate", "--sync", window], check=False)
    return window


def press_in_file_menu(session, item):
    activate_main_window(session)
    session.run(["xdotool", "key", "--delay", "50", "alt+f", item])


def new_file(session, before, timeout=3.0):
    """The one file written since `before` (None, and a failed check, otherwise)."""
    wait_for(lambda: len(outputs(session)) > len(before), timeout)
    time.sleep(0.3)  # time for a second, wrong file to show
    added = [n for n in outputs(session) if n not in before]
    if not check(len(added) == 1, "expected one new file, got %r" % added):
        return None
    return added[0]


def picture(session, name):
    with Image.open(os.path.join(session.home, name)) as p:
        return p.format, p.convert("RGB")


def mean_difference(a, b):
    histogram = ImageChops.difference(a, b).convert("L").histogram()
    return sum(i * n for i, n in enumerate(histogram)) / (a.size[0] * a.size[1])


def outer_size(session, window):
    """A window's size with the frame the window manager draws around it."""
    info = session.run(["xwininfo", "-id", window]).stdout
    fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
    width, height = int(fields["Width"]), int(fields["Height"])
    border = int(fields["Border width"])
    extents = session.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"]).stdout
    left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")]
    return width + 2 * border + left + right, height + 2 * border + top + bottom


def known_window(session):
    """An xmessage window, and whether it became the active one."""
    xmessage = subprocess.Popen(["xmessage", "-center", "A known window"], env=session.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.helpers.append(xmessage)
    active = wait_for(lambda: "xmessage" in session.run(
        ["xdotool", "getactivewindow", "getwindowname"], check=False).stdout, 5)
    return xmessage, active


def hotkey_checks(app):
    with DesktopSession(app) as session:
        options_file = os.path.join(session.home, "png.snp")
        with open(options_file, "w") as f:
            f.write("[Snaprill]\nImageType=1\n")
        write_settings(session, "[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\n"
                                "AutoSave1=1\nHotKey1=%d\nOptions1=%s\n" % (F6, options_file))
        start_openbox(session)
        root = pattern(os.path.join(session.home, "root.png"))
        session.run(["display", "-window", "root", os.path.join(session.home, "root.png")],
                    check=False)
        session.start_program()
        # Out of the way, so that the screen is the root window's picture alone.
        press_in_file_menu(session, "w")
        check(wait_for(lambda: main_window(session) is None, 3), "the window did not hide")
        # `display` may still be drawing on a busy machine.
        check(wait_for(lambda: mean_difference(screen(session), root) == 0, 10, 0.3),
              "the root window shows no pattern")

        # F12: the whole screen, as JPEG.
        key(session, "F12")
        name = new_file(session, [])
        if name:
            kind, got = picture(session, name)
            check((kind, got.size) == ("JPEG", SCREEN), "F12 gave %s %r" % (kind, got.size))
            check(mean_difference(got, root) < 2.0, "F12's picture is not the screen (mean"
                  " difference %.2f)" % mean_difference(got, root))

        # The auto-save hotkey with its PNG options file: the screen, pixel for pixel.
        before = outputs(session)
        key(session, "F6")
        name = new_file(session, before)
        if name:
            kind, got = picture(session, name)
            check(kind == "PNG" and got.size == SCREEN, "F6 gave %s %r" % (kind, got.size))
            check(got.size == SCREEN and ImageChops.difference(got, root).getbbox() is None,
                  "F6's PNG differs from the screen in %r"
                  % (ImageChops.difference(got, root).getbbox(),))
        before = outputs(session)
        key(session, "F12")
        name = new_file(session, before)
        check(name is not None and name.endswith(".jpg"), "after the auto-save F12 gave %r" % name)

        # F11: the active window with its frame.
        xmessage, active = known_window(session)
        if check(active, "xmessage did not become the active window"):
            window = session.run(["xdotool", "getactivewindow"]).stdout.strip()
            expected = outer_size(session, window)
            shot = screen(session)
            before = outputs(session)
            key(session, "F11")
            name = new_file(session, before)
            if name:
                _, got = picture(session, name)
                check(got.size == expected, "F11 gave %r, the framed window is %r"
                      % (got.size, expected))
                frame = shot.crop(ImageChops.difference(shot, root).getbbox())
                check(got.size == frame.size and mean_difference(got, frame) < 3.0,
                      "F11's picture is not the framed window")
        xmessage.kill()

        # Print alone.
        before = outputs(session)
        key(session, "Print")
        new_file(session, before)

        # Held for two seconds: one file.
        before = outputs(session)
        session.run(["xdotool", "keydown", "F12"])
        time.sleep(2.0)
        session.run(["xdotool", "keyup", "F12"])
        new_file(session, before)

        status = session.stop_program()
        check(status == 0, "exit status %r" % status)


def held(session, *keys):
    """Keys pressed in order, held as a user holds a shortcut, released in reverse."""
    session.run(["xdotool", "keydown", *keys])
    time.sleep(0.3)
    session.run(["xdotool", "keyup", *reversed(keys)])


def held_modifier_checks(app):
    with DesktopSession(app) as session:
        write_settings(session, "[General]\nSimPrntScrn=1\nPrntScrnHotKey=%d\n"
                                "SimAltPrntScrn=1\nAltPrntScrnHotKey=%d\n"
                                "AutoSave1=1\nHotKey1=%d\n"
                       % (ALT | F6, CTRL | SHIFT | F7, ALT | F8))
        start_openbox(session)
        session.start_program()
        xmessage, active = known_window(session)
        if not check(active, "xmessage did not become the active window"):
            return
        window = outer_size(session, session.run(["xdotool", "getactivewindow"]).stdout.strip())
        for keys, expected, what in [(("alt", "F6"), SCREEN, "the screen key Alt+F6"),
                                     (("ctrl", "shift", "F7"), window,
                                      "the active-window key Ctrl+Shift+F7"),
                                     (("alt", "F8"), SCREEN, "the auto-save key Alt+F8"),
                                     (("Print",), SCREEN, "Print after them")]:
            before = outputs(session)
            held(session, *keys)
            name = new_file(session, before)
            if name:
                _, got = picture(session, name)
                check(got.size == expected, "%s gave %r, not %r" % (what, got.size, expected))
        status = session.stop_program()
        check(status == 0, "exit status %r" % status)


def find_colour(image, colour):
    """Centre of the pixels of exactly this colour, or None."""
    mask = Image.new("L", image.size)
    mask.putdata([255 if p == colour else 0 for p in image.getdata()])
    box = mask.getbbox()
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2) if box else None


def automation_checks(app):
    with DesktopSession(app) as session:
        write_settings(session, "[Snaprill]\nAdvanced=1\n[Automation]\nTimeCount=200\n"
                                "TimeUnits=0\nStopAfter=1\nStopImages=3\n")
        start_openbox(session)
        session.start_program()
        if not check(activate_main_window(session), "the main window did not show"):
            return
        # The Automation page, sixth in the Tabs menu.
        session.run(["xdotool", "key", "--delay", "80", "alt+t", "Down", "Down", "Down", "Down",
                     "Down", "Return"])
        link = wait_for(lambda: find_colour(screen(session), NAVY), 3, 0.2)
        if not check(link, "the Start link is not on the screen"):
            return
        session.run(["xdotool", "mousemove", str(link[0]), str(link[1]), "click", "1"])
        wait_for(lambda: len(outputs(session)) >= 3, 5)
        time.sleep(1.0)  # a fourth press would have come 200 ms after the third
        check(len(outputs(session)) == 3, "automation: files %r" % outputs(session))

        # Paused, Print still copies the screen; another program reads it whole.
        press_in_file_menu(session, "p")
        if check(wait_for(lambda: title(session) == "Snaprill - Paused", 3),
                 "pause: title is %r" % title(session)):
            key(session, "Print")
            check(wait_for(lambda: "image/png" in session.targets(), 2),
                  "Print offered no PNG: %r" % session.targets())
            png = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", "image/png"],
                                 env=session.env, capture_output=True, timeout=10).stdout
            try:
                with Image.open(io.BytesIO(png)) as offered:
                    offered.load()
                    check(offered.size == SCREEN, "the offered picture is %r" % (offered.size,))
            except OSError as e:
                check(False, "the offered PNG cannot be read: %s" % e)
            check(len(outputs(session)) == 3, "a picture was saved while paused")
        status = session.stop_program()
        check(status == 0, "exit status %r" % status)


def main():
    app = os.environ["SNAPRILL_APP"]
    hotkey_checks(app)
    held_modifier_checks(app)
    automation_checks(app)
    return outcome("all hotkey and automation checks passed")


if __name__ == "__main__":
    sys.exit(main())
