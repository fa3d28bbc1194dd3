#include "formats/jpeg/jpeg.h"

#include <vector>

#include "formats/jpeg/jpeg_error_manager.h"
#include "formats/jpeg/jpeg_strips.h"

namespace snaprill {

namespace {

using jpeg_detail::ErrorManager;

void silenceWarnings(j_common_ptr, int) {}

constexpr std::size_t kChunk = 64 * 1024;

struct SinkDestination {
  jpeg_destination_mgr pub;
  ByteSink* sink;
  std::vector<JOCTET> buffer;
  // An exception from the sink cannot cross libjpeg; it is parked here and rethrown.
  std::exception_ptr error;
};

void initDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer.data();
  d->pub.free_in_buffer = d->buffer.size();
}

boolean emptyBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
  try {
    d->sink->write(d->buffer.data(), d->buffer.size());
  } catch (...) {
    d->error = std::current_exception();
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  d->pub.next_output_byte = d->buffer.data();
  d->pub.free_in_buffer = d->buffer.size();
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<SinkDestination*>(cinfo->dest);
  const std::size_t used = d->buffer.size() - d->pub.free_in_buffer;
  try {
    if (used > 0) d->sink->write(d->buffer.data(), used);
  } catch (...) {
    d->error = std::current_exception();
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}

// Rows of 1-, 4-, 8- and 16-bit pictures as R G B triples, one row at a time.
void rgbRow(const Bitmap& picture, int y, std::vector<JSAMPLE>& out) {
  for (int x = 0; x < picture.width(); ++x) {
    const Rgb c = picture.pixel(x, y);
    out[3 * static_cast<std::size_t>(x)] = c.r;
    out[3 * static_cast<std::size_t>(x) + 1] = c.g;
    out[3 * static_cast<std::size_t>(x) + 2] = c.b;
  }
}

void compress(jpeg_compress_struct& cinfo, const Bitmap& picture, int quality,
              const jpeg_detail::RowRange& rows, const ArrivingRows* arriving,
              std::vector<JSAMPLE>& row) {
  // 32- and 24-bit rows go to libjpeg-turbo as they are stored (B G R [X]); its
  // colour conversion gives the same RGB result without a copy per row.
  const int bpp = picture.bitsPerPixel();
  const bool direct = bpp == 32 || bpp == 24;
  cinfo.image_width = static_cast<JDIMENSION>(picture.width());
  cinfo.image_height = static_cast<JDIMENSION>(rows.count);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (direct) {
    cinfo.input_components = bpp / 8;
    cinfo.in_color_space = bpp == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
  }
  cinfo.dct_method = JDCT_FLOAT;
  cinfo.restart_in_rows = rows.restartMcuRows;
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = rows.first + static_cast<int>(cinfo.next_scanline);
    if (arriving != nullptr) arriving->waitFor(y + 1);
    JSAMPROW rowPointers[1];
    if (direct) {
      rowPointers[0] = const_cast<JSAMPLE*>(picture.row(y));
    } else {
      rgbRow(picture, y, row);
      rowPointers[0] = row.data();
    }
    jpeg_write_scanlines(&cinfo, rowPointers, 1);
  }
  jpeg_finish_compress(&cinfo);
}

}  // namespace

namespace jpeg_detail {

void compressRows(const Bitmap& picture, int quality, const RowRange& rows,
                  const ArrivingRows* arriving, ByteSink& out) {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  err.kind = FormatErrorKind::EncoderFailed;
  SinkDestination dest{};
  dest.sink = &out;
  dest.buffer.resize(kChunk);
  // Everything with a destructor lives outside the jump's reach.
  std::vector<JSAMPLE> row(3 * static_cast<std::size_t>(picture.width()));
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = jpeg_detail::jumpWithMessage;
  err.pub.emit_message = silenceWarnings;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    if (dest.error) std::rethrow_exception(dest.error);
    throw FormatError(err.kind, err.message);
  }
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = initDestination;
  dest.pub.empty_output_buffer = emptyBuffer;
  dest.pub.term_destination = termDestination;
  cinfo.dest = &dest.pub;
  compress(cinfo, picture, quality, rows, arriving, row);
  jpeg_destroy_compress(&cinfo);
}

}  // namespace jpeg_detail

void writeJpeg(const Bitmap& picture, int quality, ByteSink& out, const ArrivingRows* arriving,
               const JpegStrips* strips) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Empty JPEG image");
  // Rows still arriving come from the top down, one thread decoding them: the strips
  // below would wait for them, so the picture is written in one piece as they come.
  const bool rowsArriving = arriving != nullptr && !arriving->arrived(picture.height());
  const JpegStrips how = strips != nullptr ? *strips : jpegStripsFor(picture);
  if (how.mcuRows > 0 && !rowsArriving) {
    jpeg_detail::writeStrips(picture, quality, how, out);
    return;
  }
  jpeg_detail::compressRows(picture, quality, {0, picture.height(), 0}, arriving, out);
}

}  // namespace snaprill
