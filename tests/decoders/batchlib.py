"""Shared helpers of the decoder checks: screenshot-like pictures, settings files,
runs of snaprill-batch in a temporary SNAPRILL_HOME and the sample files of our
encoders."""
import os
import shutil
import subprocess
import tempfile
import weakref

from PIL import Image, ImageDraw

BATCH = os.environ.get("SNAPRILL_BATCH", "snaprill-batch")
SAMPLE_WRITER = os.environ.get("SNAPRILL_SAMPLE_WRITER", "sample_writer")


def write_samples(family, folder):
    """Has tests/tools/sample_writer write one family of files into folder."""
    run = subprocess.run([SAMPLE_WRITER, family, folder], capture_output=True, text=True,
                         timeout=120)
    if run.returncode != 0:
        raise AssertionError("sample_writer %s failed: %s" % (family, run.stdout + run.stderr))


def screenshot_like(width=320, height=200):
    """Flat window areas, a title bar, text-like strokes and a photo-like gradient."""
    im = Image.new("RGB", (width, height), (236, 236, 236))
    d = ImageDraw.Draw(im)
    d.rectangle([0, 0, width, 22], fill=(48, 92, 160))
    for i in range(0, width - 40, 9):
        d.line([20 + i, 40, 24 + i, 48], fill=(20, 20, 20))
    for y in range(height // 2, height):
        for x in range(width // 2, width):
            im.putpixel((x, y), ((x * 7) & 255, (y * 3) & 255, (x + y) & 255))
    return im


class BatchRun:
    """A temporary program folder with a settings file; run() feeds pictures."""

    def __init__(self, settings=None):
        self.home = tempfile.mkdtemp(prefix="snaprill-decoders-")
        # Gone with the run (at the latest when the check ends): every test run
        # would otherwise leave its folders in /tmp.
        weakref.finalize(self, shutil.rmtree, self.home, True)
        self.out = os.path.join(self.home, "out")
        os.mkdir(self.out)
        self.settings = os.path.join(self.home, "profile.snp")
        with open(self.settings, "w") as f:
            for section, keys in (settings or {}).items():
                f.write("[%s]\n" % section)
                for key, value in keys.items():
                    f.write("%s=%s\n" % (key, value))

    def picture(self, image, name="in.bmp"):
        path = os.path.join(self.home, name)
        image.save(path)
        return path

    def run(self, *pictures, extra=()):
        env = dict(os.environ, SNAPRILL_HOME=self.home, XDG_CONFIG_HOME=self.home)
        cmd = [BATCH, "--settings", self.settings, "--output-dir", self.out, *extra, "--", *pictures]
        return subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=300)
