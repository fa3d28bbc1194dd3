#!/usr/bin/python3
"""Today's sway (Debian testing's, from the testing root), in full: every clipboard
check of test_wayland.py (wayland/wayland_checks.py) and every picture check of
test_wayland_capture.py (wayland/capture_checks.py), with Snaprill as built here
connecting from outside the root. Faults caught are those of the checks, met on the
newest wlroots (ext-data-control and ext-image-copy-capture offered beside the wlr
protocols). Exit status 77: nothing could run here."""
import sys

import tier

if __name__ == "__main__":
    sys.exit(tier.run("sway", ("wayland_checks.py", "capture_checks.py"), "today's sway"))
