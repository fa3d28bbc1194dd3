"""Peak memory of snaprill-batch saving a 1920x1080 screenshot as GIF: the largest
resident set of the whole process, less that of the same run on a 1x1 picture
(what the program needs anyway), must stay within two of its 32-bit captures.
Today it is about one and a half, while the PNG is read into its 32-bit copy;
screen-sized buffers kept for captures that never come bring it near three. Three
screenshots in one run must need hardly more than one: a capture held beside the
next picture, or freed buffers left in the heap, add a whole capture.

Skipped under AddressSanitizer, whose own memory hides the program's."""
import os
import subprocess
import sys

from batchlib import BATCH, BatchRun, screenshot_like

WIDTH, HEIGHT = 1920, 1080


def sanitized():
    with open(BATCH, "rb") as program:
        return b"libasan" in program.read()


def peak_bytes(run, *pictures):
    """The largest resident set of a run, as /usr/bin/time measures it: a process
    started from this one would count this one's memory as its own."""
    env = dict(os.environ, SNAPRILL_HOME=run.home, XDG_CONFIG_HOME=run.home)
    result = subprocess.run(["/usr/bin/time", "-f", "%M", BATCH, "--settings", run.settings,
                             "--output-dir", run.out, "--no-launch", "--", *pictures], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                            timeout=120)
    assert result.returncode == 0, "snaprill-batch failed on %s: %s" % (pictures, result.stderr)
    return int(result.stderr.split()[-1]) * 1024


def main():
    if sanitized():
        print("skipped: built with AddressSanitizer")
        return 0
    run = BatchRun({"Snaprill": {"ImageType": 2}})
    tiny = run.picture(screenshot_like(1, 1), "tiny.png")
    shot = run.picture(screenshot_like(WIDTH, HEIGHT), "shot.png")
    capture = WIDTH * HEIGHT * 4
    baseline = peak_bytes(run, tiny)
    peak = peak_bytes(run, shot)
    captures = (peak - baseline) / capture
    print("peak %.1f MiB, without the program's own %.1f MiB: %.2f captures"
          % (peak / 2 ** 20, baseline / 2 ** 20, captures))
    assert captures <= 2.0, "saving the screenshot took %.2f captures" % captures
    # Three in one run: nothing of one picture may stay beside the next.
    three = peak_bytes(run, shot, shot, shot)
    print("three in one run: %.1f MiB" % (three / 2 ** 20))
    assert three - peak <= capture / 2, \
        "three screenshots took %.2f captures more than one" % ((three - peak) / capture)
    gifs = sorted(name for name in os.listdir(run.out) if name.endswith(".gif"))
    assert gifs == ["snp%d.gif" % n for n in range(1, 6)], gifs
    print("peak memory check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
