"""PNG captures checked by independent readers: every compression level 0-9 of a
screenshot-like capture passes pngcheck and decodes with Pillow to exactly the
capture's pixels. The files come from test_formats, which writes them into the
folder named by SNAPRILL_PNG_OUT."""
import os
import subprocess
import sys
import tempfile

from PIL import Image


def main():
    build = os.environ.get("SNAPRILL_BUILD")
    if not build:
        print("SNAPRILL_BUILD not set")
        return 1
    test_formats = os.path.join(build, "tests", "test_formats")
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, SNAPRILL_PNG_OUT=folder)
        subprocess.run([test_formats, "--gtest_filter=PngWriter.WritesCapturesForDecoderChecks"],
                       env=env, check=True, stdout=subprocess.DEVNULL)
        with Image.open(os.path.join(folder, "capture.ppm")) as ppm:
            expected = ppm.convert("RGB").tobytes()
            size = ppm.size
        for level in range(10):
            path = os.path.join(folder, "level%d.png" % level)
            check = subprocess.run(["pngcheck", "-q", path], capture_output=True, text=True)
            if check.returncode != 0:
                failures.append("level %d: pngcheck: %s" % (level, check.stdout + check.stderr))
            with Image.open(path) as png:
                if png.mode != "RGB" or png.size != size:
                    failures.append("level %d: %s %s" % (level, png.mode, png.size))
                elif png.tobytes() != expected:
                    failures.append("level %d: pixels differ" % level)
    for f in failures:
        print(f)
    print("checked levels 0-9: %d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
