#!/usr/bin/python3
"""A display of 8-bit colour, on which Qt's painting crashes, is refused at the start
in one line on stderr with exit status 1, and nothing is written; 16-bit colour is
enough to run."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, settings  # noqa: E402


def main():
    app = os.environ["SNAPRILL_APP"]
    with DesktopSession(app, screen="1024x768x8") as session:
        try:
            result = subprocess.run([app], env=session.env, capture_output=True, text=True,
                                    timeout=30)
        except subprocess.TimeoutExpired:
            result = None
        check(result is not None and result.returncode == 1,
              "8-bit display: exit status %r" % (result and result.returncode))
        lines = result.stderr.splitlines() if result else []
        check(len(lines) == 1 and "8-bit colour" in lines[0] and "at least 15-bit" in lines[0],
              "8-bit display: stderr %r" % (result and result.stderr))
        check(not settings(session), "a program that did not start wrote its settings")
    with DesktopSession(app, screen="1024x768x16") as session:
        session.start_program()
        check(session.stop_program() == 0, "16-bit display: no clean exit")
    return outcome("display depth checks passed")


if __name__ == "__main__":
    sys.exit(main())
