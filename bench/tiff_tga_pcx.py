#!/usr/bin/python3
"""TIFF, Targa and PCX output beside ImageMagick `convert`, whole process for both,
on screenshot-like 1920x1080 and 3840x2160 pictures; medians of several runs.

usage: /usr/bin/python3 bench/tiff_tga_pcx.py [build-dir] [runs]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from whole import screenshot  # noqa: E402

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("SNAPRILL_BUILD", "build")
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 7
PROGRAM = os.path.join(BUILD, "bench", "tiff_tga_pcx_bench")
MAGICK_OPTIONS = {"tif": ["-compress", "None"], "tga": ["-compress", "RLE"], "pcx": []}


def run(command, output):
    """Wall and CPU (user + sys) milliseconds of one run. The output file is removed
    first: the capture cycle always writes a new name, and replacing a file costs
    both tools extra time in the file system."""
    if os.path.exists(output):
        os.remove(output)
    start = time.perf_counter()
    process = subprocess.Popen(command + [output], stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = (time.perf_counter() - start) * 1000
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise subprocess.CalledProcessError(process.returncode, command)
    cpu = (usage.ru_utime + usage.ru_stime) * 1000
    return wall, cpu


def compare(ours, magick, ours_out, magick_out):
    """Medians of RUNS runs of each, taken in turns so that load affects both alike."""
    results = {"ours": [], "magick": []}
    for _ in range(RUNS):
        results["ours"].append(run(ours, ours_out))
        results["magick"].append(run(magick, magick_out))
    return {k: (statistics.median(w for w, _ in v), statistics.median(c for _, c in v))
            for k, v in results.items()}


def main():
    if not os.path.exists(PROGRAM):
        print("benchmark program not built:", PROGRAM)
        return 0
    with tempfile.TemporaryDirectory() as folder:
        print("%-10s %-4s %9s %9s %6s %9s %9s %6s" % ("picture", "fmt", "ours ms", "IM ms",
                                                       "ours/IM", "ours cpu", "IM cpu", "ours/IM"))
        for width, height in ((1920, 1080), (3840, 2160)):
            source = os.path.join(folder, "screen.ppm")
            screenshot(width, height).save(source)
            for fmt in ("tif", "tga", "pcx"):
                r = compare([PROGRAM, "convert", fmt, source],
                            ["convert", source, *MAGICK_OPTIONS[fmt]],
                            os.path.join(folder, "o." + fmt), os.path.join(folder, "m." + fmt))
                (ow, oc), (mw, mc) = r["ours"], r["magick"]
                print("%-10s %-4s %9.1f %9.1f %7.2f %9.1f %9.1f %7.2f" % (
                    "%dx%d" % (width, height), fmt, ow, mw, ow / mw, oc, mc, oc / max(mc, 0.1)))
            subprocess.run([PROGRAM, "encode", source, str(RUNS)], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
