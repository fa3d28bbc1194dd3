"""Pictures nobody here wrote, read through our picture loader (as overlay pictures
and snaprill-batch's input are) and compared with other programs' decoders.

Targa: every image type ImageMagick, Pillow and netpbm write (colour-mapped, gray,
true colour with and without alpha, raw and run-length, with ID fields), compared
with Pillow. PCX: netpbm's 1-bit files of 1 to 4 planes and its packed 1-, 2- and
4-bit files, compared with netpbm's own reader; Pillow's 1-bit files, compared with
Pillow. JPEG: Pillow's CMYK files (Adobe marker, inverted CMYK), compared with
Pillow and ImageMagick within a tolerance.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
TOOL = os.path.join(BUILD, "tests", "codec_tool")

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def ours(path):
    out = path + ".ours.ppm"
    run = subprocess.run([TOOL, "decode", "any", path, out], capture_output=True, text=True)
    if run.returncode != 0:
        return "decode failed: " + run.stderr.strip()
    with Image.open(out) as image:
        return image.convert("RGB").tobytes()


def pillow(path):
    with Image.open(path) as image:
        return image.convert("RGB").tobytes()


def netpbm_pcx(path):
    run = subprocess.run(["pcxtoppm", path], capture_output=True)
    ppm = path + ".netpbm.ppm"
    with open(ppm, "wb") as f:
        f.write(run.stdout)
    return pillow(ppm)


def magick(path):
    return subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True).stdout


def same(actual, expected, what):
    if isinstance(actual, str):
        check(False, f"{what}: {actual}")
        return
    check(actual == expected, f"{what}: differs from the reference")


def close(actual, expected, tolerance, what):
    if isinstance(actual, str) or len(actual) != len(expected):
        check(False, f"{what}: {actual if isinstance(actual, str) else 'size differs'}")
        return
    worst = max(abs(a - b) for a, b in zip(actual, expected))
    check(worst <= tolerance, f"{what}: off by {worst}")


def picture(width, height, colours, seed):
    rng = random.Random(seed)
    palette = [tuple(rng.randrange(256) for _ in range(3)) for _ in range(colours)]
    image = Image.new("RGB", (width, height))
    image.putdata([rng.choice(palette) for _ in range(width * height)])
    return image


def check_targa(folder):
    source = os.path.join(folder, "t.ppm")
    picture(13, 7, 200, 1).save(source)
    files = []
    for name, options in {"im-mapped": ["-type", "Palette"],
                          "im-mapped-rle": ["-type", "Palette", "-compress", "RLE"],
                          "im-gray": ["-type", "Grayscale"],
                          "im-gray-rle": ["-type", "Grayscale", "-compress", "RLE"],
                          "im-comment": ["-set", "comment", "written by ImageMagick"],
                          "im-alpha": ["-alpha", "set"]}.items():
        path = os.path.join(folder, name + ".tga")
        subprocess.run(["convert", source, *options, path], check=True)
        files.append(path)
    with Image.open(source) as image:
        for mode in ("L", "P", "RGB", "RGBA"):
            for compression in (None, "tga_rle"):
                path = os.path.join(folder, "pil-%s-%s.tga" % (mode, compression))
                image.convert(mode).save(path, compression=compression, id_section=b"Pillow")
                files.append(path)
    if shutil.which("ppmtotga"):
        for name, options in {"netpbm-mapped": ["-cmap"], "netpbm-rgb-rle": ["-rgb"],
                              "netpbm-rgb": ["-rgb", "-norle"]}.items():
            path = os.path.join(folder, name + ".tga")
            with open(source, "rb") as src, open(path, "wb") as dst:
                subprocess.run(["ppmtotga", *options], stdin=src, stdout=dst, check=True,
                               stderr=subprocess.DEVNULL)
            files.append(path)
    for path in files:
        kind = open(path, "rb").read(3)
        same(ours(path), pillow(path), "%s (type %d)" % (os.path.basename(path), kind[2]))
    print("Targa: %d files" % len(files))


def check_pcx(folder):
    count = 0
    if shutil.which("ppmtopcx"):
        for colours, options in ((2, []), (4, []), (8, []), (16, []), (2, ["-packed"]),
                                 (4, ["-packed"]), (16, ["-packed"]), (16, ["-planes=4"]),
                                 (200, ["-8bit"]), (200, ["-24bit"])):
            for width in (1, 7, 9, 33):
                source = os.path.join(folder, "p%d-%d.ppm" % (colours, width))
                picture(width, 5, colours, colours * 100 + width).save(source)
                path = source[:-4] + "".join(options) + ".pcx"
                with open(source, "rb") as src, open(path, "wb") as dst:
                    subprocess.run(["ppmtopcx", *options], stdin=src, stdout=dst, check=True,
                                   stderr=subprocess.DEVNULL)
                header = open(path, "rb").read(66)
                what = "netpbm %s: %d planes of %d bits" % (os.path.basename(path), header[65],
                                                          header[3])
                same(ours(path), netpbm_pcx(path), what)
                count += 1
    else:
        print("netpbm not installed: its PCX files skipped")
    for width in (1, 8, 9, 30):
        path = os.path.join(folder, "pil-1-%d.pcx" % width)
        picture(width, 4, 2, width).convert("1").save(path)
        same(ours(path), pillow(path), "Pillow 1-bit %d wide" % width)
        count += 1
    print("PCX: %d files" % count)


def check_cmyk_jpeg(folder):
    for width, height in ((16, 16), (33, 17), (200, 120)):
        path = os.path.join(folder, "cmyk-%d.jpg" % width)
        picture(width, height, 12, width).convert("CMYK").save(path, quality=95)
        data = open(path, "rb").read()
        check(b"Adobe" in data, "Pillow's CMYK file has an Adobe marker")
        # Both convert inverted CMYK the same way; they may round a level apart.
        close(ours(path), pillow(path), 2, "CMYK %dx%d against Pillow" % (width, height))
        close(ours(path), magick(path), 2, "CMYK %dx%d against ImageMagick" % (width, height))
    print("CMYK JPEG: 3 files")


def main():
    if not os.path.exists(TOOL):
        print("codec_tool not built at", TOOL)
        return 1
    with tempfile.TemporaryDirectory() as folder:
        check_targa(folder)
        check_pcx(folder)
        check_cmyk_jpeg(folder)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
