#!/usr/bin/python3
"""The checks of test_wayland_capture.py, run inside one compositor's session as its
user: snaprill on Xwayland takes its pictures through the compositor (screencopy
under sway, KWin's ScreenShot2 under KWin), pressed through its hotkeys (xdotool
reaches Xwayland whatever has the Wayland focus), the Print key, --capture and its
automation; "Print Screen copies the screen" offers them on the clipboard too.

usage: capture_checks.py COMPOSITOR BIN HOME PICTURE
  The verdict is also written to HOME/../verdict."""
import io
import json
import os
import subprocess
import sys
import time
import traceback

from PIL import Image, ImageChops, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import FAILURES, check, outcome, wait_for  # noqa: E402
from wayland_checks import Program, outputs, types  # noqa: E402  (the same arguments)

COMPOSITOR, BIN, HOME = sys.argv[1:4]  # and the clipboard checks' picture, unused
SCREEN = (1280, 800)
# No platform chosen, as a user starts it: Qt's Wayland plugin is installed, and
# Snaprill must still run on Xwayland.
ENV = {k: v for k, v in dict(os.environ, SNAPRILL_HOME=HOME).items() if k != "QT_QPA_PLATFORM"}
NAVY = (0, 0, 128)  # the automation link's colour
F11, F12 = 122, 123


def run(command, **kwargs):
    return subprocess.run(command, env=ENV, capture_output=True, timeout=20, **kwargs)


def new_file(before, timeout=5):
    wait_for(lambda: len(outputs()) > len(before), timeout, 0.02)
    time.sleep(0.5)  # time for a wrong, second file to show
    added = [n for n in outputs() if n not in before]
    if not check(len(added) == 1, "one new file expected, written: %r" % added):
        return None
    with Image.open(os.path.join(HOME, added[0])) as saved:
        return saved.convert("RGB")


def grim():
    return Image.open(io.BytesIO(run(["grim", "-t", "png", "-"]).stdout)).convert("RGB")


def differing_share(a, b, tolerance=0):
    """The share of pixels that differ between two pictures of one size by more
    than `tolerance` levels."""
    mask = ImageChops.difference(a, b).convert("L").point(lambda v: 255 if v > tolerance else 0)
    return mask.histogram()[255] / (a.size[0] * a.size[1])


def same_screen(got, references, what, size=SCREEN, tolerance=0):
    """Equal, or nearly (a caret may blink), to one of the screens grim saw around it."""
    if not check(got is not None and got.size == size,
                 "%s: %r, not the size %r" % (what, got and got.size, size)):
        return
    share = min(differing_share(got, reference, tolerance) for reference in references)
    check(share < 0.002, "%s differs from grim's picture in %.2f%% of the pixels"
          % (what, 100 * share))


def expect_screen(act, what, result=None):
    """Runs `act`; what it made (the new file, or `result()`) must be the screen:
    under sway grim's picture just before or after it, elsewhere the screen's size.
    Returns it."""
    before = outputs()
    first = grim() if COMPOSITOR == "sway" else None
    act()
    got = result() if result else new_file(before)
    if COMPOSITOR == "sway":
        same_screen(got, [first, grim()], what)
    else:
        check(got is not None and got.size == SCREEN, "%s gave %r" % (what, got and got.size))
    return got


def find_focused():
    def find(node):
        if node.get("focused"):
            return node
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            found = find(child)
            if found:
                return found
        return None
    return find(json.loads(run(["swaymsg", "-t", "get_tree"]).stdout))


def sway_focused_rect():
    node = find_focused()
    return node and (node.get("name"), (node["rect"]["width"], node["rect"]["height"]))


def sway(*command):
    return run(["swaymsg"] + list(command))


def sway_outputs():
    return {o["name"]: o for o in json.loads(sway("-t", "get_outputs").stdout)}


def one_shot(kind):
    """The file `snaprill --capture=KIND` writes with no Snaprill running."""
    before = outputs()
    done = run([os.path.join(BIN, "snaprill"), "--capture=" + kind])
    check(done.returncode == 0, "--capture=%s: exit %d, %r" % (kind, done.returncode, done.stderr))
    return new_file(before, timeout=5)


def layout_checks():
    """Scaled, turned and several outputs: the screen as grim composes it (upright,
    every output at its place, at the finest scale), and the focused window's
    part of it, which sway gives in logical units, at that output's scale."""
    with open(os.path.join(HOME, "snaprill.ini"), "w") as ini:
        ini.write("[Snaprill]\nImageType=1\n")  # PNG: the pixels as taken
    shown = os.path.join(HOME, "..", "shown.png")
    # Something whose turn, mirror image and place can be seen.
    picture = Image.new("RGB", (240, 160), (20, 20, 160))
    draw = ImageDraw.Draw(picture)
    draw.rectangle([0, 0, 59, 39], fill=(240, 30, 30))
    draw.polygon([(120, 20), (220, 20), (220, 140)], fill=(250, 230, 0))
    picture.save(shown)
    gtk = subprocess.Popen(["/usr/bin/python3", os.path.join(BIN, "gtk_client.py"),
                            "--show", shown, "--seconds", "60"], env=ENV,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not check(wait_for(lambda: (sway_focused_rect() or (None,))[0] == "wayland-client",
                              5), "the GTK window did not take the focus"):
            return
        first = sorted(sway_outputs())[0]
        for what, setting, scale in (("a scaled output", "scale 2", 2),
                                     ("a turned output", "transform 90", 1),
                                     ("a mirrored, turned output", "transform flipped-270", 1)):
            sway("output", first, *setting.split())
            time.sleep(0.5)  # the output redrawn
            layout_check(what, scale)
            sway("output", first, "scale", "1", "transform", "normal")
        time.sleep(0.3)
        check(grim().size == SCREEN, "the output was not put back: %r" % (grim().size,))
        # A second output beside the first, lower, scaled, with the window on it. Sway
        # 1.7 cannot disable a headless output again (the commit fails): this comes
        # last in the session.
        known = set(sway_outputs())
        sway("create_output")
        second = next(n for n in sway_outputs() if n not in known)
        sway("output", second, "position", "1280", "200", "scale", "2")
        sway("[title=wayland-client]", "move", "container", "to", "output", second)
        sway("[title=wayland-client]", "focus")
        time.sleep(0.5)
        layout_check("two outputs", 2)
    finally:
        gtk.kill()


def layout_check(what, scale):
    """The screen and the focused window, each against grim's picture; the window
    as big as sway says, in the pixels of its output's scale."""
    # grim smooths an output it enlarges to a finer neighbour's scale: a level off.
    first = grim()
    got = one_shot("screen")
    same_screen(got, [first, grim()], "the screen with " + what, first.size, tolerance=2)
    node = find_focused()
    if not check(node and node.get("name") == "wayland-client",
                 "%s: the GTK window lost the focus" % what):
        return
    rect = node["rect"]
    region = "%d,%d %dx%d" % (rect["x"], rect["y"], rect["width"], rect["height"])
    expected = Image.open(io.BytesIO(run(["grim", "-g", region, "-t", "png", "-"]).stdout))
    got = one_shot("window")
    same_screen(got, [expected.convert("RGB")], "the window on " + what,
                (rect["width"] * scale, rect["height"] * scale))


def press(key):
    run(["xdotool", "key", key])


def focused_gtk_window():
    """A native GTK window with the focus: its process, and under sway the size sway
    gives it (None elsewhere, or when it did not take the focus)."""
    gtk = subprocess.Popen(["/usr/bin/python3", os.path.join(BIN, "gtk_client.py"),
                            "--seconds", "8"], env=ENV, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    if COMPOSITOR != "sway":
        time.sleep(2)
        return gtk, None
    focused = wait_for(lambda: (sway_focused_rect() or (None,))[0] == "wayland-client", 5)
    check(focused, "the GTK window did not take the focus: %r" % (sway_focused_rect(),))
    return gtk, focused and sway_focused_rect()[1]


def is_window(got, expected, what):
    """Under sway exactly the focused window's size; elsewhere a window's."""
    if COMPOSITOR == "sway":
        # Sway may frame a new window with its title bar a moment after it has the
        # focus (sway 1.12 does): the size it gives the window now counts too.
        now = sway_focused_rect()
        if got is not None and now and got.size == now[1]:
            expected = now[1]
        check(got is not None and got.size == expected,
              "%s gave %r, the focused window is %r" % (what, got and got.size, expected))
    else:
        check(got is not None and got.size < SCREEN and got.size[0] >= 200,
              "%s gave %r, not a window" % (what, got and got.size,))


def capture_command(target, what):
    done = run([os.path.join(BIN, "snaprill"), "--capture=" + target])
    check(done.returncode == 0, "%s: exit %d, %r" % (what, done.returncode, done.stderr))


def hotkey_checks():
    program = Program("ImageType=1\n[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\n")
    time.sleep(1.5)  # the window drawn and settled

    # The screen key: the whole screen, as the compositor shows it.
    got = expect_screen(lambda: press("F12"), "F12")
    if COMPOSITOR != "sway":
        check(got is not None and len(got.getcolors(1 << 16) or "x") > 1, "F12 gave one colour")

    # The active-window key, then --capture=window, with a native GTK window
    # focused: that window.
    gtk, expected = focused_gtk_window()
    if expected or COMPOSITOR != "sway":
        for what in ("F11", "--capture=window with a running Snaprill"):
            before = outputs()
            if what == "F11":
                press("F11")
            else:
                capture_command("window", what)
            is_window(new_file(before), expected, what)
    gtk.kill()

    # snaprill --capture=screen, bound to a key in the desktop's settings: handed to
    # the running program, then, with none running, saved by the command itself.
    for running in (True, False):
        if not running:
            check(program.stop() == 0, "SIGTERM: no clean exit")
        time.sleep(0.5)
        what = "--capture=screen with%s a running Snaprill" % ("" if running else "out")
        expect_screen(lambda: capture_command("screen", what), what)
    gtk, expected = focused_gtk_window()
    if expected or COMPOSITOR != "sway":
        before = outputs()
        capture_command("window", "--capture=window without a running Snaprill")
        is_window(new_file(before), expected, "--capture=window without a running Snaprill")
    gtk.kill()


def paste_picture():
    """The clipboard's picture as another program pastes it, or None."""
    try:
        pasted = run(["wl-paste", "--no-newline", "--type", "image/png"]).stdout
        return Image.open(io.BytesIO(pasted)).convert("RGB")
    except Exception:  # nothing, or no picture
        return None


def print_key_checks():
    """The user's own Print key, which Xwayland shows while Snaprill's window has
    the focus: one picture through the compositor, offered on the clipboard too and
    taken from there once, then emptied away. Paused, it stays there for other
    programs to paste, as the screen. With "Print Screen copies the screen" off,
    Print takes nothing and the hotkey's picture leaves the clipboard alone."""
    program = Program("ImageType=1\n[General]\nSimPrntScrn=1\n")
    time.sleep(1.5)
    expect_screen(lambda: press("Print"), "Print")
    check(wait_for(lambda: types() == [], 2), "after saving, the clipboard offers %r" % types())

    program.file_menu("p")
    if check(wait_for(lambda: program.title() == "Snaprill - Paused", 3),
             "pause: title %r" % program.title()):
        before = outputs()

        def press_while_paused():
            press("Print")
            check(wait_for(lambda: "image/png" in types(), 3),
                  "paused, Print offered %r" % types())

        expect_screen(press_while_paused, "the picture pasted after Print", paste_picture)
        program.file_menu("r")
        check(wait_for(lambda: types() == [], 3), "resuming left %r" % types())
        time.sleep(0.5)
        check(outputs() == before, "Print while paused wrote %r" % outputs())
    check(program.stop() == 0, "SIGTERM: no clean exit")

    # wl-copy stays to serve the text: no pipe of ours for it to hold open.
    subprocess.run(["wl-copy", "just some words"], env=ENV, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10)
    program = Program("ImageType=1\nPrintScreenCopies=0\n[General]\nSimPrntScrn=1\n")
    time.sleep(1.5)
    before = outputs()
    press("Print")
    time.sleep(1)
    check(outputs() == before, "Print, not wanted, wrote %r" % outputs())
    press("F12")
    check(new_file(before) is not None, "F12 wrote nothing")
    check(any(t.startswith("text/plain") for t in types()),
          "F12 changed the clipboard: %r" % types())
    check(program.stop() == 0, "SIGTERM: no clean exit")


# The portal in a session bus of its own, with the backends sway uses: wlr for the
# picture (it runs grim), gtk for the Access interface that xdg-desktop-portal 1.16
# wants before it offers Screenshot at all.
PORTAL_SESSION = """
export XDG_CURRENT_DESKTOP=sway
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \\
    org.freedesktop.DBus.NameHasOwner string:$1 2>/dev/null | grep -q true
}
pipewire >/dev/null 2>&1 &
# The wlr backend gives up at once when PipeWire is not there yet; a loaded machine
# (a sanitizer build beside the compositor) takes seconds for each of these steps.
for i in $(seq 150); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.2; done
/usr/libexec/xdg-desktop-portal-wlr >/dev/null 2>&1 &
/usr/libexec/xdg-desktop-portal-gtk >/dev/null 2>&1 &
# The front end asks its backends once, at its start: they must be there by then.
for i in $(seq 150); do
  owned org.freedesktop.impl.portal.desktop.wlr && owned org.freedesktop.impl.portal.desktop.gtk \\
    && break
  sleep 0.2
done
/usr/libexec/xdg-desktop-portal >/dev/null 2>&1 &
for i in $(seq 150); do owned org.freedesktop.portal.Desktop && break; sleep 0.2; done
"$0" "$1"
status=$?
kill $(jobs -p) 2>/dev/null
exit $status
"""


def portal_checks():
    """The portal's picture, as Snaprill takes it where nothing else answers: the
    screen, as grim sees it."""
    tool = os.path.join(BIN, "portal_screenshot_tool")
    if not os.path.exists(tool) or not os.path.exists("/usr/libexec/xdg-desktop-portal-wlr"):
        print("SKIP: the portal check (xdg-desktop-portal-wlr or the tool is missing)")
        return
    saved = os.path.join(HOME, "..", "portal.png")
    # Not a pipe: the services the bus starts would hold it open after the session.
    log = os.path.join(HOME, "..", "portal.log")
    with open(log, "wb") as output:
        done = subprocess.run(["dbus-run-session", "--", "sh", "-c", PORTAL_SESSION, tool, saved],
                              env=ENV, stdout=output, stderr=output, timeout=150)
    if not check(done.returncode == 0 and os.path.exists(saved), "the portal gave no picture"):
        with open(log, errors="replace") as output:
            print(output.read()[-6000:])
        return
    with Image.open(saved) as got:
        same_screen(got.convert("RGB"), [grim()], "the portal's picture")


def find_colour(image, colour):
    mask = Image.new("L", image.size)
    mask.putdata([255 if p == colour else 0 for p in image.getdata()])
    box = mask.getbbox()
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2) if box else None


def automation_checks():
    """One press of the automation, 1.5 s after Start: the screen, as grim sees it
    meanwhile (the link already shows Stop)."""
    program = Program("Advanced=1\nImageType=1\n[Automation]\nTimeCount=1500\n"
                      "TimeUnits=0\nStopAfter=1\nStopImages=1\n")
    run(["xdotool", "windowactivate", "--sync", program.window])
    run(["xdotool", "key", "--delay", "80", "alt+t", "Down", "Down", "Down", "Down", "Down",
         "Return"])
    link = wait_for(lambda: find_colour(grim(), NAVY), 5, 0.2)
    if check(link, "the Start link is not on the screen"):
        before = outputs()
        run(["xdotool", "mousemove", str(link[0]), str(link[1]), "click", "1"])
        time.sleep(0.6)
        references = [grim()]
        time.sleep(0.4)
        references.append(grim())
        same_screen(new_file(before, 5), references, "the automation's picture")
    check(program.stop() == 0, "SIGTERM: no clean exit")


if __name__ == "__main__":
    try:
        hotkey_checks()
        print_key_checks()
        if COMPOSITOR == "sway":  # grim finds the link and tells what the screen shows
            automation_checks()
            portal_checks()
            layout_checks()  # last: it leaves a second output behind
    except Exception:  # a check that broke down failed
        check(False, traceback.format_exc())
    finally:
        status = outcome("all capture checks passed under " + COMPOSITOR)
        with open(os.path.join(HOME, "..", "verdict"), "w") as verdict:
            verdict.write("%d\n" % len(FAILURES))
    sys.exit(status)
