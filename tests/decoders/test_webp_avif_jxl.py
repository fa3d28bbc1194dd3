"""WebP, AVIF and JPEG XL outputs of snaprill-batch checked by the reference tools
(dwebp, avifdec, djxl) and by Pillow where it reads the format, and our readers
checked on files those tools' encoders wrote.

Lossless WebP and JPEG XL must decode to exactly the capture's pixels. Lossy files
are compared by PSNR: above 30 dB at quality 90 (AVIF at its default 80) on a
screenshot-like picture, which still shows a wrong channel order or a shift by a
pixel (each well under 20 dB); AVIF's one-pixel red and blue strokes above 35 dB,
which 4:2:0 would smear to about 18 dB (lossy WebP is 4:2:0 by its format, as
cwebp's files are). Edge sizes (1x1, odd
widths, a 5000-pixel-wide strip) come through the lossless writers.
"""
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

sys.path.insert(0, os.path.dirname(__file__))
from batchlib import BATCH, BatchRun, screenshot_like  # noqa: E402

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def noise(width, height, seed):
    rng = random.Random(seed)
    image = Image.new("RGB", (width, height))
    image.putdata([tuple(rng.randrange(256) for _ in range(3)) for _ in range(width * height)])
    return image


def coloured_text(width=200, height=60):
    """Red and blue one-pixel strokes on white: 4:2:0 chroma halves them."""
    image = Image.new("RGB", (width, height), (255, 255, 255))
    for x in range(2, width - 2, 4):
        for y in range(5, height - 5):
            image.putpixel((x, y), (220, 0, 0) if (x // 4) % 2 else (0, 0, 220))
    return image


def psnr(a, b):
    if a.size != b.size:
        return 0.0
    pa, pb = a.tobytes(), b.tobytes()
    mse = sum((x - y) ** 2 for x, y in zip(pa, pb)) / len(pa)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


# type index, extension, settings key, the tool that decodes to PNG
TYPES = {
    "webp": (9, "WebPQuality", lambda src, dst: ["dwebp", src, "-o", dst]),
    "avif": (10, "AVIFQuality", lambda src, dst: ["avifdec", src, dst]),
    "jxl": (11, "JXLQuality", lambda src, dst: ["djxl", src, dst]),
}


def decoded_by_tool(extension, path):
    out = path + ".tool.png"
    run = subprocess.run(TYPES[extension][2](path, out), capture_output=True, text=True)
    if run.returncode != 0:
        return None, run.stderr
    with Image.open(out) as image:
        return image.convert("RGB"), ""


def write(extension, quality, pictures):
    """Each picture through snaprill-batch; the files written, in order."""
    index, key, _ = TYPES[extension]
    run = BatchRun({"Snaprill": {"ImageType": index, key: quality}})
    paths = [run.picture(image, "in%d.png" % i) for i, image in enumerate(pictures)]
    result = run.run(*paths)
    check(result.returncode == 0, f"{extension} q{quality}: batch failed: {result.stderr}")
    written = result.stdout.split("\n")[:-1]
    check(all(p.endswith("." + extension) for p in written) and len(written) == len(pictures),
          f"{extension} q{quality}: written {written}")
    return run, written


def check_lossless():
    pictures = [noise(1, 1, 1), noise(7, 3, 2), noise(5000, 2, 3), screenshot_like(640, 400)]
    for extension in ("webp", "jxl"):
        run, written = write(extension, 101, pictures)
        for image, path in zip(pictures, written):
            what = f"{extension} lossless {image.size}"
            tool, err = decoded_by_tool(extension, path)
            check(tool is not None and tool.tobytes() == image.tobytes(), f"{what}: tool {err}")
            if extension == "webp":
                with Image.open(path) as pillow:
                    check(pillow.convert("RGB").tobytes() == image.tobytes(), what + ": Pillow")


def check_lossy():
    cases = [("webp", 90, screenshot_like(640, 400), 30), ("jxl", 90, screenshot_like(640, 400), 30),
             ("avif", 80, screenshot_like(640, 400), 30), ("avif", 80, coloured_text(), 35)]
    for extension, quality, image, least in cases:
        _, (path,) = write(extension, quality, [image])
        what = f"{extension} q{quality} {image.size}"
        tool, err = decoded_by_tool(extension, path)
        check(tool is not None, f"{what}: tool {err}")
        if tool is not None:
            value = psnr(tool, image)
            check(value > least, f"{what}: PSNR {value:.1f} dB")
        if extension == "webp":  # Debian's Pillow reads neither AVIF nor JPEG XL
            with Image.open(path) as pillow:
                value = psnr(pillow.convert("RGB"), image)
                check(value > least, f"{what}: Pillow PSNR {value:.1f} dB")


def check_animation():
    """Three captures as one lossless animated WebP: every frame exact, each shown for
    the GIF page's delay (hundredths of a second)."""
    frames = [screenshot_like(120, 80), noise(120, 80, 4), coloured_text(120, 80)]
    run = BatchRun({"Snaprill": {"ImageType": 9, "WebPQuality": 101},
                    "GIF": {"SaveAnimation": 1, "ImageCount": 3, "Delay": 35}})
    result = run.run(*[run.picture(f, "f%d.png" % i) for i, f in enumerate(frames)])
    written = result.stdout.split("\n")[:-1]
    check(result.returncode == 0 and len(written) == 1 and written[0].endswith(".webp"),
          f"animation: {result.returncode} {written} {result.stderr}")
    if not written:
        return
    with Image.open(written[0]) as animation:
        check(animation.n_frames == 3, f"animation: {animation.n_frames} frames")
        for i, frame in enumerate(frames):
            animation.seek(i)
            pixels = animation.convert("RGB").tobytes()  # Pillow fills info on loading
            check(animation.info.get("duration") == 350, f"frame {i}: {animation.info}")
            check(pixels == frame.tobytes(), f"frame {i} not exact")


def check_readers(folder):
    """Files of cwebp, avifenc and cjxl as snaprill-batch input, written back as BMP."""
    image = screenshot_like(300, 200)
    source = os.path.join(folder, "source.png")
    image.save(source)
    encoders = {
        "lossless.webp": ["cwebp", "-quiet", "-lossless", source, "-o"],
        "lossy.webp": ["cwebp", "-quiet", "-q", "90", source, "-o"],
        "lossless.jxl": ["cjxl", "-q", "100", source],
        "lossy.jxl": ["cjxl", "-q", "90", source],
        "444.avif": ["avifenc", "-y", "444", "--min", "0", "--max", "10", source],
    }
    for name, command in encoders.items():
        path = os.path.join(folder, name)
        made = subprocess.run(command + [path], capture_output=True, text=True)
        check(made.returncode == 0, f"making {name}: {made.stderr}")
        run = BatchRun({"Snaprill": {"ImageType": 3}})
        result = run.run(path)
        check(result.returncode == 0, f"reading {name}: {result.stderr}")
        if result.returncode != 0:
            continue
        with Image.open(result.stdout.split("\n")[0]) as ours:
            ours = ours.convert("RGB")
        reference, err = decoded_by_tool(name.split(".")[1], path)
        check(reference is not None, f"{name}: tool {err}")
        if reference is None:
            continue
        if name.startswith("lossless"):
            check(ours.tobytes() == image.tobytes(), f"our reader on {name}: not exact")
        else:
            # The same decoder library inside: within rounding of the colour conversion.
            check(psnr(ours, reference) > 40, f"our reader on {name}: {psnr(ours, reference):.1f}")
    # Damaged files: a clear error, never a crash, and nothing written.
    with open(os.path.join(folder, "lossless.webp"), "rb") as f:
        data = f.read()
    for name, bad in (("cut.webp", data[: len(data) // 2]), ("header.webp", data[:30]),
                      ("cut.jxl", open(os.path.join(folder, "lossy.jxl"), "rb").read()[:40]),
                      ("cut.avif", open(os.path.join(folder, "444.avif"), "rb").read()[:200])):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(bad)
        run = BatchRun({"Snaprill": {"ImageType": 3}})
        result = run.run(path)
        check(result.returncode != 0 and result.returncode < 128 and not os.listdir(run.out),
              f"damaged {name}: exit {result.returncode} {os.listdir(run.out)}")


def check_without_module(folder):
    """A copy of the program whose codec module is missing: AVIF and JPEG XL fail
    with an error that names the module's file, never a crash or a file written."""
    program = os.path.join(folder, "snaprill-batch")
    shutil.copy(BATCH, program)
    avif = os.path.join(folder, "444.avif")
    for name, index, pictures in (("avif", 10, None), ("jxl", 11, None), ("read", 3, [avif])):
        run = BatchRun({"Snaprill": {"ImageType": index}})
        env = dict(os.environ, SNAPRILL_HOME=run.home, XDG_CONFIG_HOME=run.home)
        result = subprocess.run([program, "--settings", run.settings, "--output-dir", run.out,
                                 "--", *(pictures or [run.picture(screenshot_like(32, 16))])],
                                env=env, capture_output=True, text=True, timeout=60)
        check(result.returncode == 1 and "snaprill-codecs.so" in result.stderr
              and not os.listdir(run.out),
              f"{name} without the module: exit {result.returncode} {result.stderr!r}")


def main():
    check_lossless()
    check_lossy()
    check_animation()
    with tempfile.TemporaryDirectory() as folder:
        check_readers(folder)
        check_without_module(folder)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
