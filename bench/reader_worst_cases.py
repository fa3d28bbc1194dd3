"""Peak memory and time of snaprill-batch on the worst inputs known for each reader:
small files whose headers claim huge pictures. Reports, never fails.

    python3 bench/reader_worst_cases.py [path/to/snaprill-batch] [case ...]

Each case is generated into a temporary folder and run once under /usr/bin/time -v
(the output type is the default JPEG). The load average is printed first: figures
taken on a busy machine are rough.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(os.path.dirname(__file__), "..", "build"))


def jpeg_frame_without_data(path, width, height):
    """A real JPEG's markers up to its scan header, the frame size patched, then EOI:
    no entropy-coded data at all."""
    small = path + ".small.jpg"
    Image.new("RGB", (16, 16), (90, 90, 90)).save(small, quality=90)
    data = bytearray(open(small, "rb").read())
    os.remove(small)
    sof = data.index(b"\xff\xc0")
    struct.pack_into(">HH", data, sof + 5, height, width)
    sos = data.index(b"\xff\xda")
    end = sos + 2 + struct.unpack_from(">H", data, sos + 2)[0]
    open(path, "wb").write(bytes(data[:end]) + b"\xff\xd9")


def jpeg_flat(path, side, progressive):
    """A real flat picture at the pixel budget: the least data a full frame needs."""
    Image.new("RGB", (side, side), (90, 90, 90)).save(path, quality=90,
                                                       progressive=progressive)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png_zero_rows(path, width, height):
    """8-bit RGB rows of zeros: deflate's best ratio, about 1:1030."""
    packer = zlib.compressobj(9)
    row = bytes(1 + 3 * width)
    parts = [packer.compress(row) for _ in range(height)]
    parts.append(packer.flush())
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", b"".join(parts))
                + chunk(b"IEND", b""))


def bmp_rle8(path, side, data_bytes):
    """Runs of 255 zero pixels for data_bytes bytes, then end of bitmap."""
    body = b"\xff\x00" * (data_bytes // 2) + b"\x00\x01"
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 8, 1, len(body), 2835, 2835, 256, 0)
    table = bytes(4 * 256)
    offset = 14 + len(info) + len(table)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(body), 0, 0, offset) + info + table + body)


def targa_rle(path, side):
    """Type 10, 24 bits: run packets of 128 black pixels."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 10, 0, 0, 0, 0, 0, side, side, 24, 0)
    packets = side * side // 128 + 1
    with open(path, "wb") as f:
        f.write(header)
        block = b"\xff\x00\x00\x00" * 65536
        while packets > 0:
            n = min(packets, 65536)
            f.write(block[: 4 * n])
            packets -= n


def pcx_runs(path, side):
    """24 bits in three planes, every plane line runs of 63 zero bytes."""
    header = bytearray(128)
    header[0:4] = b"\x0a\x05\x01\x08"
    struct.pack_into("<HHHHHH", header, 4, 0, 0, side - 1, side - 1, 72, 72)
    header[65] = 3
    struct.pack_into("<HH", header, 66, side, 1)
    line = b"\xff\x00" * (side // 63) + (bytes([0xC0 + side % 63, 0]) if side % 63 else b"")
    with open(path, "wb") as f:
        f.write(header)
        rows = line * 3 * 256
        for _ in range(side // 256):
            f.write(rows)
        f.write(line * 3 * (side % 256))


def gif_big_screen(path, side):
    """A logical screen of side x side around a 1 x 1 image."""
    with open(path, "wb") as f:
        f.write(b"GIF89a" + struct.pack("<HHBBB", side, side, 0x80, 0, 0) + bytes(6))
        f.write(b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00\x3b")


def wmf_big_canvas(path, side):
    """A placeable metafile of side x side pixels at 96 per inch around a 1 x 1 DIB."""
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, side, side, 96, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    placeable += struct.pack("<H", checksum)
    dib = struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 24, 0, 4, 0, 0, 0, 0) + b"\x00\x00\xff\x00"
    params = struct.pack("<IHhhhhhhhh", 0x00CC0020, 0, 1, 1, 0, 0, side, side, 0, 0)
    record = params + dib
    words = 3 + len(record) // 2
    body = struct.pack("<IH", words, 0x0F43) + record + struct.pack("<IH", 3, 0)
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, (18 + len(body)) // 2, 0, words, 0)
    open(path, "wb").write(placeable + header + body)


CASES = {
    "jpeg-23000-no-data": lambda p: jpeg_frame_without_data(p + ".jpg", 23000, 23000),
    "jpeg-16384-no-data": lambda p: jpeg_frame_without_data(p + ".jpg", 16384, 16384),
    "jpeg-8000-no-data": lambda p: jpeg_frame_without_data(p + ".jpg", 8000, 8000),
    "jpeg-8192-flat": lambda p: jpeg_flat(p + ".jpg", 8192, False),
    "jpeg-8192-flat-progressive": lambda p: jpeg_flat(p + ".jpg", 8192, True),
    "png-zero-rows-16384x21845": lambda p: png_zero_rows(p + ".png", 16384, 21845),
    "png-zero-rows-8192": lambda p: png_zero_rows(p + ".png", 8192, 8192),
    "bmp-rle8-16384-263k": lambda p: bmp_rle8(p + ".bmp", 16384, 263000),
    "bmp-rle8-8192-66k": lambda p: bmp_rle8(p + ".bmp", 8192, 66000),
    "tga-rle-23000": lambda p: targa_rle(p + ".tga", 23000),
    "tga-rle-8192": lambda p: targa_rle(p + ".tga", 8192),
    "pcx-runs-16384": lambda p: pcx_runs(p + ".pcx", 16384),
    "pcx-runs-8192": lambda p: pcx_runs(p + ".pcx", 8192),
    "gif-screen-8192": lambda p: gif_big_screen(p + ".gif", 8192),
    "wmf-canvas-8192": lambda p: wmf_big_canvas(p + ".wmf", 8192),
}


def measure(batch, picture, home):
    env = dict(os.environ, SNAPRILL_HOME=home, XDG_CONFIG_HOME=home)
    out = os.path.join(home, "out")
    os.makedirs(out, exist_ok=True)
    run = subprocess.run(["/usr/bin/time", "-v", batch, "--no-launch", "--output-dir", out, "--",
                          picture], env=env, capture_output=True, text=True)
    fields = {}
    for line in run.stderr.splitlines():
        key, _, value = line.strip().rpartition(": ")
        fields[key] = value
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))
    peak_mb = int(fields.get("Maximum resident set size (kbytes)", "0")) / 1024
    wall = fields.get("Elapsed (wall clock) time (h:mm:ss or m:ss)", "?")
    status = fields.get("Exit status", "?")
    message = [l for l in run.stderr.splitlines() if l.startswith("snaprill-batch")]
    return peak_mb, wall, status, message[0] if message else ""


def main():
    args = sys.argv[1:]
    batch = os.path.join(BUILD, "src", "snaprill-batch")
    if args and os.path.isfile(args[0]):
        batch = args.pop(0)
    chosen = args or list(CASES)
    print("load average:", " ".join("%.2f" % v for v in os.getloadavg()), "batch:", batch)
    with tempfile.TemporaryDirectory() as home:
        for name in chosen:
            base = os.path.join(home, name)
            CASES[name](base)
            picture = [os.path.join(home, f) for f in os.listdir(home) if f.startswith(name)][0]
            size_kb = os.path.getsize(picture) / 1024
            peak, wall, status, message = measure(batch, picture, home)
            os.remove(picture)
            print("%-28s %9.0f KB  peak %7.0f MB  %8s  exit %s  %s"
                  % (name, size_kb, peak, wall, status, message[:110]), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
