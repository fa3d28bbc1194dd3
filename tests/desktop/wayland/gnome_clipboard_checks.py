#!/usr/bin/python3
"""Run inside a headless GNOME session (mutter_session.sh) by test_gnome_clipboard.py,
as the session's user, from the folder $W that holds the programs (bin/), the
pictures and these scripts. Snaprill runs on Xwayland, as it does under GNOME, and
the user copies with native Wayland programs (wl-copy, a GTK window)."""
import os
import signal
import subprocess
import sys
import time

from PIL import Image

W = os.environ["W"]
sys.path.insert(0, W)
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402

BIN = os.path.join(W, "bin")
PICTURES = {name: os.path.join(W, name + ".png") for name in ("red", "blue", "green", "grey")}


def arrived(name):
    """The listener's line for the picture `name` (one solid colour)."""
    with Image.open(PICTURES[name]) as picture:
        return "arrived %d %d %d" % picture.convert("RGB").getpixel((0, 0))


def sanitizer_options():
    """The sanitizers' options of the test run: the session starts with a clean
    environment."""
    options = {}
    with open(os.path.join(W, "sanitizer.env")) as lines:
        for line in lines:
            key, _, value = line.rstrip("\n").partition("=")
            if key:
                options[key] = value
    return options


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=20, **kwargs)


def copy(data=None, picture=None):
    """wl-copy of a text or of one of the pictures. It serves the copy from a process
    left in the background, which keeps the output it was given open: none here."""
    command = ["wl-copy"] + (["--type", "image/png"] if picture else [data])
    with open(PICTURES[picture] if picture else os.devnull, "rb") as source:
        subprocess.run(command, stdin=source, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=20)


def offered_types():
    result = run(["wl-paste", "--list-types"])
    return result.stdout.split() if result.returncode == 0 else []


def image_offered():
    return any(t.startswith("image/") for t in offered_types())


def gtk_client(*args):
    """A native GTK window that takes the focus (and copies, with --copy), until it
    quits."""
    run([sys.executable, os.path.join(W, "gtk_client.py"), *args])


def same_pixels(saved, name):
    with Image.open(saved) as a, Image.open(PICTURES[name]) as b:
        return a.convert("RGB").tobytes() == b.convert("RGB").tobytes()


def expect_files(session, count, what):
    time.sleep(1.0)  # time for a file too many to show
    names = outputs(session)
    check(len(names) == count, "%s: %d file(s) expected, found %r" % (what, count, names))
    return names


def saved_once(session, name, before, what):
    """The picture `name` became the one file written since `before`, and the
    clipboard holds no picture any more, on the Wayland side either."""
    wait_for(lambda: len(outputs(session)) > before, 5.0)
    names = expect_files(session, before + 1, what)
    if len(names) > before:
        check(same_pixels(os.path.join(session.home, names[before]), name),
              "%s: %s does not hold the %s picture" % (what, names[before], name))
    check(wait_for(lambda: not image_offered(), 2.0),
          "%s: the clipboard still offers %r" % (what, offered_types()))


def program_checks(session):
    # No platform chosen, as GNOME starts it: with Qt's Wayland plugin installed
    # Snaprill must still choose Xwayland, where the clipboard can be followed.
    session.env = dict(os.environ, SNAPRILL_HOME=session.home, **sanitizer_options())
    session.env.pop("QT_QPA_PLATFORM", None)
    with open(os.path.join(session.home, "snaprill.ini"), "w") as f:
        f.write("[Snaprill]\nImageType=1\n")  # PNG: pixels compared exactly
    session.start_program()

    # wl-copy of a PNG: one file with its pixels, and the clipboard emptied.
    copy(picture="red")
    saved_once(session, "red", 0, "wl-copy")

    # The focus goes to a native window and back: nothing new.
    gtk_client("--seconds", "1")
    wid = session.window_id()
    if check(wid, "focus back: the window is not found"):
        run(["xdotool", "windowactivate", wid])
    expect_files(session, 1, "focus away and back")

    # A native program copies while Snaprill has no focus, then quits: saved once,
    # not again when its picture outlives it in GNOME's clipboard manager.
    gtk_client("--copy", PICTURES["blue"], "--seconds", "2")
    saved_once(session, "blue", 1, "a GTK program's copy, the program quit after 2 s")

    # The same with a program that quits as soon as it has copied.
    gtk_client("--copy", PICTURES["green"], "--seconds", "0.5")
    saved_once(session, "green", 2, "a GTK program's copy, the program quit at once")

    # Text is left alone.
    copy("some copied words")
    expect_files(session, 3, "text copied")
    check(run(["wl-paste", "--no-newline"]).stdout == "some copied words",
          "text copied: the clipboard holds %r" % run(["wl-paste"]).stdout)

    status = session.stop_program()
    check(status == 0, "SIGTERM: exit status %r" % status)


def chosen_platform_checks(session):
    """A platform the user chose is kept, and what Snaprill cannot do there is said on
    stderr, once."""
    env = dict(session.env, QT_QPA_PLATFORM="wayland")
    # Qt's Wayland platform keeps a few of its objects to the end; their stacks pass
    # through libwayland-client, which the fast unwinder cannot walk out of, so only
    # a full walk reaches the Qt library that lsan.supp names.
    if "ASAN_OPTIONS" in env:
        env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0"
    program = subprocess.Popen([os.path.join(BIN, "snaprill")], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    time.sleep(3)
    check(session.window_id() is None, "QT_QPA_PLATFORM=wayland: the window is on X11")
    program.send_signal(signal.SIGTERM)
    try:
        _, errors = program.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        program.kill()
        _, errors = program.communicate()
    told = [line for line in errors.splitlines() if '"wayland"' in line]
    check(program.returncode == 0 and len(told) == 1 and "global shortcuts" in told[0],
          "QT_QPA_PLATFORM=wayland: exit %r, stderr %r" % (program.returncode, errors[-600:]))


def listener_checks(session):
    """What the program's clipboard tells the capture cycle, which here takes 2 s to
    write each picture: an owner that never sends is reported lost after the 5 s
    allowed, and the next copy is taken; a picture whose program quits while it is
    being written is taken once, though GNOME's clipboard manager offers it anew."""
    # A test tool on Qt's own clipboard, which follows other programs only on X11.
    listener = subprocess.Popen([os.path.join(BIN, "clipboard_listener"), "2000"],
                                env=dict(session.env, QT_QPA_PLATFORM="xcb"),
                                stdout=subprocess.PIPE, text=True)
    session.helpers.append(listener)
    listener.stdout.readline()
    owner = subprocess.Popen([os.path.join(BIN, "clipboard_owner"), "hang", PICTURES["grey"]],
                             env=session.env, stdout=subprocess.PIPE)
    session.helpers.append(owner)
    owner.stdout.readline()
    started = time.monotonic()
    line = listener.stdout.readline().strip()
    waited = time.monotonic() - started
    check(line == "lost LostNotSent" and 4.5 < waited < 7,
          "an owner that never sends: %r after %.1f s" % (line, waited))
    copy(picture="red")
    line = listener.stdout.readline().strip()
    check(line == arrived("red"), "after an owner that never sends: %r" % line)

    time.sleep(2.5)
    gtk_client("--copy", PICTURES["blue"], "--seconds", "1")
    time.sleep(3)
    check(wait_for(lambda: not image_offered(), 2.0),
          "a program that quit while its picture was written: the clipboard offers %r"
          % offered_types())
    listener.terminate()
    rest = listener.stdout.read().split("\n")
    check([line for line in rest if line] == [arrived("blue")],
          "a program that quit while its picture was written: %r" % rest)


def give_up(*_):
    raise TimeoutError("the checks took too long: a program did not answer")


def main():
    signal.signal(signal.SIGALRM, give_up)
    signal.alarm(150)
    keyboard = subprocess.Popen([sys.executable, os.path.join(W, "mutter_keyboard.py"),
                                 "--seconds", "120"], stdout=subprocess.PIPE)
    try:
        if not keyboard.stdout.readline():
            print("FAILED: mutter_keyboard.py gave the seat no keyboard")
            return 1
        session = DesktopSession(os.path.join(BIN, "snaprill"))
        try:
            program_checks(session)
            chosen_platform_checks(session)
            listener_checks(session)
        finally:
            session.close()
    finally:
        keyboard.kill()
    return outcome("all GNOME clipboard checks passed")


if __name__ == "__main__":
    sys.exit(main())
