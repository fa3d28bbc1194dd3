"""Windows bitmap and enhanced metafile files of every depth, written by our writers
(through tests/tools/sample_writer) and read back independently: Pillow decodes the
bitmaps, and the metafiles are parsed record by record with their one raster
drawing handed to Pillow as a bitmap. Pixels are compared with the writer's own
dump of each picture."""
import io
import os
import shutil
import struct
import tempfile
import unittest

from PIL import Image

from batchlib import write_samples

MODES = {1: "1", 4: "P", 8: "P", 16: "RGB", 24: "RGB", 32: "RGB"}


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def read_truth(path):
    """The writer's dump: width, height (little-endian 32-bit), then R G B per pixel."""
    data = read_bytes(path)
    width, height = struct.unpack_from("<II", data, 0)
    pixels = [tuple(data[i:i + 3]) for i in range(8, len(data), 3)]
    return width, height, pixels


def depth_of(name):
    return int(name[3:].split("_")[0].split(".")[0])


class BitmapsAndMetafiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="snaprill-bmp-emf-")
        write_samples("bmp-emf", cls.folder)
        names = sorted(os.listdir(cls.folder))
        cls.bitmaps = [n for n in names if n.endswith(".bmp")]
        cls.metafiles = [n for n in names if n.endswith(".emf")]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def assertPixels(self, image, bits, truth_path):
        width, height, truth = read_truth(truth_path)
        self.assertEqual(image.size, (width, height))
        self.assertEqual(image.mode, MODES[bits])
        pixels = list(image.convert("RGB").getdata())
        if bits == 16:
            # Pillow widens 5-bit channels by scaling, we by repeating the top bits.
            pixels = [tuple(c >> 3 for c in p) for p in pixels]
            truth = [tuple(c >> 3 for c in p) for p in truth]
        self.assertEqual(pixels, truth)

    def test_every_depth_was_written(self):
        self.assertEqual({depth_of(n) for n in self.bitmaps}, set(MODES))
        self.assertEqual({depth_of(n) for n in self.metafiles}, set(MODES))
        self.assertEqual(len(self.bitmaps), 6 * 7)

    def test_pillow_reads_bitmap_headers_palettes_and_pixels(self):
        for name in self.bitmaps:
            with self.subTest(name):
                path = os.path.join(self.folder, name)
                bits = depth_of(name)
                data = read_bytes(path)
                self.assertEqual(data[:2], b"BM")
                self.assertEqual(struct.unpack_from("<I", data, 2)[0], len(data))
                self.assertEqual(struct.unpack_from("<H", data, 28)[0], bits)
                entries = 1 << bits if bits <= 8 else 0
                self.assertEqual(struct.unpack_from("<I", data, 10)[0], 54 + 4 * entries)
                with Image.open(path) as im:
                    im.load()
                    self.assertEqual(im.format, "BMP")
                    if im.mode == "P":
                        self.assertEqual(len(im.getpalette()) // 3, entries)
                    self.assertPixels(im, bits, path[:-4] + ".rgb")

    def test_metafile_raster_record_holds_the_picture(self):
        for name in self.metafiles:
            with self.subTest(name):
                path = os.path.join(self.folder, name)
                bits = depth_of(name)
                data = read_bytes(path)
                records, pos = [], 0
                while pos < len(data):
                    rtype, size = struct.unpack_from("<II", data, pos)
                    self.assertTrue(size >= 8 and size % 4 == 0)
                    records.append((rtype, pos, size))
                    pos += size
                self.assertEqual(pos, len(data))
                self.assertEqual([r[0] for r in records], [1, 81, 14])
                self.assertEqual(data[40:44], b" EMF")
                n_bytes, n_records = struct.unpack_from("<II", data, 48)
                self.assertEqual((n_bytes, n_records), (len(data), 3))
                width, height, _ = read_truth(path[:-4] + ".rgb")
                self.assertEqual(struct.unpack_from("<4i", data, 8), (0, 0, width - 1, height - 1))
                # Frame in 0.01 mm on a 1280 x 1024 screen at 96 dpi (339 x 271 mm).
                frame = struct.unpack_from("<4i", data, 24)
                self.assertEqual(frame, (0, 0, round(width * 33900 / 1280), round(height * 27100 / 1024)))

                _, start, size = records[1]
                fields = struct.unpack_from("<4i6i4I2I2i", data, start + 8)
                dest_src = fields[4:10]
                off_bmi, cb_bmi, off_bits, cb_bits, usage, rop, cx, cy = fields[10:18]
                self.assertEqual(dest_src, (0, 0, 0, 0, width, height))
                self.assertEqual((usage, rop, cx, cy), (0, 0x00CC0020, width, height))
                self.assertEqual(off_bits + cb_bits, size)
                # The record's BITMAPINFO and bits make a bitmap file on their own.
                info = data[start + off_bmi:start + off_bmi + cb_bmi]
                bits_data = data[start + off_bits:start + off_bits + cb_bits]
                header = b"BM" + struct.pack("<IHHI", 14 + len(info) + len(bits_data), 0, 0,
                                             14 + len(info))
                with Image.open(io.BytesIO(header + info + bits_data)) as im:
                    im.load()
                    self.assertPixels(im, bits, path[:-4] + ".rgb")


if __name__ == "__main__":
    unittest.main()
