"""snaprill-batch draws transparent pictures over white, as the window draws them
when they are copied to the clipboard: a PNG transparent but for a blue square once
came out with the colour its transparent pixels held (green), a half-transparent
red as pure red, a GIF's transparent colour as that colour. Pictures made by Pillow
(alpha, gray with alpha, a palette with a tRNS chunk, a GIF with a transparent
colour), saved as PNG by snaprill-batch and read back by Pillow."""
import os
import sys

from PIL import Image

from batchlib import BatchRun

SIZE = (12, 8)


def over_white(channel, alpha):
    """The window's rule for one channel (rounded to the nearest level)."""
    return (channel * alpha + 255 * (255 - alpha) + 127) // 255


def rgba_square():
    """Transparent green (its hidden colour) around an opaque blue square."""
    image = Image.new("RGBA", SIZE, (0, 200, 0, 0))
    for x in range(2, 6):
        for y in range(2, 6):
            image.putpixel((x, y), (0, 0, 255, 255))
    return image


def palette_with_transparency():
    """Entry 1 (green) transparent, through a tRNS chunk or the GIF's own field."""
    image = Image.new("P", SIZE, 1)
    image.putpalette([0, 0, 255, 0, 200, 0] + [0] * 762)
    for x in range(3):
        image.putpixel((x, 0), 0)
    image.info["transparency"] = 1
    return image


def expected_of(image):
    rgba = image.convert("RGBA")
    return bytes(v for r, g, b, a in rgba.getdata()
                 for v in (over_white(r, a), over_white(g, a), over_white(b, a)))


CASES = [
    ("alpha.png", rgba_square()),
    ("half.png", Image.new("RGBA", SIZE, (255, 0, 0, 128))),
    ("gray-alpha.png", Image.new("LA", SIZE, (40, 100))),
    ("palette-trns.png", palette_with_transparency()),
    ("transparent.gif", palette_with_transparency()),
]


def main():
    run = BatchRun({"Snaprill": {"ImageType": 1}})
    failures = 0
    for name, image in CASES:
        picture = os.path.join(run.home, name)
        image.save(picture)  # a palette's transparency goes with it
        result = run.run(picture, extra=("--no-launch",))
        if result.returncode != 0:
            print(f"FAIL: {name}: exit {result.returncode}: {result.stderr}")
            failures += 1
            continue
        written = result.stdout.strip()
        with Image.open(written) as back:
            got = back.convert("RGB").tobytes()
        want = expected_of(image)
        if got != want:
            print(f"FAIL: {name}: first pixels {got[:9].hex()} where {want[:9].hex()} "
                  "(over white) was wanted")
            failures += 1
    print("FAILED: %d picture(s)" % failures if failures else
          "%d transparent pictures drawn over white" % len(CASES))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
