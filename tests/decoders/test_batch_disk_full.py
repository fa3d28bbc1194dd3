"""snaprill-batch on a disk that fills up: the file-size limit (RLIMIT_FSIZE) stands
in for a full disk. The capture must count as lost (exit 1), leave no file behind,
and say why on stderr: the system's reason, not only "could not be written"."""
import os
import resource
import signal
import subprocess
import sys

from PIL import Image

from batchlib import BatchRun


def limited_to(size):
    def apply():
        # Past the limit a write fails with EFBIG instead of the process being killed.
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return apply


def main():
    run = BatchRun({"Snaprill": {"ImageType": 3}})  # Bitmap: 120 KB for this picture
    picture = run.picture(Image.effect_noise((200, 200), 80).convert("RGB"), "noise.png")
    env = dict(os.environ, SNAPRILL_HOME=run.home, XDG_CONFIG_HOME=run.home)
    cmd = [os.environ.get("SNAPRILL_BATCH", "snaprill-batch"), "--settings", run.settings,
           "--output-dir", run.out, "--no-launch", "--", picture]
    result = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=120,
                            preexec_fn=limited_to(64 * 1024))
    print(result.stderr.strip())
    assert result.returncode == 1, result.returncode
    assert result.stdout == "", result.stdout
    assert "could not be written: Cannot create file" in result.stderr, result.stderr
    assert "File too large" in result.stderr, result.stderr
    assert os.listdir(run.out) == [], os.listdir(run.out)
    # Without the limit the same run writes the file.
    result = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, result.stderr
    assert os.listdir(run.out) == ["snp1.bmp"], os.listdir(run.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
