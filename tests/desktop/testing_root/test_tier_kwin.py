#!/usr/bin/python3
"""Today's KWin (Debian testing's, from the testing root), which offers
ext-data-control only: the clipboard checks of test_wayland.py, then the screenshot
and shortcut paths of portal_checks.py (KWin's ScreenShot2, which lets in only a
program whose desktop file it finds, then the portal; headless KWin answers every
picture "cancelled" as it draws nothing without OpenGL; the shortcuts, which KWin
gives at once to a program with a desktop file and not at all to one without), with
Snaprill as built here connecting from outside the root. Exit status 77: nothing could run here."""
import sys

import tier

if __name__ == "__main__":
    sys.exit(tier.run("kwin", ("wayland_checks.py", "portal_checks.py"), "today's KWin"))
