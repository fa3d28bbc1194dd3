"""snaprill-batch tells the true reason. A folder it may not write to is "Permission
denied", not the window's "Cannot create file. Disk may be full or read-only." (run
by a user other than root, which the permission bits would not stop: nobody when the
check runs as root). Paths printed to a standard output that cannot take them (a
full disk: /dev/full) are a failure, exit 1, not a silent success."""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

BATCH = os.environ.get("SNAPRILL_BATCH", "snaprill-batch")
DISK_FULL = "Disk may be full or read-only"


def permission_denied():
    root = tempfile.mkdtemp(prefix="snaprill-reasons-")
    try:
        os.chmod(root, 0o755)
        home, out = os.path.join(root, "home"), os.path.join(root, "out")
        os.mkdir(home)
        os.mkdir(out, 0o555)
        os.chmod(out, 0o555)
        picture = os.path.join(root, "in.png")
        Image.new("RGB", (16, 9), (10, 120, 200)).save(picture)
        os.chmod(picture, 0o644)
        command, batch = [], BATCH
        if os.geteuid() == 0:
            # As nobody, from a copy it may run: the build folder may be closed to it.
            batch = os.path.join(root, "snaprill-batch")
            shutil.copy(BATCH, batch)
            os.chown(home, 65534, 65534)
            command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        env = dict(os.environ, SNAPRILL_HOME=home, XDG_CONFIG_HOME=home)
        result = subprocess.run(command + [batch, "--output-dir", out, "--no-launch", picture],
                                env=env, capture_output=True, text=True, timeout=120)
        print(result.stderr.strip())
        assert result.returncode == 1, (result.returncode, result.stderr)
        assert result.stdout == "", result.stdout
        assert "could not be written: Cannot create file" in result.stderr, result.stderr
        assert "Permission denied" in result.stderr, result.stderr
        assert DISK_FULL not in result.stderr, result.stderr
    finally:
        os.chmod(os.path.join(root, "out"), 0o755)
        shutil.rmtree(root, ignore_errors=True)


def full_standard_output():
    home = tempfile.mkdtemp(prefix="snaprill-reasons-")
    try:
        picture = os.path.join(home, "in.png")
        Image.new("RGB", (16, 9), (200, 120, 10)).save(picture)
        env = dict(os.environ, SNAPRILL_HOME=home, XDG_CONFIG_HOME=home)
        for args in (["--no-launch", picture], ["--version"]):
            with open("/dev/full", "w") as full:
                result = subprocess.run([BATCH, *args], env=env, stdout=full,
                                        stderr=subprocess.PIPE, text=True, timeout=120)
            print(result.stderr.strip())
            assert result.returncode == 1, (args, result.returncode, result.stderr)
            assert "cannot write standard output: No space left on device" in result.stderr, \
                result.stderr
        # The picture itself was saved: only its path was lost.
        assert os.path.exists(os.path.join(home, "snp1.jpg")), os.listdir(home)
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    permission_denied()
    full_standard_output()
    return 0


if __name__ == "__main__":
    sys.exit(main())
