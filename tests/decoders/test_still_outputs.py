"""JPEG, Bitmap and Enhanced Metafile files written by snaprill-batch, read back by
independent decoders (Pillow, djpeg) and, for the metafile, record by record."""
import os
import pathlib
import struct
import subprocess
import tempfile
import unittest

from PIL import Image

from batchlib import BatchRun, screenshot_like


class StillOutputs(unittest.TestCase):
    def test_jpeg_at_qualities_1_90_100_is_baseline_of_the_captures_size(self):
        for quality in (1, 90, 100):
            run = BatchRun({"Snaprill": {"ImageType": 0, "JPEGQuality": quality}})
            result = run.run(run.picture(screenshot_like(333, 211)))
            self.assertEqual(result.returncode, 0, result.stderr)
            path = result.stdout.strip()
            self.assertEqual(path, os.path.join(run.out, "snp1.jpg"))
            with Image.open(path) as im:
                self.assertEqual(im.format, "JPEG")
                self.assertEqual(im.size, (333, 211))
                self.assertEqual(im.mode, "RGB")
                self.assertFalse(im.info.get("progressive", False))
            djpeg = subprocess.run(["djpeg", "-verbose", "-outfile", os.devnull, path],
                                   capture_output=True, text=True)
            self.assertEqual(djpeg.returncode, 0, djpeg.stderr)
            self.assertIn("Start Of Frame 0xc0", djpeg.stderr)  # baseline

    def test_a_large_jpeg_is_one_scan_every_decoder_reads_as_cjpeg_writes_it(self):
        # Large enough to be written in strips wherever there is a second processor,
        # with sides that are no whole 16-pixel blocks: the strips are joined by
        # restart markers into the file cjpeg writes with the same restart interval.
        tile = screenshot_like(333, 211)
        source = Image.new("RGB", (3001, 2003))
        for y in range(0, 2003, 211):
            for x in range(0, 3001, 333):
                source.paste(tile, (x, y))
        run = BatchRun({"Snaprill": {"ImageType": 0, "JPEGQuality": 90}})
        bmp = run.picture(source)
        result = run.run(bmp)
        self.assertEqual(result.returncode, 0, result.stderr)
        path = result.stdout.strip()
        data = pathlib.Path(path).read_bytes()
        # DRI: written in strips, each 8 rows of blocks.
        restarts = ["-restart", "8"] if b"\xff\xdd" in data else []
        with tempfile.TemporaryDirectory() as folder:
            reference = os.path.join(folder, "cjpeg.jpg")
            subprocess.run(["cjpeg", "-dct", "float", "-quality", "90", "-baseline", *restarts,
                            "-outfile", reference, bmp], check=True)
            expected = pathlib.Path(reference).read_bytes()
        # The same bytes but for the JFIF density, which cjpeg takes from the BMP.
        self.assertEqual(len(data), len(expected))
        self.assertEqual(data[:13] + data[18:], expected[:13] + expected[18:])
        djpeg = subprocess.run(["djpeg", "-ppm", path], capture_output=True)
        self.assertEqual(djpeg.returncode, 0, djpeg.stderr)
        self.assertEqual(djpeg.stderr, b"")
        with Image.open(path) as im:
            self.assertEqual(im.size, (3001, 2003))
            self.assertEqual(im.convert("RGB").tobytes(), djpeg.stdout[-3001 * 2003 * 3:])
        ffmpeg = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"],
                                capture_output=True, text=True)
        self.assertEqual(ffmpeg.returncode, 0, ffmpeg.stderr)
        self.assertEqual(ffmpeg.stderr, "")

    def test_bitmap_at_every_pixel_format_entry(self):
        # entry: (bits per pixel, colour-table entries)
        expected = {0: (32, 0), 1: (32, 0), 2: (24, 0), 3: (16, 0), 4: (8, 256), 5: (4, 16), 6: (1, 2)}
        source = screenshot_like(37, 19)
        for entry, (bits, colours) in expected.items():
            run = BatchRun({"Snaprill": {"ImageType": 3}, "TIFF": {"BMPBits": entry}})
            result = run.run(run.picture(source))
            self.assertEqual(result.returncode, 0, result.stderr)
            path = result.stdout.strip()
            self.assertTrue(path.endswith("snp1.bmp"))
            data = pathlib.Path(path).read_bytes()
            self.assertEqual(data[:2], b"BM")
            self.assertEqual(struct.unpack_from("<H", data, 28)[0], bits, entry)
            offset = struct.unpack_from("<I", data, 10)[0]
            self.assertEqual((offset - 54) // 4, colours, entry)
            with Image.open(path) as im:
                im.load()
                self.assertEqual(im.size, (37, 19))
                if bits >= 24:
                    self.assertEqual(list(im.convert("RGB").getdata()), list(source.getdata()))

    def test_metafile_holds_one_raster_record_covering_the_capture(self):
        run = BatchRun({"Snaprill": {"ImageType": 4}})
        result = run.run(run.picture(screenshot_like(50, 30)))
        self.assertEqual(result.returncode, 0, result.stderr)
        data = pathlib.Path(result.stdout.strip()).read_bytes()
        records = []
        pos = 0
        while pos < len(data):
            rtype, size = struct.unpack_from("<II", data, pos)
            self.assertGreaterEqual(size, 8)
            self.assertEqual(size % 4, 0)
            records.append((rtype, pos, size))
            pos += size
        self.assertEqual(pos, len(data))
        self.assertEqual([r[0] for r in records], [1, 81, 14])  # header, STRETCHDIBITS, EOF
        self.assertEqual(data[40:44], b" EMF")
        self.assertEqual(struct.unpack_from("<I", data, 48)[0], len(data))
        self.assertEqual(struct.unpack_from("<I", data, 52)[0], 3)
        bounds = struct.unpack_from("<4i", data, 8)
        self.assertEqual(bounds, (0, 0, 49, 29))
        _, start, _ = records[1]
        x_dest, y_dest, x_src, y_src, cx_src, cy_src = struct.unpack_from("<6i", data, start + 24)
        cx_dest, cy_dest = struct.unpack_from("<2i", data, start + 72)
        self.assertEqual((x_dest, y_dest, x_src, y_src, cx_src, cy_src), (0, 0, 0, 0, 50, 30))
        self.assertEqual((cx_dest, cy_dest), (50, 30))


if __name__ == "__main__":
    unittest.main()
