"""GIF and AVI files of the capture cycle, read by independent decoders.

tests/tools/sample_writer writes the files and, for each frame, the colour indexes
and table it must decode to. Pillow and giflib read every GIF; ffprobe and ffmpeg read every AVI.
The first frame of an animation that grows after its first capture must look the
same in Pillow, ImageMagick and ffmpeg: the capture with black around it.
"""
import json
import os
import subprocess
import sys
import tempfile
from fractions import Fraction

from PIL import Image, ImageSequence

from batchlib import write_samples


def frames_of(folder, name, count):
    out = []
    for i in range(count):
        stem = os.path.join(folder, f"{name}.{i}")
        with open(stem + ".idx", "rb") as f:
            idx = f.read()
        with open(stem + ".pal", "rb") as f:
            pal = f.read()
        rgb = b"".join(pal[3 * v:3 * v + 3] for v in idx)
        out.append((idx, rgb))
    return out


def check_gif(path, expected, sizes, delay):
    im = Image.open(path)
    decoded = [frame.convert("RGB") for frame in ImageSequence.Iterator(im)]
    assert len(decoded) == len(expected), (path, len(decoded))
    for (idx, rgb), frame, size in zip(expected, decoded, sizes):
        assert frame.size == size, (path, frame.size, size)
        assert frame.tobytes() == rgb, f"{path}: Pillow's pixels differ"
    if delay >= 0:
        im.seek(0)
        assert im.info.get("duration") == delay * 10, im.info
        assert im.info.get("loop") == 0, im.info
    raw = subprocess.run(["giftext", "-r", path], check=True, capture_output=True).stdout
    assert raw == b"".join(idx for idx, _ in expected), f"{path}: giflib's indexes differ"
    text = subprocess.run(["giftext", path], check=True, capture_output=True, text=True).stdout
    assert "GIF file terminated normally" in text, text


def check_first_frame_everywhere(path, expected):
    """ImageMagick and ffmpeg fill what the first frame leaves uncovered with their
    own colour; the first frame must leave nothing uncovered."""
    _, rgb = expected[0]
    magick = subprocess.run(["convert", path + "[0]", "-depth", "8", "rgb:-"], check=True,
                            capture_output=True).stdout
    assert magick == rgb, f"{path}: ImageMagick's first frame differs"
    ffmpeg = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-frames:v", "1", "-f",
                             "rawvideo", "-pix_fmt", "rgb24", "-"], check=True,
                            capture_output=True).stdout
    assert ffmpeg == rgb, f"{path}: ffmpeg's first frame differs"


def check_avi(path, expected, sizes, delay, frame_count):
    probe = json.loads(subprocess.run(
        ["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json", path],
        check=True, capture_output=True).stdout)
    (stream,) = probe["streams"]
    assert stream["codec_name"] == "rawvideo", stream
    assert stream["pix_fmt"] == "pal8", stream
    assert int(stream["nb_read_frames"]) == frame_count, stream
    # Each frame shows for its delay in hundredths of a second, as in the GIF: a
    # delay of 10 plays at 10 frames a second.
    for rate in ("r_frame_rate", "avg_frame_rate"):
        assert Fraction(stream[rate]) == Fraction(100, delay), (rate, stream)
    if delay == 10:
        assert stream["r_frame_rate"] == "10/1", stream
    w, h = sizes[0]
    assert (stream["width"], stream["height"]) == (w, h), stream
    rgb = subprocess.run(
        ["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
        check=True, capture_output=True).stdout
    assert len(rgb) == frame_count * w * h * 3, (path, len(rgb))
    for i, (_, want) in enumerate(expected):
        got = rgb[i * w * h * 3:(i + 1) * w * h * 3]
        assert got == want, f"{path}: ffmpeg's frame {i} differs"


def main():
    with tempfile.TemporaryDirectory() as folder:
        write_samples("animation", folder)
        checked = 0
        with open(os.path.join(folder, "manifest.txt")) as manifest:
            for line in manifest:
                name, count, delay, *dims = line.split()
                sizes = [tuple(int(v) for v in d.split("x")) for d in dims]
                expected = frames_of(folder, name, int(count))
                path = os.path.join(folder, name)
                if name.endswith(".gif"):
                    check_gif(path, expected, sizes, int(delay))
                    if name == "grows.gif":
                        check_first_frame_everywhere(path, expected)
                else:
                    # sizes.avi: two captures of different sizes, the second fitted.
                    frames = 2 if name == "sizes.avi" else int(count)
                    check_avi(path, expected, sizes, int(delay), frames)
                checked += 1
        assert checked >= 12, checked
    print(f"{checked} files checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
