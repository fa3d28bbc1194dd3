#!/usr/bin/python3
"""What JPEG XL costs on screenshots with this machine's libjxl, beside PNG level 6
and WebP lossless: the numbers behind the type picker's description of JPEG XL.

For each picture: snaprill-batch's PNG 6, WebP lossless and JPEG XL (its default
settings), and cjxl (the same libjxl) at lossless efforts 1-4 and lossy distances 1
and 2 at efforts 1-4, whole processes, medians of RUNS (default 5) wall and CPU
times, sizes and sizes / PNG 6. Pictures: the benchmarks' screenshot-like picture
(screenshot_like.h) and bench/whole.py's at 1920x1080 and 3840x2160, and any PNG
files named on the command line (real screenshots: `import -window root shot.png`).
The load average is printed beside the table. Reports, never fails.

usage: bench/jxl_choice.py [BUILD_DIR] [RUNS] [SCREENSHOT.png ...]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import whole  # noqa: E402

ARGS = sys.argv[1:]
BUILD = ARGS[0] if ARGS else os.environ.get("SNAPRILL_BUILD", "build")
RUNS = int(ARGS[1]) if len(ARGS) > 1 else 5
SCREENSHOTS = ARGS[2:]
BATCH = os.path.join(BUILD, "src", "snaprill-batch")
WRITER = os.path.join(BUILD, "bench", "screenshot_writer")
SIZES = ((1920, 1080), (3840, 2160))

OURS = (("PNG 6", "ImageType=1\nPNGComp=6\n", "png"),
        ("WebP lossless", "ImageType=9\nWebPQuality=101\n", "webp"),
        ("JPEG XL default", "ImageType=11\n", "jxl"))
CJXL = [("cjxl -d 0 -e %d" % e, ["-d", "0", "-e", str(e)]) for e in (1, 2, 3, 4)] + [
    ("cjxl -d %d -e %d" % (d, e), ["-d", str(d), "-e", str(e)]) for d in (1, 2)
    for e in (1, 2, 3, 4)]


def pictures(folder):
    """(name, PNG path) of every picture to measure."""
    found = []
    for width, height in SIZES:
        bmp = os.path.join(folder, "like%d.bmp" % width)
        subprocess.run([WRITER, str(width), str(height), bmp], check=True)
        for name, image in (("screenshot_like.h", Image.open(bmp).convert("RGB")),
                            ("whole.py", whole.screenshot(width, height))):
            path = os.path.join(folder, "%s-%d.png" % (name, width))
            image.save(path, compress_level=1)
            found.append(("%s %dx%d" % (name, width, height), path))
    for path in SCREENSHOTS:
        with Image.open(path) as image:
            found.append(("%s %dx%d" % (os.path.basename(path), *image.size), path))
    return found


def measure(command, output):
    walls, cpus = [], []
    for _ in range(RUNS):
        wall, cpu = whole.timed(command, output)
        walls.append(wall)
        cpus.append(cpu)
    return statistics.median(walls), statistics.median(cpus), os.path.getsize(output)


def main():
    if not os.path.exists(BATCH) or not shutil.which("cjxl"):
        print("needs %s and cjxl (Debian: libjxl-tools)" % BATCH)
        return 0
    print(whole.load_line())
    print("%d runs per case; wall and CPU ms are medians" % RUNS)
    print("%-34s %-18s %10s %8s %9s %9s" % ("picture", "writer", "bytes", "/PNG 6", "wall ms",
                                            "cpu ms"))
    with tempfile.TemporaryDirectory() as folder:
        ini = os.path.join(folder, "choice.ini")
        out = os.path.join(folder, "out")
        for name, picture in pictures(folder):
            png6 = None
            rows = []
            for writer, settings, extension in OURS:
                with open(ini, "w") as f:
                    f.write("[Snaprill]\n" + settings)
                output = os.path.join(out, "snp1." + extension)
                rows.append((writer, *measure([BATCH, "--settings", ini, "--output-dir", out,
                                               "--no-launch", "--", picture], output)))
                png6 = png6 or rows[-1][3]
            for writer, options in CJXL:
                output = os.path.join(folder, "cjxl.jxl")
                rows.append((writer, *measure(["cjxl", picture, output, "--quiet", *options],
                                              output)))
            for writer, wall, cpu, size in rows:
                print("%-34s %-18s %10d %8.2f %9.0f %9.0f" % (name, writer, size, size / png6,
                                                              wall, cpu))
    print(whole.load_line())
    return 0


if __name__ == "__main__":
    sys.exit(main())
