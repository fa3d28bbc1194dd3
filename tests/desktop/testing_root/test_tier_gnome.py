#!/usr/bin/python3
"""Today's GNOME Shell (Debian testing's, from the testing root), whose clipboard
reaches X11 programs only through Xwayland. portal_checks.py: an X11 program's copy
saved once and emptied by Snaprill started as GNOME starts it (Qt's Wayland plugin
installed, no platform chosen); then the screenshot portal: the permission granted in
the portal's permission store (a file), refused (none, at once), the dialog left
unanswered (none, and no crash), a running Snaprill that the portal answers late.
Native Wayland copies are left to test_gnome_clipboard.py under Debian 12's Mutter:
headless GNOME 50 gives a new surface no keyboard focus, so wl-copy and a GTK window
wait for ever. Snaprill as built here connects from outside the root.
Exit status 77: nothing could run here."""
import os
import shutil
import sys
import tempfile

import tier
import test_wayland


def main():
    status = tier.unavailable()
    if status is not None:
        return status
    print("testing root:", tier.versions())
    work = tempfile.mkdtemp(prefix="snaprill-tier-gnome-")
    try:
        os.chmod(work, 0o755)
        failed = []
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
