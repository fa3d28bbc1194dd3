#!/usr/bin/python3
"""Large captures written by this build's snaprill-batch beside an older one (say
main's), whole processes in alternation, in one run:

  PNG 9, PNG 6   1920x1080, 3840x2160
  JPEG q90       1920x1080, 3840x2160, 7680x4320
  JPEG XL        1920x1080, 3840x2160 (the default settings), its size beside PNG 6's

The input is the benchmarks' screenshot-like picture (screenshot_like.h) as a 32-bit
BMP, as a screen gives its pictures. Medians of RUNS (default 15) with quartiles,
ratios after / before (below 1: faster now) of the wall and CPU times, peak memory,
and the 8K JPEG's peak as a multiple of its 32-bit capture beyond what a 1x1 picture
needs. With --instructions, each case also runs once under callgrind: instructions
of all threads, and of the busiest one (what the wall time follows when every thread
has a processor): counts that a loaded machine does not change. The load average is
printed beside the table. Reports, never fails.

usage: SNAPRILL_BEFORE=OLD/snaprill-batch bench/before_after.py [BUILD_DIR] [RUNS]
       [--instructions]
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import whole  # noqa: E402

ARGS = [a for a in sys.argv[1:] if not a.startswith("--")]
BUILD = ARGS[0] if ARGS else os.environ.get("SNAPRILL_BUILD", "build")
RUNS = max(2, int(ARGS[1])) if len(ARGS) > 1 else 15
INSTRUCTIONS = "--instructions" in sys.argv
AFTER = os.path.join(BUILD, "src", "snaprill-batch")
BEFORE = os.environ.get("SNAPRILL_BEFORE")
WRITER = os.path.join(BUILD, "bench", "screenshot_writer")

# name, [Snaprill] settings, extension, sizes
CASES = (
    ("PNG 9", "ImageType=1\nPNGComp=9\n", "png", ((1920, 1080), (3840, 2160))),
    ("PNG 6", "ImageType=1\nPNGComp=6\n", "png", ((1920, 1080), (3840, 2160))),
    ("JPEG q90", "ImageType=0\nJPEGQuality=90\n", "jpg",
     ((1920, 1080), (3840, 2160), (7680, 4320))),
    ("JPEG XL", "ImageType=11\n", "jxl", ((1920, 1080), (3840, 2160))),
)


def command(batch, folder, side, settings, picture, extension):
    """One side's snaprill-batch with these settings; its output is snp1.<ext>."""
    out = os.path.join(folder, side)
    os.makedirs(out, exist_ok=True)
    ini = os.path.join(folder, "%s-%s.ini" % (side, extension))
    with open(ini, "w") as f:
        f.write("[Snaprill]\n" + settings)
    return ([batch, "--settings", ini, "--output-dir", out, "--no-launch", "--", picture],
            os.path.join(out, "snp1." + extension))


def instructions(cmd, output, folder):
    """Instructions of every thread of one run under callgrind, and of the busiest;
    None where valgrind cannot run the program (libjxl's AVX-512 code)."""
    whole.remove_output(output)
    for old in glob.glob(os.path.join(folder, "cg.out*")):
        os.remove(old)
    # Valgrind runs one thread at a time; without fair scheduling one thread may run
    # long stretches alone and take parts the others would have taken, which skews
    # the busiest thread's count from one run to the next.
    run = subprocess.run(["valgrind", "--tool=callgrind", "--fair-sched=yes",
                          "--separate-threads=yes",
                          "--callgrind-out-file=" + os.path.join(folder, "cg.out.%p"), *cmd],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if run.returncode != 0:
        return None
    counts = []
    for path in glob.glob(os.path.join(folder, "cg.out*")):
        with open(path) as f:
            found = re.search(r"^(?:totals|summary): (\d+)", f.read(), re.M)
        if found:
            counts.append(int(found.group(1)))
    return sum(counts), max(counts, default=0)


def main():
    if not BEFORE or not os.path.exists(BEFORE) or not os.path.exists(AFTER):
        print("set SNAPRILL_BEFORE to an older snaprill-batch (e.g. main's build) to compare "
              "with %s" % AFTER)
        return 0
    if INSTRUCTIONS and not shutil.which("valgrind"):
        print("--instructions needs valgrind")
        return 0
    print(whole.load_line())
    print("after: %s\nbefore: %s\n%d runs per case, alternating" % (AFTER, BEFORE, RUNS))
    table, notes, counted = [], [], []
    with tempfile.TemporaryDirectory() as folder:
        pictures = {}
        for size in sorted({s for case in CASES for s in case[3]} | {(16, 16)}):
            pictures[size] = os.path.join(folder, "shot%dx%d.bmp" % size)
            subprocess.run([WRITER, str(size[0]), str(size[1]), pictures[size]], check=True)
        baseline = {side: whole.peak_mib(command(batch, folder, side, "ImageType=0\n",
                                                 pictures[(16, 16)], "jpg")[0])
                    for side, batch in (("after", AFTER), ("before", BEFORE))}
        png6 = {}
        for name, settings, extension, sizes in CASES:
            for width, height in sizes:
                case = "%s %dx%d" % (name, width, height)
                sides = {side: command(batch, folder, side, settings, pictures[(width, height)],
                                       extension)
                         for side, batch in (("after", AFTER), ("before", BEFORE))}
                samples = whole.alternate(sides, RUNS)
                table.append((case, samples["after"], samples["before"]))
                size_after = os.path.getsize(sides["after"][1])
                size_before = os.path.getsize(sides["before"][1])
                note = "%-22s %9d bytes after, %9d before (%.4f)" % (
                    case, size_after, size_before, size_after / size_before)
                if name == "PNG 6":
                    png6[(width, height)] = size_after
                if name == "JPEG XL" and (width, height) in png6:
                    note += "; after / PNG 6: %.2f" % (size_after / png6[(width, height)])
                if width == 7680:
                    capture = width * height * 4 / 2 ** 20
                    note += "; peak beyond a 16x16 run: %.2f captures after, %.2f before" % (
                        (samples["after"].peak - baseline["after"]) / capture,
                        (samples["before"].peak - baseline["before"]) / capture)
                notes.append(note)
                if INSTRUCTIONS:
                    after = instructions(*sides["after"], folder)
                    before = instructions(*sides["before"], folder)
                    if after and before:
                        counted.append((case, *after, *before))
    print("%-28s %23s %23s %6s %6s %8s %8s" % (
        "case", "after ms [quartiles]", "before ms [quartiles]", "ratio", "cpu", "after MiB",
        "before"))
    for case, after, before in table:
        print(whole.row(case, after, before))
    for note in notes:
        print(note)
    if counted:
        print("\ninstructions (millions): all threads, busiest thread; ratios after / before")
        for case, total_a, busiest_a, total_b, busiest_b in counted:
            print("%-22s after %8.0f %8.0f   before %8.0f %8.0f   all %.2f  busiest %.2f" % (
                case, total_a / 1e6, busiest_a / 1e6, total_b / 1e6, busiest_b / 1e6,
                total_a / total_b, busiest_a / busiest_b))
    print(whole.load_line())
    return 0


if __name__ == "__main__":
    sys.exit(main())
