#!/usr/bin/python3
"""Today's KWin (Debian testing's, from the testing root), which offers
ext-data-control only: the clipboard checks of test_wayland.py, then the screenshot
and shortcut paths of portal_checks.py (KWin's ScreenShot2 and the portal, which
headless KWin answers "cancelled" as it draws nothing without OpenGL; BindShortcuts,
which waits for the user to confirm in System Settings), with Snaprill as built here
connecting from outside the root. Exit status 77: nothing could run here."""
import sys

import tier

if __name__ == "__main__":
    sys.exit(tier.run("kwin", ("wayland_checks.py", "portal_checks.py"), "today's KWin"))
