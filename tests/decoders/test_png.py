"""PNG captures checked by independent readers: every compression level 0-9 of a
screenshot-like capture passes pngcheck and decodes with Pillow to exactly the
capture's pixels. The files come from tests/tools/sample_writer."""
import os
import subprocess
import sys
import tempfile

from PIL import Image

from batchlib import write_samples


def main():
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        write_samples("png", folder)
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
