/* The other side of the PNG benchmark: a 24-bit BMP written as PNG by libpng alone,
 * filter None, at a given zlib level — what snaprill-batch does, as plainly as
 * libpng allows.
 *
 * usage: libpng_writer LEVEL IN.bmp OUT.png */
#include <png.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static uint32_t le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: libpng_writer LEVEL IN.bmp OUT.png\n");
    return 2;
  }
  FILE* in = fopen(argv[2], "rb");
  if (!in) return 1;
  fseek(in, 0, SEEK_END);
  const long size = ftell(in);
  fseek(in, 0, SEEK_SET);
  unsigned char* bmp = malloc((size_t)size);
  if (!bmp || fread(bmp, 1, (size_t)size, in) != (size_t)size) return 1;
  fclose(in);
  const uint32_t offset = le32(bmp + 10), width = le32(bmp + 18);
  const int32_t height = (int32_t)le32(bmp + 22);
  const uint32_t rows = (uint32_t)(height < 0 ? -height : height);
  const size_t stride = (width * 3 + 3) & ~(size_t)3;
  if (bmp[28] != 24 || offset + stride * rows > (size_t)size) return 1;

  FILE* out = fopen(argv[3], "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
  png_infop info = png_create_info_struct(png);
  if (!out || !png || !info || setjmp(png_jmpbuf(png))) return 1;
  png_init_io(png, out);
  png_set_compression_level(png, atoi(argv[1]));
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_IHDR(png, info, width, rows, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  for (uint32_t y = 0; y < rows; ++y) {
    const uint32_t from = height < 0 ? y : rows - 1 - y;
    png_write_row(png, bmp + offset + from * stride);
  }
  png_write_end(png, NULL);
  png_destroy_write_struct(&png, &info);
  free(bmp);
  return fclose(out) == 0 ? 0 : 1;
}
