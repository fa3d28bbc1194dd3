#!/usr/bin/python3
"""WebP, AVIF and JPEG XL output as users run it: snaprill-batch, a whole process per
picture, beside the reference tools at the same settings, in alternation, in one run:

  WebP lossless   1920x1080, 3840x2160   cwebp -lossless -z 1 (our lossless preset)
  AVIF q80        1920x1080, 3840x2160   avifenc 4:4:4, quantizer 13, speed 8, 2 threads
  JPEG XL lossless 1920x1080, 3840x2160  cjxl -d 0 -e 2, threads on every core

Both sides read the same screenshot-like PNG. Medians of RUNS (default 15) with
quartiles, ratios ours / theirs (below 1: we are faster) of wall and CPU times, peak
memory, and each file's size beside our PNG at level 6 of the same picture. The load
average is printed beside the table. Reports, never fails.

usage: bench/modern_types.py [BUILD_DIR] [RUNS]
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import whole  # noqa: E402

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("SNAPRILL_BUILD", "build")
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 15
BATCH = os.environ.get("SNAPRILL_BATCH", os.path.join(BUILD, "src", "snaprill-batch"))
SIZES = ((1920, 1080), (3840, 2160))

# name, our settings, extension, the reference tool's command before input and output
CASES = (
    ("WebP lossless", "ImageType=9\nWebPQuality=101\n", "webp",
     lambda src, out: ["cwebp", "-quiet", "-lossless", "-z", "1", src, "-o", out]),
    ("AVIF q80", "ImageType=10\nAVIFQuality=80\n", "avif",
     lambda src, out: ["avifenc", "-y", "444", "--min", "13", "--max", "13", "-s", "8", "-j", "2",
                       src, out]),
    ("JPEG XL lossless", "ImageType=11\nJXLQuality=101\n", "jxl",
     lambda src, out: ["cjxl", "-d", "0", "-e", "2", src, out]),
)


def batch_command(folder, settings, picture, extension):
    """snaprill-batch with these [Snaprill] settings; its output is always snp1.<ext>."""
    out = os.path.join(folder, "ours")
    os.makedirs(out, exist_ok=True)
    ini = os.path.join(folder, "bench-%s.ini" % extension)
    with open(ini, "w") as f:
        f.write("[Snaprill]\n" + settings)
    return ([BATCH, "--settings", ini, "--output-dir", out, "--no-launch", "--", picture],
            os.path.join(out, "snp1." + extension))


def kib(path):
    return os.path.getsize(path) / 1024


def main():
    if not os.path.exists(BATCH):
        print("snaprill-batch not built:", BATCH)
        return 0
    missing = [tool for tool in ("cwebp", "avifenc", "cjxl") if not shutil.which(tool)]
    if missing:
        print("not installed (Debian: webp libavif-bin libjxl-tools):", " ".join(missing))
        return 0
    print(whole.load_line())
    print("snaprill-batch: %s; %d runs per case, alternating" % (BATCH, RUNS))
    table, notes = [], []
    with tempfile.TemporaryDirectory() as folder:
        for width, height in SIZES:
            size = "%dx%d" % (width, height)
            picture = os.path.join(folder, "shot%s.png" % size)
            whole.screenshot(width, height).save(picture, compress_level=1)
            png_command, png_out = batch_command(folder, "ImageType=1\nPNGComp=6\n", picture, "png")
            whole.timed(png_command, png_out)
            png_size = kib(png_out)
            for name, settings, extension, reference in CASES:
                ours = batch_command(folder, settings, picture, extension)
                theirs_out = os.path.join(folder, "theirs." + extension)
                samples = whole.alternate(
                    {"ours": ours, "theirs": (reference(picture, theirs_out), theirs_out)}, RUNS)
                table.append(("%s %s" % (name, size), samples["ours"], samples["theirs"]))
                notes.append("%-28s %8.0f KiB ours, %8.0f KiB theirs, PNG 6 %8.0f KiB "
                             "(ours / PNG %.2f)" % ("%s %s" % (name, size), kib(ours[1]),
                                                     kib(theirs_out), png_size,
                                                     kib(ours[1]) / png_size))
    print(whole.HEADER)
    for case, o, t in table:
        print(whole.row(case, o, t))
    for note in notes:
        print(note)
    print(whole.load_line())
    return 0


if __name__ == "__main__":
    sys.exit(main())
