#!/usr/bin/python3
"""snaprill without an X display (none named, or one that is not there) says so in
one line on stderr and exits with status 1, instead of aborting inside Qt; --help and
--version need no display at all. No X server is started here."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import check, outcome  # noqa: E402


def run(env, *args):
    return subprocess.run([os.environ["SNAPRILL_APP"], *args], env=env, capture_output=True,
                          text=True, timeout=30)


def information_options(home):
    """Both programs answer --help on stdout and --version as GNU tools do (name and
    version, then the copyright and the licence); the batch program names an option it
    does not know."""
    batch = os.environ["SNAPRILL_BATCH"]
    for name, program in (("snaprill", os.environ["SNAPRILL_APP"]), ("snaprill-batch", batch)):
        env = {"SNAPRILL_HOME": home}
        result = subprocess.run([program, "--version"], env=env, capture_output=True,
                                text=True, timeout=30)
        lines = result.stdout.splitlines()
        words = lines[0].split() if lines else []
        check(result.returncode == 0 and len(words) == 2 and words[0] == name
              and words[1][0].isdigit(), "%s --version: %r" % (name, result.stdout))
        check("License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>."
              in lines, "%s --version names no licence: %r" % (name, result.stdout))
        result = subprocess.run([program, "--help"], env=env, capture_output=True, text=True,
                                timeout=30)
        check(result.returncode == 0 and result.stdout.startswith("Usage: " + name)
              and "--version" in result.stdout and result.stderr == "",
              "%s --help: %r %r" % (name, result.stdout[:80], result.stderr))
    # After "--", "--help" is a picture's name.
    result = subprocess.run([batch, "--no-launch", "--", "--help"], env={"SNAPRILL_HOME": home},
                            capture_output=True, text=True, timeout=30)
    check(result.returncode == 1 and "--help" in result.stderr,
          "batch -- --help: %d %r" % (result.returncode, result.stderr))
    result = subprocess.run([batch, "--frobnicate", "x.png"], env={"SNAPRILL_HOME": home},
                            capture_output=True, text=True, timeout=30)
    check(result.returncode == 2
          and result.stderr.startswith('snaprill-batch: unknown option "--frobnicate"\nusage:'),
          "batch with an unknown option: %d %r" % (result.returncode, result.stderr))


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
    information_options(home)
    subprocess.run(["rm", "-rf", home])
    return outcome("no-display checks passed")


if __name__ == "__main__":
    sys.exit(main())
