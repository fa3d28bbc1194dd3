"""PNG captures checked by independent readers: pngcheck passes them, and Pillow and
libpng (through netpbm's pngtopnm) decode them to exactly the capture's pixels.

- a screenshot-like capture at every compression level 0-9 (tests/tools/sample_writer),
  once in one deflate stream and once compressed in parts on two threads and joined;
- a capture large enough for snaprill-batch to compress it in parts on its own,
  wherever this machine has more than one processor, at levels 9 and 6."""
import os
import subprocess
import sys
import tempfile

from PIL import Image

from batchlib import BatchRun, screenshot_like, write_samples


def problems(path, expected, size):
    """What the readers find wrong with one file."""
    found = []
    check = subprocess.run(["pngcheck", "-q", path], capture_output=True, text=True)
    if check.returncode != 0:
        found.append("pngcheck: " + check.stdout + check.stderr)
    with Image.open(path) as png:
        if png.mode != "RGB" or png.size != size:
            found.append("Pillow: %s %s" % (png.mode, png.size))
        elif png.tobytes() != expected:
            found.append("Pillow: pixels differ")
    libpng = subprocess.run(["pngtopnm", path], capture_output=True)
    header = b"P6\n%d %d\n255\n" % size
    if libpng.returncode != 0:
        found.append("pngtopnm: " + libpng.stderr.decode(errors="replace"))
    elif libpng.stdout != header + expected:
        found.append("libpng: pixels differ")
    return found


def main():
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        write_samples("png", folder)
        with Image.open(os.path.join(folder, "capture.ppm")) as ppm:
            expected = ppm.convert("RGB").tobytes()
            size = ppm.size
        for level in range(10):
            for name in ("level%d.png" % level, "level%d-parts.png" % level):
                failures += ["%s: %s" % (name, p)
                             for p in problems(os.path.join(folder, name), expected, size)]
    large = screenshot_like(1100, 700)
    for level in (9, 6):
        run = BatchRun({"Snaprill": {"ImageType": 1, "PNGComp": level}})
        result = run.run(run.picture(large))
        if result.returncode != 0:
            failures.append("batch level %d: %s" % (level, result.stderr))
            continue
        failures += ["batch level %d: %s" % (level, p)
                     for p in problems(result.stdout.strip(), large.tobytes(), large.size)]
    for f in failures:
        print(f)
    print("checked levels 0-9 whole and in parts, and a large capture: %d failures"
          % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
