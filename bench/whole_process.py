#!/usr/bin/python3
"""snaprill-batch as users run it, a whole process per picture, beside the tool they
would otherwise use on the same 24-bit BMP, in alternation, in one run:

  start-up     a 1x1 picture to JPEG        cjpeg
  JPEG q90     1920x1080, 3840x2160         cjpeg -dct float -quality 90 -baseline
  PNG 1, 6, 9  1920x1080, 3840x2160         libpng alone (bench/libpng_writer.c),
                                            filter None, same level
  TIFF, Targa, PCX, GIF  1920x1080, 3840x2160   ImageMagick's own binary
  crop, resize, invert, grayscale, text   1920x1080 to BMP, ImageMagick likewise

Medians of RUNS (default 15) with quartiles, ratios ours / theirs (below 1: we are
faster) of the wall and CPU times, peak memory; GIF's peak also as a multiple of the
32-bit capture. The load average is printed beside the table. Reports, never fails.

usage: bench/whole_process.py [BUILD_DIR] [RUNS]   (SNAPRILL_BATCH: another
snaprill-batch to time, e.g. an older one)
"""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import whole  # noqa: E402

BUILD = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("SNAPRILL_BUILD", "build")
RUNS = int(sys.argv[2]) if len(sys.argv) > 2 else 15
BATCH = os.environ.get("SNAPRILL_BATCH", os.path.join(BUILD, "src", "snaprill-batch"))
LIBPNG = os.path.join(BUILD, "bench", "libpng_writer")
SIZES = ((1920, 1080), (3840, 2160))


def magick_binary():
    """ImageMagick's own executable: `convert` is a symbolic link through the
    alternatives system, and may be a wrapper script elsewhere."""
    found = shutil.which("convert-im6.q16") or shutil.which("convert")
    return os.path.realpath(found) if found else None


class Ours:
    def __init__(self, folder):
        self.folder = folder
        self.out = os.path.join(folder, "ours")
        os.makedirs(self.out, exist_ok=True)

    def command(self, settings, picture, extension):
        """snaprill-batch with these settings; the output is always snp1.<ext>."""
        ini = os.path.join(self.folder, "bench.ini")
        with open(ini, "w") as f:
            f.write(settings)
        return ([BATCH, "--settings", ini, "--output-dir", self.out, "--no-launch", "--",
                 picture], os.path.join(self.out, "snp1." + extension))


def compare(table, case, ours, theirs):
    samples = whole.alternate({"ours": ours, "theirs": theirs}, RUNS)
    table.append((case, samples["ours"], samples["theirs"]))
    return samples


# Each adjustment as whole commands on both sides, written as 24-bit BMP.
ADJUSTMENTS = (
    ("crop", "[DimAndEffects]\nCrop=1\nCropLeft=100\nCropTop=100\nCropWidth=960\n"
     "CropHeight=540\n", ["-crop", "960x540+100+100", "+repage"]),
    ("resize", "[DimAndEffects]\nAutoResize=1\nResizeWidth=960\nResizeHeight=540\n",
     ["-sample", "960x540!"]),
    ("invert", "[DimAndEffects]\nInvert=1\n", ["-negate"]),
    ("grayscale", "[DimAndEffects]\nGrayscale=1\n", ["-colorspace", "Gray"]),
    ("text", "[Images]\nAddText=1\nText=Snaprill %Y-%m-%d\nTextPos=4\n",
     ["-font", "DejaVu-Sans", "-pointsize", "11", "-fill", "green", "-gravity", "SouthEast",
      "-annotate", "+7+4", "Snaprill 2026-12-08"]),
)


def same_jpeg(a, b):
    """The same bytes but for the JFIF density, which cjpeg copies from the BMP."""
    with open(a, "rb") as fa, open(b, "rb") as fb:
        x, y = fa.read(), fb.read()
    return len(x) == len(y) and x[:13] == y[:13] and x[18:] == y[18:]


def main():
    if not os.path.exists(BATCH):
        print("snaprill-batch not built:", BATCH)
        return 0
    magick = magick_binary()
    cjpeg = shutil.which("cjpeg")
    print(whole.load_line())
    print("snaprill-batch: %s; %d runs per case, alternating" % (BATCH, RUNS))
    table, notes = [], []
    with tempfile.TemporaryDirectory() as folder:
        ours = Ours(folder)
        theirs_out = os.path.join(folder, "theirs")
        one = os.path.join(folder, "one.bmp")
        Image.new("RGB", (1, 1), (10, 20, 30)).save(one)
        if cjpeg:
            compare(table, "start-up, 1x1 to JPEG", ours.command("[Snaprill]\nImageType=0\n",
                                                              one, "jpg"),
                    ([cjpeg, "-outfile", theirs_out + ".jpg", one], theirs_out + ".jpg"))
        for width, height in SIZES:
            size = "%dx%d" % (width, height)
            picture = os.path.join(folder, "shot%s.bmp" % size)
            whole.screenshot(width, height).save(picture)
            capture_mib = width * height * 4 / 2**20
            if cjpeg:
                command, output = ours.command("[Snaprill]\nImageType=0\nJPEGQuality=90\n",
                                               picture, "jpg")
                compare(table, "JPEG q90 %s" % size, (command, output),
                        ([cjpeg, "-dct", "float", "-quality", "90", "-baseline", "-outfile",
                          theirs_out + ".jpg", picture], theirs_out + ".jpg"))
                # A large picture is written in strips of 8 rows of blocks, joined by
                # restart markers: the file cjpeg writes with that restart interval.
                reference, restart = theirs_out + ".jpg", ""
                with open(output, "rb") as f:
                    if b"\xff\xdd" in f.read():
                        reference, restart = theirs_out + "-restart.jpg", " -restart 8"
                        subprocess.run([cjpeg, "-dct", "float", "-quality", "90", "-baseline",
                                        "-restart", "8", "-outfile", reference, picture],
                                       check=True)
                notes.append("JPEG %s: same bytes as cjpeg%s (but the JFIF density): %s" % (
                    size, restart, "yes" if same_jpeg(output, reference) else "NO"))
            if os.path.exists(LIBPNG):
                for level in (1, 6, 9):
                    command, output = ours.command(
                        "[Snaprill]\nImageType=1\nPNGComp=%d\n" % level, picture, "png")
                    compare(table, "PNG %d %s" % (level, size), (command, output),
                            ([LIBPNG, str(level), picture, theirs_out + ".png"],
                             theirs_out + ".png"))
                    notes.append("PNG %d %s: %d KiB ours, %d KiB libpng" % (
                        level, size, os.path.getsize(output) // 1024,
                        os.path.getsize(theirs_out + ".png") // 1024))
            if magick and width == 1920:
                for name, settings, options in ADJUSTMENTS:
                    compare(table, "%s %s to BMP" % (name, size),
                            ours.command("[Snaprill]\nImageType=3\n[TIFF]\nBMPBits=2\n" + settings,
                                         picture, "bmp"),
                            ([magick, picture, *options, "-type", "TrueColor",
                              "BMP3:" + theirs_out + ".bmp"], theirs_out + ".bmp"))
            if magick:
                for name, settings, ext, options in (
                        ("TIFF", "[Snaprill]\nImageType=5\n", "tif", ["-compress", "None"]),
                        ("Targa", "[Snaprill]\nImageType=7\n", "tga", ["-compress", "RLE"]),
                        ("PCX", "[Snaprill]\nImageType=8\n", "pcx", []),
                        ("GIF", "[Snaprill]\nImageType=2\n", "gif",
                         ["-dither", "FloydSteinberg", "-colors", "256"])):
                    samples = compare(table, "%s %s" % (name, size),
                                      ours.command(settings, picture, ext),
                                      ([magick, picture, *options, theirs_out + "." + ext],
                                       theirs_out + "." + ext))
                    if name == "GIF":
                        notes.append("GIF %s: peak %.1f MiB = %.2fx the 32-bit capture "
                                     "(%.1f MiB)" % (size, samples["ours"].peak,
                                                     samples["ours"].peak / capture_mib,
                                                     capture_mib))
    print(whole.HEADER)
    for case, o, t in table:
        print(whole.row(case, o, t))
    for note in notes:
        print(note)
    print("theirs: cjpeg %s, libpng_writer, ImageMagick %s" % (cjpeg, magick))
    print(whole.load_line())
    return 0


if __name__ == "__main__":
    sys.exit(main())
