#!/usr/bin/python3
"""Today's KWin (Debian testing's, from the testing root), which offers
ext-data-control only: the clipboard checks of test_wayland.py, then the screenshot
and shortcut paths of portal_checks.py (KWin's ScreenShot2 and the portal, which
headless KWin answers "cancelled" as it draws nothing without OpenGL; BindShortcuts,
which waits for the user to confirm in System Settings), with Snaprill as built here
connecting from outside the root. Exit status 77: nothing could run here."""
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
    work = tempfile.mkdtemp(prefix="snaprill-tier-kwin-")
    try:
        bin_dir, picture = tier.prepare(work, "SNAPRILL_WINDOW_PING")
        failed = [checks for checks in ("wayland_checks.py", "portal_checks.py")
                  if not test_wayland.run_under("kwin", work, bin_dir, picture, checks,
                                                tier.starter("kwin"))]
        tier.figures(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("FAILED: " + ", ".join(failed) if failed else "all checks passed under today's KWin")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
