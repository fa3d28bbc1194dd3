#!/usr/bin/python3
"""Settings and pictures never come from a folder other users can write to. Without
HOME the installed programs once read /tmp/.config/snaprill/snaprill.ini and wrote
into /tmp/Pictures: a settings file another user planted there had root run its
command on each capture. Here, in a mount namespace of its own, fresh tmpfs folders
stand in for /tmp and for root's home, another user plants such a file, and:
snaprill-batch run by root without HOME takes root's home from the password
database; an XDG_CONFIG_HOME that another user owns is passed over; run by a user
whose home does not exist (nobody), both programs refuse with a clear message and
status 1. The planted command never runs. Needs root (for the namespace and the
other users); otherwise it says so and passes."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import check, outcome  # noqa: E402

ATTACKER = 12345
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
PLANTED = ("[Automation]\nExtProg=1\nExtProgCmd=/bin/sh\nExtProgParam=-c \"id > /tmp/pwned\"\n"
           "[General]\nFilenamePrefix=planted\n")
REFUSAL = "no folder fit for settings and pictures"


def read_programs(app, batch):
    """The two programs and their data, read before /tmp is covered: the build
    itself may lie under /tmp."""
    files = {}
    for path in (app, batch, os.path.join(os.path.dirname(batch), "english.ini")):
        with open(path, "rb") as f:
            files[path] = f.read()
    return files


def install(app, batch, files):
    """The two programs as installed: their data in ../share/snaprill, not beside
    them (a program beside its data in a writable folder keeps everything there)."""
    for folder in ("/tmp/usr/bin", "/tmp/usr/share/snaprill"):
        os.makedirs(folder, 0o755)
    for path, data in files.items():
        program = path in (app, batch)
        target = ("/tmp/usr/bin/" if program else "/tmp/usr/share/snaprill/") + \
            os.path.basename(path)
        with open(target, "wb") as f:
            f.write(data)
        os.chmod(target, 0o755 if program else 0o644)
    return "/tmp/usr/bin/" + os.path.basename(app), "/tmp/usr/bin/" + os.path.basename(batch)


def plant():
    """Another user's settings file and pictures folder where HOME-less programs looked."""
    os.makedirs("/tmp/.config/snaprill")
    with open("/tmp/.config/snaprill/snaprill.ini", "w") as ini:
        ini.write(PLANTED)
    os.makedirs("/tmp/Pictures")
    for folder in ("/tmp/.config", "/tmp/.config/snaprill", "/tmp/Pictures",
                   "/tmp/.config/snaprill/snaprill.ini"):
        os.chown(folder, ATTACKER, ATTACKER)


def run(command, env, as_nobody=False, timeout=60):
    try:
        return subprocess.run((NOBODY if as_nobody else []) + command, env=env,
                              capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def told(result):
    if result is None:
        return "still running after its time"
    return "status %d, stdout %r, stderr %r" % (result.returncode, result.stdout,
                                               result.stderr.strip()[-600:])


def planted_untouched(what):
    check(not os.path.exists("/tmp/pwned"), "%s: the planted command ran" % what)
    check(os.listdir("/tmp/Pictures") == [],
          "%s: pictures went to the planted folder: %r" % (what, os.listdir("/tmp/Pictures")))


def inside(app, batch):
    files = read_programs(app, batch)
    for folder in ("/tmp", "/root"):
        subprocess.run(["mount", "-t", "tmpfs", "-o", "mode=1777" if folder == "/tmp" else
                        "mode=0700", "stand-in", folder], check=True)
    app, batch = install(app, batch, files)
    plant()
    from PIL import Image
    Image.new("RGB", (8, 6), (200, 40, 40)).save("/tmp/in.bmp")
    os.chmod("/tmp/in.bmp", 0o644)
    env = {k: v for k, v in os.environ.items()
           if k not in ("HOME", "SNAPRILL_HOME", "XDG_CONFIG_HOME", "DISPLAY", "WAYLAND_DISPLAY")}

    # Root without HOME: its home from the password database.
    result = run([batch, "/tmp/in.bmp"], env)
    check(result and result.returncode == 0 and result.stdout == "/root/Pictures/snp1.jpg\n",
          "root without HOME: " + told(result))
    check(os.path.isdir("/root/.config/snaprill"), "root without HOME: no settings folder in /root")
    planted_untouched("root without HOME")

    # An XDG_CONFIG_HOME that another user owns: the home folder's .config instead.
    result = run([batch, "/tmp/in.bmp"], dict(env, HOME="/root", XDG_CONFIG_HOME="/tmp/.config"))
    check(result and result.returncode == 0 and result.stdout == "/root/Pictures/snp2.jpg\n",
          "XDG_CONFIG_HOME of another user: " + told(result))
    planted_untouched("XDG_CONFIG_HOME of another user")

    # A user whose home is not there: both programs refuse, saying why.
    result = run([batch, "/tmp/in.bmp"], env, as_nobody=True)
    check(result and result.returncode == 1 and REFUSAL in result.stderr
          and "/nonexistent" in result.stderr and result.stdout == "",
          "nobody, snaprill-batch: " + told(result))
    result = run([app], dict(env, QT_QPA_PLATFORM="offscreen"), as_nobody=True, timeout=20)
    check(result and result.returncode == 1 and REFUSAL in result.stderr,
          "nobody, snaprill: " + told(result))
    planted_untouched("nobody")
    print(result.stderr.strip() if result else "")
    return outcome("no settings or pictures from a folder of another user")


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--inside":
        return inside(sys.argv[2], sys.argv[3])
    if os.geteuid() != 0:
        print("skipped: needs root, for a mount namespace and other users")
        return 0
    probe = subprocess.run(["unshare", "--mount", "true"], capture_output=True, text=True)
    if probe.returncode != 0:
        print("skipped: no mount namespace here:", probe.stderr.strip())
        return 0
    result = subprocess.run(["unshare", "--mount", "--propagation", "private", sys.executable,
                             os.path.abspath(__file__), "--inside", os.environ["SNAPRILL_APP"],
                             os.environ["SNAPRILL_BATCH"]], timeout=240)
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
