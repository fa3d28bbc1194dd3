#!/usr/bin/python3
"""The clipboard under GNOME on Wayland, where Snaprill runs on Xwayland: a headless
Mutter 43 (wayland/mutter_session.sh) and native programs that copy. A wl-copy of a
PNG becomes one file with its pixels and leaves the Wayland clipboard without a
picture; the focus moving away and back saves nothing; a GTK program's copy made
while Snaprill has no focus is saved once, and not again when the program quits
(GNOME's clipboard manager then offers the picture anew); copied text is left
alone; SIGTERM ends the program cleanly; an owner that never sends is reported
lost after 5 s and the next copy is taken (wayland/gnome_clipboard_checks.py).
Qt's Wayland plugin (qt6-wayland) installed, Snaprill started with no platform chosen
still runs on Xwayland; QT_QPA_PLATFORM=wayland, the user's choice, is kept, and
what Snaprill cannot do there is said once on stderr."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
WAYLAND = os.path.join(HERE, "wayland")
# The pictures copied, in solid colours; gnome_clipboard_checks.py reads them back.
COLOURS = {"red": (200, 30, 40), "blue": (20, 40, 210), "green": (30, 190, 60),
           "grey": (128, 128, 128)}
TOOLS = ("mutter", "Xwayland", "wl-copy", "wl-paste", "xdotool", "xwininfo", "runuser",
         "dbus-run-session")


def prepare(folder):
    """The programs, pictures and scripts the session's user runs, in a folder of
    their own: the build may not be readable by that user."""
    programs = os.path.join(folder, "bin")
    os.mkdir(programs)
    for variable in ("SNAPRILL_APP", "SNAPRILL_CLIPBOARD_OWNER", "SNAPRILL_CLIPBOARD_LISTENER"):
        shutil.copy(os.environ[variable], programs)
    for name in ("mutter_keyboard.py", "gtk_client.py", "gnome_clipboard_checks.py"):
        shutil.copy(os.path.join(WAYLAND, name), folder)
    shutil.copy(os.path.join(HERE, "desktop_session.py"), folder)
    shutil.copy(os.path.join(HERE, "lsan.supp"), folder)
    for name, colour in COLOURS.items():
        Image.new("RGB", (97, 61), colour).save(os.path.join(folder, name + ".png"))
    with open(os.path.join(folder, "sanitizer.env"), "w") as env:
        for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
            if key in os.environ:
                env.write("%s=%s\n" % (key, os.environ[key]))
        env.write("LSAN_OPTIONS=suppressions=%s\n" % os.path.join(folder, "lsan.supp"))


def main():
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print("FAILED: not installed: %s (./dev test installs them)" % " ".join(missing))
        return 1
    if os.geteuid() != 0:
        print("FAILED: the GNOME session is started as its own user, which needs root")
        return 1
    folder = tempfile.mkdtemp(prefix="snaprill-gnome-")
    try:
        os.chmod(folder, 0o755)
        prepare(folder)
        # A group of its own: whatever the session leaves behind is ended with it.
        session = subprocess.Popen(
            ["sh", os.path.join(WAYLAND, "mutter_session.sh"), folder,
             os.path.join(folder, "gnome_clipboard_checks.py")],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
            start_new_session=True)
        try:
            output, _ = session.communicate(timeout=240)
        except subprocess.TimeoutExpired:
            output, session.returncode = "the session did not end within 240 s", 1
        finally:
            try:
                os.killpg(session.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        print(output)
        if session.returncode != 0 and os.path.exists(os.path.join(folder, "mutter.log")):
            with open(os.path.join(folder, "mutter.log"), errors="replace") as log:
                print("mutter.log:", log.read()[-3000:])
        return session.returncode
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
