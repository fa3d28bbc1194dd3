#!/usr/bin/python3
"""snaprill without an X display (none named, or one that is not there) says so in
one line on stderr and exits with status 1, instead of aborting inside Qt. No X
server is started here."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import check, outcome  # noqa: E402


def run(env):
    return subprocess.run([os.environ["SNAPRILL_APP"]], env=env, capture_output=True,
                          text=True, timeout=30)


def main():
    home = os.path.join(os.environ.get("TMPDIR", "/tmp"), "snaprill-no-display-%d" % os.getpid())
    # An empty environment but for a home, so that nothing is written elsewhere.
    for what, env in (("DISPLAY unset", {"SNAPRILL_HOME": home}),
                      ("no server on :987", {"SNAPRILL_HOME": home, "DISPLAY": ":987"})):
        result = run(env)
        lines = result.stderr.splitlines()
        check(result.returncode == 1, "%s: exit status %d" % (what, result.returncode))
        check(len(lines) == 1 and "cannot open the X display" in lines[0]
              and "snaprill-batch works without one" in lines[0],
              "%s: stderr %r" % (what, result.stderr))
        check(result.stdout == "", "%s: stdout %r" % (what, result.stdout))
    check(not os.path.exists(os.path.join(home, "snaprill.ini")),
          "a program that did not start wrote its settings")
    subprocess.run(["rm", "-rf", home])
    return outcome("no-display checks passed")


if __name__ == "__main__":
    sys.exit(main())
