"""What the tests of the tier on today's compositors share: the Debian testing root
(make_root.sh) and the sessions started from it (session.sh).

Without a root the tests skip (77), unless SNAPRILL_TESTING_ROOT_REQUIRED is set, as
./dev test sets it after making the root: then a missing root is a failure."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DESKTOP = os.path.dirname(HERE)
sys.path.insert(0, DESKTOP)
SKIP = 77
ROOT = os.environ.get("SNAPRILL_TESTING_ROOT", "/var/cache/snaprill/testing-root")


def unavailable():
    """Why the tier cannot run here (printed), with the exit status to give; None
    when it can."""
    if os.geteuid() != 0:
        print("SKIP: the testing root's sessions need root (chroot, bind mounts)")
        return SKIP
    if "SNAPRILL_WAYLAND_TOOL" not in os.environ:
        print("SKIP: built without Wayland (SNAPRILL_WAYLAND=OFF)")
        return SKIP
    if not os.path.exists(os.path.join(ROOT, ".snaprill-root")):
        print("%s: no Debian testing root in %s (tests/desktop/testing_root/make_root.sh "
              "makes it; ./dev test does so itself)" %
              ("FAIL" if os.environ.get("SNAPRILL_TESTING_ROOT_REQUIRED") else "SKIP", ROOT))
        return 1 if os.environ.get("SNAPRILL_TESTING_ROOT_REQUIRED") else SKIP
    return None


def starter(compositor):
    """The command that runs a session of `compositor` from the root, to be followed by
    the session's folder and the command to run in it."""
    return ["sh", os.path.join(HERE, "session.sh"), compositor]


def versions():
    """The root's compositors and portal, as the Debian package versions, for the log."""
    status = os.path.join(ROOT, "var/lib/dpkg/status")
    wanted = {"sway", "kwin-wayland", "gnome-shell", "mutter", "xdg-desktop-portal"}
    found, name = {}, None
    with open(status, errors="replace") as lines:
        for line in lines:
            if line.startswith("Package: "):
                name = line.split()[1]
            elif line.startswith("Version: ") and name in wanted:
                found[name] = line.split()[1]
    return ", ".join("%s %s" % item for item in sorted(found.items()))


def prepare(work, *extra):
    """test_wayland.prepare's folder, with the tier's own checks and `extra` programs
    of the build (environment variables naming them) beside the rest."""
    import shutil
    import test_wayland
    bin_dir, picture = test_wayland.prepare(work)
    for name in ("portal_checks.py",):
        shutil.copy(os.path.join(HERE, name), bin_dir)
    # The desktop file as installed, which the checks name this build's program in.
    shutil.copy(os.path.join(HERE, "..", "..", "..", "data", "snaprill.desktop.in"), bin_dir)
    for variable in extra:
        shutil.copy(os.environ[variable], bin_dir)
    for name in os.listdir(bin_dir):
        os.chmod(os.path.join(bin_dir, name), 0o755)
    return bin_dir, picture


def figures(work):
    """The figures the checks measured in each session under `work`, printed."""
    for session in sorted(os.listdir(work)):
        path = os.path.join(work, session, "figures")
        if os.path.exists(path):
            with open(path) as lines:
                for line in lines:
                    if line.strip():
                        print("figure (%s): %s" % (session, line.strip()))


def run(compositor, checks, title):
    """The test of one compositor of the root: each script of `checks` run in a
    session of its own, with the build's programs; the exit status."""
    import shutil
    import tempfile
    import test_wayland
    status = unavailable()
    if status is not None:
        return status
    print("testing root:", versions())
    work = tempfile.mkdtemp(prefix="snaprill-tier-%s-" % compositor)
    try:
        os.chmod(work, 0o755)
        bin_dir, picture = prepare(work, "SNAPRILL_WINDOW_PING")
        failed = [script for script in checks
                  if not test_wayland.run_under(compositor, work, bin_dir, picture, script,
                                                starter(compositor))]
        figures(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("FAILED: " + ", ".join(failed) if failed else "all checks passed under " + title)
    return 1 if failed else 0
