"""snaprill-batch --settings A --save-settings B: B is written in the schema's order
with clamped values, the autostart entry follows RunAutomatically, and the overlay
file "snaprill.tmp" is read and written back (checked with Pillow)."""
import os
import subprocess
import sys
import tempfile

from PIL import Image

BATCH = os.environ["SNAPRILL_BATCH"]

ORDER = [
    ("Snaprill", ["ImageType", "JPEGQuality", "PNGComp", "WebPQuality", "AVIFQuality", "JXLQuality", "Top", "Left", "Advanced",
                  "RememberLastPic", "LastPic", "NoClearClpStart", "NoClearClpResume",
                  "StartPaused", "TrayAlways", "RunAutomatically", "TakeImageWithText",
                  "PrintScreenCopies", "History", "HistoryNeverRead", "HistoryOffered"]),
    ("General", ["OutputDir", "FilenamePrefix", "AddZeros", "SimPrntScrn", "SimAltPrntScrn",
                 "PrntScrnHotKey", "AltPrntScrnHotKey", "AutoSave1", "AutoSave2", "AutoSave3",
                 "HotKey1", "HotKey2", "HotKey3", "Options1", "Options2", "Options3"]),
    ("Images", ["AddText", "Text", "TextPos", "TextBGColor", "TextCol", "Font", "FontSize",
                "FontStyle", "TextX", "TextY", "AddCursor", "AddPic", "AddPicX", "AddPicY"]),
    ("GIF", ["SaveAnimation", "ImageCount", "Delay", "Grayscale", "Optimize"]),
    ("TIFF", ["TIFFBits", "TargaBW", "BMPBits"]),
    ("DimAndEffects", ["Crop", "CropLeft", "CropTop", "CropWidth", "CropHeight", "AutoResize",
                       "ResizeWidth", "ResizeHeight", "Invert", "Emboss", "Grayscale",
                       "Pixelize", "PixelizeLevel", "Blur", "BlurLevel"]),
    ("Automation", ["TimeCount", "TimeUnits", "StopAfter", "StopImages", "Delay", "DelayTime",
                    "ExtProg", "ExtProgCmd", "ExtProgParam", "TableAlign", "TableCols",
                    "ImageWidth", "ImageHeight", "Hyperlinks"]),
]


def parse(path):
    """Sections and keys in file order, by our own reading of the text."""
    sections = []
    with open(path, "rb") as f:
        for raw in f.read().decode("utf-8").splitlines():
            if raw.startswith("["):
                sections.append((raw[1:raw.index("]")], []))
            elif "=" in raw:
                key, value = raw.split("=", 1)
                sections[-1][1].append((key, value))
    return sections


def run(args, env):
    result = subprocess.run([BATCH] + args, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"snaprill-batch {args} failed ({result.returncode}): {result.stderr}")


def main():
    with tempfile.TemporaryDirectory() as tmp:
        home = os.path.join(tmp, "home")
        xdg = os.path.join(tmp, "xdg")
        os.makedirs(home)
        env = dict(os.environ, SNAPRILL_HOME=home, XDG_CONFIG_HOME=xdg)
        overlay = Image.new("RGB", (5, 3), (10, 20, 30))
        overlay.putpixel((4, 2), (250, 128, 1))
        overlay.save(os.path.join(home, "snaprill.tmp"), format="BMP")

        a = os.path.join(tmp, "a.snp")
        b = os.path.join(tmp, "b.snp")
        with open(a, "wb") as f:
            f.write(b"\xef\xbb\xbf[snaprill]\r\nImageType=12\r\nJPEGQuality=250\r\n"
                    b"Overwrite=1\r\nRunAutomatically=1\r\nRememberLastPic=1\r\nLastPic=123456\r\n"
                    b"[Mine]\r\nfoo=bar\r\n[GIF]\r\nImageCount=1\r\n[Automation]\r\n"
                    b"TableCols=80\r\nTimeUnits=7\r\nDelayTime=junk\r\n"
                    b"[General]\r\nPrntScrnHotKey=0x7A\r\nFilenamePrefix=\"my shot\"\r\n"
                    b"[Images]\r\nFontStyle=UB\r\nAddPic=1\r\n"
                    b"[Language]\r\nLangFile=/somewhere/eesti.ini\r\n")
        run(["--settings", a, "--save-settings", b], env)

        written = parse(b)
        assert [(s, [k for k, _ in keys]) for s, keys in written] == ORDER, written
        values = {(s, k): v for s, keys in written for k, v in keys}
        expected = {
            ("Snaprill", "ImageType"): "0", ("Snaprill", "JPEGQuality"): "100",
            ("Snaprill", "LastPic"): "0", ("Snaprill", "RunAutomatically"): "1",
            ("Snaprill", "PrintScreenCopies"): "1",
            ("GIF", "ImageCount"): "2", ("Automation", "TableCols"): "50",
            ("Automation", "TimeUnits"): "1", ("Automation", "DelayTime"): "1",
            ("General", "PrntScrnHotKey"): "122", ("General", "FilenamePrefix"): "my shot",
            ("General", "OutputDir"): home + "/", ("Images", "FontStyle"): "bu",
        }
        for key, value in expected.items():
            assert values[key] == value, (key, values[key], value)

        entry = os.path.join(xdg, "autostart", "snaprill.desktop")
        with open(entry) as f:
            lines = f.read().splitlines()
        assert lines[0] == "[Desktop Entry]", lines
        program = os.path.join(os.path.dirname(os.path.realpath(BATCH)), "snaprill")
        assert f"Exec={program}" in lines, lines

        back = Image.open(os.path.join(home, "snaprill.tmp"))
        assert back.size == (5, 3), back.size
        assert back.convert("RGB").getpixel((4, 2)) == (250, 128, 1)
        assert not os.path.exists(os.path.join(home, "snaprill.ini")), "main file written"

        # Switched off, the next save removes the entry; an empty overlay gives an
        # empty file.
        with open(a, "w") as f:
            f.write("[Snaprill]\nRunAutomatically=0\n")
        os.remove(os.path.join(home, "snaprill.tmp"))
        run(["--settings", a, "--save-settings", b], env)
        assert not os.path.exists(entry), "autostart entry left behind"
        assert os.path.getsize(os.path.join(home, "snaprill.tmp")) == 0
    print("ok")


if __name__ == "__main__":
    main()
