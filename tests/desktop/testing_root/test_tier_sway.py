#!/usr/bin/python3
"""Today's sway (Debian testing's, from the testing root), in full: every clipboard
check of test_wayland.py (wayland/wayland_checks.py) and every picture check of
test_wayland_capture.py (wayland/capture_checks.py), with Snaprill as built here
connecting from outside the root. Faults caught are those of the checks, met on the
newest wlroots (ext-data-control and ext-image-copy-capture offered beside the wlr
protocols). Exit status 77: nothing could run here."""
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
    work = tempfile.mkdtemp(prefix="snaprill-tier-sway-")
    try:
        bin_dir, picture = test_wayland.prepare(work)
        failed = [checks for checks in ("wayland_checks.py", "capture_checks.py")
                  if not test_wayland.run_under("sway", work, bin_dir, picture, checks,
                                                tier.starter("sway"))]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("FAILED: " + ", ".join(failed) if failed else "all checks passed under today's sway")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
