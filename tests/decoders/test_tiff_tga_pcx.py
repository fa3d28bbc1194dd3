"""TIFF, Targa and PCX files checked by other programs' decoders, and our Targa and PCX
readers checked on other programs' files.

Writers: every file from captures of widths 1 to 9, a 5000-pixel-wide one and a
screenshot-like 1920x1080 one must decode in Pillow, ImageMagick and (TIFF) tiffinfo
to exactly the capture's colours after its pixel-format conversion (palette TIFF
files included: their colour maps span 0-65535, so white is 255 everywhere), and
libtiff must read every TIFF file without a word on stderr.
Readers: round trips through our writers, ImageMagick's Targa (raw and RLE, both
origins) and PCX (24 and 8 bits) files, and gdk-pixbuf's Targa test images
(skipped when the gdk-pixbuf-tests package is absent).
"""
import glob
import os
import random
import struct
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
TOOL = os.path.join(BUILD, "tests", "codec_tool")
GDK_IMAGES = "/usr/libexec/installed-tests/gdk-pixbuf/test-images"
MODES = {"tiff0": "tif", "tiff1": "tif", "tiff2": "tif", "tga": "tga", "tgabw": "tga", "pcx": "pcx"}

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def tool(*args):
    return subprocess.run([TOOL, *args], capture_output=True, text=True)


def first_difference(a, b):
    if len(a) != len(b):
        return f"length {len(a)} != {len(b)} {a[:200]!r}"
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return f"byte {i}: {x} != {y}"
    return None


def same(actual, expected, what):
    diff = None if actual == expected else first_difference(actual, expected)
    check(diff is None, f"{what}: {diff}")


# --- test pictures -------------------------------------------------------------

def noisy_row_picture(width, height, rng):
    """Noise, runs of many lengths, and the awkward values 192, 193 and 255."""
    pixels = []
    special = [(192, 192, 192), (193, 7, 255), (255, 255, 255), (0, 0, 0), (200, 192, 10)]
    while len(pixels) < width * height:
        kind = rng.random()
        if kind < 0.4:
            pixels.append(tuple(rng.randrange(256) for _ in range(3)))
        elif kind < 0.7:
            colour = rng.choice(special)
            pixels.extend([colour] * rng.choice([1, 2, 3, 63, 64, 65, 127, 128, 129, 130, 300]))
        else:
            pixels.append(rng.choice(special))
    image = Image.new("RGB", (width, height))
    image.putdata(pixels[: width * height])
    return image


def screenshot_picture(width, height, rng):
    image = Image.new("RGB", (width, height), (58, 110, 165))
    draw = ImageDraw.Draw(image)
    for i in range(12):
        x, y = rng.randrange(width - 300), rng.randrange(height - 200)
        draw.rectangle([x, y, x + rng.randrange(200, 900), y + rng.randrange(120, 600)],
                       fill=(236, 233, 216), outline=(0, 84, 227))
        draw.rectangle([x, y, x + 400, y + 24], fill=(0, 84, 227))
        for line in range(8):
            draw.text((x + 8, y + 32 + 14 * line), "Snaprill capture %d line %d" % (i, line),
                      fill=(0, 0, 0))
    draw.rectangle([0, height - 30, width, height], fill=(192, 192, 192))
    photo = Image.effect_noise((320, 200), 60).convert("RGB")
    image.paste(photo, (width // 2, height // 3))
    return image


def captures(folder):
    rng = random.Random(6)
    result = []
    for width in range(1, 10):
        result.append((f"w{width}", noisy_row_picture(width, 5, rng)))
    result.append(("w5000", noisy_row_picture(5000, 3, rng)))
    result.append(("screen", screenshot_picture(1920, 1080, rng)))
    paths = []
    for name, image in result:
        path = os.path.join(folder, name + ".ppm")
        image.save(path)
        paths.append((name, path, image.size))
    return paths


# --- independent decoders --------------------------------------------------------

def pillow_rgb(path):
    with Image.open(path) as image:
        return image.convert("RGB").tobytes()


def magick_rgb(path):
    run = subprocess.run(["convert", path, "-auto-orient", "-depth", "8", "rgb:-"], capture_output=True)
    return run.stdout if run.returncode == 0 else b"convert failed: " + run.stderr


def tiffinfo_rgb(path, width, height):
    """Strip bytes as tiffinfo -d prints them, mapped through the ColorMap for
    palette files, as R G B bytes."""
    run = subprocess.run(["tiffinfo", "-d", path], capture_output=True, text=True)
    if run.returncode != 0 or "Strip 0:" not in run.stdout:
        return b"tiffinfo failed: " + run.stderr.encode()
    strip = bytes(int(t, 16) for t in run.stdout.split("Strip 0:")[1].split())
    with open(path, "rb") as f:
        data = f.read()
    ifd = struct.unpack_from("<I", data, 4)[0]
    entries = {}
    for i in range(struct.unpack_from("<H", data, ifd)[0]):
        tag, _, _, value = struct.unpack_from("<HHII", data, ifd + 2 + 12 * i)
        entries[tag] = value
    if entries[262] != 3:  # not a palette picture
        return strip
    bits = entries[258]
    colours = 1 << bits
    cmap = struct.unpack_from("<%dH" % (3 * colours), data, 8)
    palette = [bytes((cmap[i] >> 8, cmap[colours + i] >> 8, cmap[2 * colours + i] >> 8))
               for i in range(colours)]
    out = bytearray()
    row = width if bits == 8 else (width + 1) // 2
    for y in range(height):
        line = strip[y * row:(y + 1) * row]
        if bits == 8:
            indexes = line
        else:
            indexes = [n for b in line for n in (b >> 4, b & 15)][:width]
        for i in indexes:
            out += palette[i]
    return bytes(out)


def check_writers(folder):
    for name, source, (width, height) in captures(folder):
        for mode, extension in MODES.items():
            out = os.path.join(folder, f"{name}-{mode}.{extension}")
            expected_path = out + ".expected.ppm"
            run = tool("encode", mode, source, out, expected_path)
            check(run.returncode == 0, f"encode {name} {mode}: {run.stderr}")
            if run.returncode != 0:
                continue
            expected = pillow_rgb(expected_path)
            what = f"{name} {mode}"
            # Pillow's PCX decoder drops the pad byte of odd widths only when the padded
            # row is not a multiple of the width, so it skews widths 1 and 3.
            if not (mode == "pcx" and width in (1, 3)):
                same(pillow_rgb(out), expected, what + " Pillow")
            same(magick_rgb(out), expected, what + " ImageMagick")
            if mode.startswith("tiff"):
                # No warning either: an unterminated ASCII value or an odd offset
                # makes libtiff complain on stderr.
                for options in ([], ["-D"]):
                    read = subprocess.run(["tiffinfo", *options, out], capture_output=True,
                                          text=True)
                    check(read.returncode == 0 and read.stderr == "",
                          f"{what} tiffinfo {' '.join(options)}: {read.stderr}")
                same(tiffinfo_rgb(out, width, height), expected, what + " tiffinfo -d")
            if mode == "tgabw":
                check(set(expected) <= {0, 255}, what + " black and white only")
            if mode in ("tga", "tgabw", "pcx"):
                decoded = out + ".decoded.ppm"
                kind = "pcx" if mode == "pcx" else "tga"
                back = tool("decode", kind, out, decoded)
                check(back.returncode == 0, f"{what} own reader: {back.stderr}")
                if back.returncode == 0:
                    same(pillow_rgb(decoded), expected, what + " own reader")
        print("writers:", name, "done", flush=True)


# --- our readers on other programs' files ------------------------------------------

def our_rgb(kind, path):
    decoded = path + ".decoded.ppm"
    run = tool("decode", kind, path, decoded)
    if run.returncode != 0:
        return b"decode failed: " + run.stderr.encode()
    return pillow_rgb(decoded)


def check_magick_files(folder):
    rng = random.Random(7)
    pictures = [("m%d" % w, noisy_row_picture(w, 4, rng)) for w in (1, 2, 3, 7, 300)]
    pictures.append(("mscreen", screenshot_picture(640, 480, rng)))
    variants = {
        "raw-bottom.tga": [],
        "rle-bottom.tga": ["-compress", "RLE"],
        "raw-top.tga": ["-orient", "TopLeft"],
        "rle-top.tga": ["-compress", "RLE", "-orient", "TopLeft"],
        "24.pcx": [],
        "8.pcx": ["-colors", "200", "-type", "Palette"],
    }
    for name, image in pictures:
        source = os.path.join(folder, name + ".ppm")
        image.save(source)
        for suffix, options in variants.items():
            path = os.path.join(folder, f"{name}-{suffix}")
            subprocess.run(["convert", source, *options, path], check=True)
            kind = suffix[-3:]
            same(our_rgb(kind, path), pillow_rgb(path), f"our reader on ImageMagick {name}-{suffix}")


def check_gdk_pixbuf_files(folder):
    if not os.path.isdir(GDK_IMAGES):
        print("gdk-pixbuf-tests not installed: its Targa images skipped")
        return
    references = sorted(glob.glob(os.path.join(GDK_IMAGES, "reftests", "**", "*.tga"), recursive=True))
    for path in references:
        decoded = os.path.join(folder, "gdk.ppm")
        run = tool("decode", "tga", path, decoded)
        check(run.returncode == 0, f"gdk-pixbuf {path}: {run.stderr}")
        if run.returncode != 0:
            continue
        ours = Image.open(decoded).convert("RGB")
        with Image.open(path + ".ref.png") as ref:
            ref = ref.convert("RGBA")
            check(ours.size == ref.size, f"gdk-pixbuf {path}: size {ours.size} != {ref.size}")
            # We drop alpha, so only the opaque pixels' colours can be compared.
            wrong = sum(1 for (r, g, b, a), mine in zip(ref.getdata(), ours.getdata())
                        if a == 255 and (r, g, b) != mine)
            check(wrong == 0, f"gdk-pixbuf {path}: {wrong} opaque pixels differ")
    bad = glob.glob(os.path.join(GDK_IMAGES, "fail", "*.tga"))
    for path in bad:
        run = tool("decode", "tga", path, os.path.join(folder, "bad.ppm"))
        check(run.returncode == 1, f"gdk-pixbuf broken {path}: exit {run.returncode} {run.stderr}")
    for path in glob.glob(os.path.join(GDK_IMAGES, "randomly-modified", "*.tga")):
        run = tool("decode", "tga", path, os.path.join(folder, "odd.ppm"))
        check(run.returncode in (0, 1), f"gdk-pixbuf modified {path}: exit {run.returncode}")
    print("gdk-pixbuf: %d reference and %d broken Targa files" % (len(references), len(bad)))


def main():
    if not os.path.exists(TOOL):
        print("codec_tool not built at", TOOL)
        return 1
    with tempfile.TemporaryDirectory() as folder:
        check_writers(folder)
        check_magick_files(folder)
        check_gdk_pixbuf_files(folder)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
