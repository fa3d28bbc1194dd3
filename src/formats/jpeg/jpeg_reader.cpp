// Reading JPEG files (overlay pictures and snaprill-batch's input) through libjpeg.
//
// A JPEG file is SOI (FF D8), marker segments (FF xx, a 16-bit big-endian length
// that counts itself, the segment's bytes), then SOS and the entropy-coded data of a
// scan, further scans in progressive files, EOI (FF D9). Segments that matter here:
//   SOFn  precision, height, width, components (id, sampling factors, table);
//   APP14 "Adobe": version, two flag words, transform (0 RGB or CMYK as stored,
//         1 YCbCr, 2 YCCK). Adobe applications store CMYK inverted: 255 is no ink.
#include <vector>

#include "formats/jpeg/jpeg.h"
#include "formats/jpeg/jpeg_error_manager.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

using jpeg_detail::ErrorManager;
using jpeg_detail::jumpWithText;

// Each scan of a progressive file passes over the whole picture, so a small file
// of thousands of scans would cost minutes; encoders write about ten.
constexpr int kMaxScans = 100;

// Warnings about metadata only. Every other warning means that pixels were not read
// as they were written (data missing, cut short, corrupt or out of order), where
// libjpeg would fill in gray and carry on.
bool harmless(int code) {
  return code == JWRN_ADOBE_XFORM || code == JWRN_JFIF_MAJOR || code == JWRN_BOGUS_ICC;
}

void failOnDataWarnings(j_common_ptr info, int level) {
  if (level < 0 && !harmless(info->err->msg_code)) jpeg_detail::jumpWithMessage(info);
}

void limitScans(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
    jumpWithText(info, FormatErrorKind::TooLarge, "JPEG file has too many scans");
  }
}

// Before anything is allocated for the picture: its size must be within the reader
// budget, and the data left after the first scan header must be able to cover it.
// Huffman coding spends at least one bit on the DC difference of every block of the
// first component (in whatever scan that comes); adaptive arithmetic coding has no
// such floor, so those files are bounded by the budget alone.
void checkFrame(j_decompress_ptr cinfo) {
  const auto common = reinterpret_cast<j_common_ptr>(cinfo);
  if (!withinPixelBudget(cinfo->image_width, cinfo->image_height)) {
    jumpWithText(common, FormatErrorKind::TooLarge, "JPEG image is too large");
  }
  if (cinfo->arith_code) return;
  const jpeg_component_info& first = cinfo->comp_info[0];
  const std::uint64_t blocks = std::uint64_t{first.width_in_blocks} * first.height_in_blocks;
  if (blocks / 8 > cinfo->src->bytes_in_buffer) {
    jumpWithText(common, FormatErrorKind::Truncated, "JPEG data too short for its picture size");
  }
}

// Inverted (Adobe) CMYK to B G R: with c and k the stored values (255 - ink),
// red = c * k / 255, rounded; the same for green with m and blue with y.
void cmykToBgr(const JSAMPLE* cmyk, std::size_t width, std::uint8_t* bgr) {
  const auto mix = [](unsigned v, unsigned k) {
    return static_cast<std::uint8_t>((v * k + 127) / 255);
  };
  for (std::size_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    bgr[0] = mix(cmyk[2], cmyk[3]);
    bgr[1] = mix(cmyk[1], cmyk[3]);
    bgr[2] = mix(cmyk[0], cmyk[3]);
  }
}

// Runs inside the setjmp of readJpeg: no local here may need a destructor.
void decompress(jpeg_decompress_struct& cinfo, Bitmap& out) {
  jpeg_read_header(&cinfo, TRUE);
  checkFrame(&cinfo);
  // libjpeg turns YCCK into CMYK; everything else becomes B G R for the bitmap.
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  out = Bitmap(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), 24,
               Bitmap::Unfilled{});
  const std::size_t pixelBytes = 3 * std::size_t{cinfo.output_width};
  // libjpeg's own pool frees the row buffer even when an error jumps out.
  JSAMPROW cmykRow = nullptr;
  if (cmyk) {
    cmykRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                         cinfo.output_width * 4, 1)[0];
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* dst = out.row(static_cast<int>(cinfo.output_scanline));
    JSAMPROW row = cmyk ? cmykRow : dst;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) cmykToBgr(cmykRow, cinfo.output_width, dst);
    std::memset(dst + pixelBytes, 0, out.stride() - pixelBytes);
  }
  jpeg_finish_decompress(&cinfo);
}

}  // namespace

Bitmap readJpeg(const std::uint8_t* data, std::size_t size) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  Bitmap out;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = jpeg_detail::jumpWithMessage;
  err.pub.emit_message = failOnDataWarnings;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw FormatError(err.kind, err.message);
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = limitScans;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  try {
    decompress(cinfo, out);
  } catch (const BitmapError& e) {
    jpeg_destroy_decompress(&cinfo);
    throw asFormatError(e);
  }
  jpeg_destroy_decompress(&cinfo);
  return out;
}

}  // namespace snaprill
