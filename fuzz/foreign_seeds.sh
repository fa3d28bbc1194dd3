#!/bin/bash
# Seeds for longer fuzzing runs that we did not make ourselves: the SDL2_image test
# pictures (Debian package libsdl2-image-tests) and ImageMagick-written variants of
# every reader's format, one folder per fuzz target.
# usage: fuzz/foreign_seeds.sh OUT_DIR
set -u
out=${1:?usage: fuzz/foreign_seeds.sh OUT_DIR}
sdl=/usr/libexec/installed-tests/SDL2_image
[ -d "$sdl" ] || { echo "install libsdl2-image-tests first" >&2; exit 1; }
for t in bmp gif jpeg pcx png png_capture targa zlib_inflate ini language clipboard_offer; do
  mkdir -p "$out/$t"
done
small=$(mktemp --suffix=.png)
trap 'rm -f "$small"' EXIT
# A small picture keeps the fuzzers fast.
convert "$sdl/sample.png" -resize 48x48 "$small"
im() { convert "$small" "$@" 2>/dev/null; }
cp "$sdl"/sample.bmp "$sdl"/palette.bmp "$out/bmp/"
im -type TrueColor "BMP3:$out/bmp/im_24.bmp"
im -type Palette "BMP3:$out/bmp/im_8.bmp"
im -colors 16 "BMP3:$out/bmp/im_4.bmp"
im -monochrome "BMP3:$out/bmp/im_1.bmp"
im -alpha on "$out/bmp/im_32.bmp"
im -colors 200 -compress RLE "BMP3:$out/bmp/im_rle8.bmp"
cp "$sdl/palette.gif" "$out/gif/"
im "$out/gif/im.gif"
im -interlace GIF "$out/gif/im_interlaced.gif"
convert -delay 10 "$small" \( "$small" -negate \) -loop 0 "$out/gif/im_animated.gif"
cp "$sdl/sample.jpg" "$out/jpeg/"
im -interlace JPEG "$out/jpeg/im_progressive.jpg"
im -colorspace Gray "$out/jpeg/im_gray.jpg"
im -colorspace CMYK "$out/jpeg/im_cmyk.jpg"
im -define jpeg:restart-interval=1 "$out/jpeg/im_restart.jpg"
cp "$sdl/sample.pcx" "$out/pcx/"
im "$out/pcx/im_24.pcx"
im -colors 200 "$out/pcx/im_8.pcx"
im -monochrome "$out/pcx/im_1.pcx"
cp "$sdl/sample.png" "$out/png/"
im -depth 16 "$out/png/im_16.png"
im "PNG8:$out/png/im_palette.png"
im -colorspace Gray "$out/png/im_gray.png"
im -interlace PNG "$out/png/im_adam7.png"
im -alpha on "PNG32:$out/png/im_rgba.png"
cp "$out"/png/* "$out/png_capture/"
cp "$sdl/sample.tga" "$out/targa/"
im "$out/targa/im_24.tga"
im -compress RLE "$out/targa/im_rle.tga"
im -colorspace Gray "$out/targa/im_gray.tga"
im -colors 100 -type Palette "$out/targa/im_palette.tga"
python3 - "$sdl" "$out" <<'PY'
import sys, zlib
sdl, out = sys.argv[1], sys.argv[2]
for i, name in enumerate(("sample.bmp", "sample.png", "sample.jpg", "sample.tga")):
    data = open("%s/%s" % (sdl, name), "rb").read()[:20000]
    for level in (0, 1, 6, 9):
        open("%s/zlib_inflate/s%d_%d.zz" % (out, i, level), "wb").write(zlib.compress(data, level))
# Offers: the targets a program announces, a NUL, then the bytes it sends.
for name, mime in (("sample.bmp", "image/bmp"), ("sample.tif", "image/tiff"),
                   ("sample.webp", "image/webp"), ("sample.jpg", "image/jpeg")):
    data = open("%s/%s" % (sdl, name), "rb").read()
    kind = mime.split("/")[1]
    for extra, suffix in (("TIMESTAMP", ""), ("UTF8_STRING\ntext/plain", "_text")):
        open("%s/clipboard_offer/%s%s" % (out, kind, suffix), "wb").write(
            ("TARGETS\n%s\n%s\n" % (extra, mime)).encode() + b"\0" + data)
PY
find /usr/share/applications -name '*.desktop' | head -4 | xargs -r cp -t "$out/ini/"
cp "$out"/ini/* "$out/language/" 2>/dev/null
cp "$(dirname "$0")/../data/english.ini" "$out/language/"
