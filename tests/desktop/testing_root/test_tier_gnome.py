#!/usr/bin/python3
"""Today's GNOME Shell (Debian testing's, from the testing root), whose clipboard
reaches X11 programs only through Xwayland: the clipboard checks of
test_gnome_clipboard.py (Qt's Wayland plugin installed, Snaprill started with no
platform chosen), then the screenshot paths of portal_checks.py: the permission
granted in the portal's permission store (a file), refused (none, at once), the
dialog left unanswered (none, and no crash), and a running Snaprill that the portal
answers late. Snaprill as built here connects from outside the root.
Exit status 77: nothing could run here."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

import tier
import test_gnome_clipboard
import test_wayland


def clipboard_checks(work):
    folder = os.path.join(work, "clipboard")
    os.mkdir(folder)
    os.chmod(folder, 0o755)
    test_gnome_clipboard.prepare(folder)
    runner = os.path.join(folder, "run.sh")
    with open(runner, "w") as script:
        script.write("#!/bin/sh\nexec env W=%s /usr/bin/python3 %s/gnome_clipboard_checks.py\n"
                     % (folder, folder))
    os.chmod(runner, 0o755)
    # A group of its own: whatever the session leaves behind is ended with it.
    session = subprocess.Popen(tier.starter("gnome") + [folder, runner], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, start_new_session=True)
    try:
        output, _ = session.communicate(timeout=280)
    except subprocess.TimeoutExpired:
        output, session.returncode = "the session did not end within 280 s", 1
    finally:
        try:
            os.killpg(session.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    print("--- the clipboard checks\n" + output)
    return session.returncode == 0


def main():
    status = tier.unavailable()
    if status is not None:
        return status
    print("testing root:", tier.versions())
    work = tempfile.mkdtemp(prefix="snaprill-tier-gnome-")
    try:
        os.chmod(work, 0o755)
        failed = [] if clipboard_checks(work) else ["gnome_clipboard_checks.py"]
        bin_dir, picture = tier.prepare(work, "SNAPRILL_WINDOW_PING")
        if not test_wayland.run_under("gnome", work, bin_dir, picture, "portal_checks.py",
                                      tier.starter("gnome")):
            failed.append("portal_checks.py")
        tier.figures(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("FAILED: " + ", ".join(failed) if failed else "all checks passed under today's GNOME")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
