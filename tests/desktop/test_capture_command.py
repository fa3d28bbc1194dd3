#!/usr/bin/python3
"""snaprill --capture, as a key bound in the desktop's own settings runs it:
- with Snaprill running, --capture=screen gives one file equal to the screen and
  --capture window (the spaced form) one of the active window's framed size, both
  taken by the running program (its numbering, its output type);
- paused, the running program refuses: exit status 1 with the reason, no file;
- with no Snaprill running, the command saves one file itself, prints nothing and
  ends 0; the next one goes on from its number;
- in a Wayland session with no way to take pictures it refuses rather than save what
  the X server shows there;
- a wrong value is a usage error."""
import os
import subprocess
import sys

from PIL import ImageChops

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import (DesktopSession, check, outcome, outputs, settings,  # noqa: E402
                             wait_for)
from test_triggers import (SCREEN, known_window, mean_difference, new_file,  # noqa: E402
                           outer_size, pattern, picture, screen, settled_screen, start_openbox,
                           write_settings)


def capture(session, *args):
    return subprocess.run([session.app, *args], env=session.env, capture_output=True, text=True,
                          timeout=20)


def same_as_screen(session, name, root, what):
    kind, got = picture(session, name)
    check(kind == "PNG" and got.size == SCREEN, "%s gave %s %r" % (what, kind, got.size))
    check(got.size == SCREEN and ImageChops.difference(got, root).getbbox() is None,
          "%s differs from the screen in %r" % (what, ImageChops.difference(got, root).getbbox()))


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        write_settings(session, "[Snaprill]\nImageType=1\n")
        start_openbox(session)
        root = pattern(os.path.join(session.home, "root.png"))
        session.run(["display", "-window", "root", os.path.join(session.home, "root.png")],
                    check=False)
        check(wait_for(lambda: mean_difference(screen(session), root) == 0, 10, 0.3),
              "the root window shows no pattern")

        # No Snaprill running: the command saves the picture itself.
        done = capture(session, "--capture=screen")
        check(done.returncode == 0 and done.stdout == "" and done.stderr == "",
              "one-shot: status %d, output %r %r" % (done.returncode, done.stdout, done.stderr))
        check(outputs(session) == ["snp1.png"], "one-shot wrote %r" % outputs(session))
        if outputs(session) == ["snp1.png"]:
            same_as_screen(session, "snp1.png", root, "the one-shot capture")
        check(settings(session).get("Snaprill/LastPic") == "1",
              "the one-shot did not keep its number: LastPic=%r"
              % settings(session).get("Snaprill/LastPic"))

        # Where the X server does not see the screen (a Wayland session, here one whose
        # compositor offers no way to take pictures, and no portal), no black picture
        # becomes a file, and the command says that no way was offered (not that the
        # screen could not be read).
        wayland = subprocess.run([session.app, "--capture=screen"], capture_output=True, text=True,
                                 env=dict(session.env, WAYLAND_DISPLAY="wayland-test"), timeout=20)
        check(wayland.returncode == 1 and "offers no way" in wayland.stderr,
              "in a Wayland session: status %d, %r" % (wayland.returncode, wayland.stderr))
        check(outputs(session) == ["snp1.png"], "in a Wayland session it wrote %r"
              % outputs(session))

        wrong = capture(session, "--capture=desk")
        check(wrong.returncode == 2 and "--capture" in wrong.stderr,
              "a wrong value: status %d, %r" % (wrong.returncode, wrong.stderr))

        # The running program takes it.
        session.start_program()
        before = outputs(session)
        shown = settled_screen(session)  # the program's window included, once painted
        done = capture(session, "--capture=screen")
        check(done.returncode == 0, "--capture=screen: %d %r" % (done.returncode, done.stderr))
        name = new_file(session, before)
        check(name == "snp2.png", "the running program wrote %r, not snp2.png" % name)
        if name:
            same_as_screen(session, name, shown, "--capture=screen")

        xmessage, active = known_window(session)
        if check(active, "xmessage did not become the active window"):
            expected = outer_size(session, session.run(["xdotool", "getactivewindow"]).stdout
                                  .strip())
            before = outputs(session)
            done = capture(session, "--capture", "window")
            check(done.returncode == 0, "--capture window: %d %r" % (done.returncode, done.stderr))
            name = new_file(session, before)
            if name:
                check(picture(session, name)[1].size == expected,
                      "--capture window gave %r, the framed window is %r"
                      % (picture(session, name)[1].size, expected))
        xmessage.kill()
        check(session.stop_program() == 0, "the program did not end cleanly")

        # Paused from the start: refused, with the reason.
        write_settings(session, "[Snaprill]\nImageType=1\nStartPaused=1\n")
        session.start_program()
        before = outputs(session)
        refused = capture(session, "--capture=screen")
        check(refused.returncode == 1 and "paused" in refused.stderr,
              "a paused program answered %d %r" % (refused.returncode, refused.stderr))
        check(outputs(session) == before, "a paused program wrote %r" % outputs(session))
        check(session.stop_program() == 0, "the paused program did not end cleanly")

        # Fault: the command exited 0, silent, when the running program could not write
        # the file (its window showed the error box). Root writes anyway: not checked.
        if os.geteuid() != 0:
            write_settings(session, "[Snaprill]\nImageType=1\n")
            session.start_program()
            os.chmod(session.home, 0o555)
            try:
                unsaved = capture(session, "--capture=screen")
            finally:
                os.chmod(session.home, 0o755)
            check(unsaved.returncode == 1 and "not saved" in unsaved.stderr,
                  "an unwritable folder answered %d %r" % (unsaved.returncode, unsaved.stderr))
    return outcome("--capture goes to the running program, or saves the picture itself")


if __name__ == "__main__":
    sys.exit(main())
