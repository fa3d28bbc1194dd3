#include "codecs/jpeg.h"

#include "codecs/jpeg_strips.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace snaprill {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. It jumps
// back here and the message becomes an exception outside libjpeg's C frames.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

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

// libjpeg's standard error manager, ending in onError's jump and keeping quiet
// about warnings.
jpeg_error_mgr* jumpingErrors(ErrorManager& err) {
  jpeg_error_mgr* pub = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = silenceWarnings;
  return pub;
}

bool storedAsIs(const Bitmap& picture) {
  return picture.bitsPerPixel() == 32 || picture.bitsPerPixel() == 24;
}

// The parameters of every file WriteJpeg writes, for a strip of `lines` rows.
void configure(jpeg_compress_struct& cinfo, const Bitmap& picture, int quality, int lines) {
  cinfo.image_width = static_cast<JDIMENSION>(picture.width());
  cinfo.image_height = static_cast<JDIMENSION>(lines);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  // 32- and 24-bit rows go to libjpeg-turbo as they are stored (B G R [X]); its
  // colour conversion gives the same RGB result without a copy per row.
  if (storedAsIs(picture)) {
    cinfo.input_components = picture.bitsPerPixel() / 8;
    cinfo.in_color_space = picture.bitsPerPixel() == 32 ? JCS_EXT_BGRX : JCS_EXT_BGR;
  }
  cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&cinfo, quality, TRUE);
  // A restart marker after every MCU row: each row's data stands alone, so that
  // strips of rows can be compressed apart and joined (jpeg_strips.h). Every file
  // has them, whatever its size, so that no file depends on the machine.
  cinfo.restart_in_rows = 1;
}

void compressRows(jpeg_compress_struct& cinfo, const Bitmap& picture, int top,
                  std::vector<JSAMPLE>& row) {
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = top + static_cast<int>(cinfo.next_scanline);
    JSAMPROW rows[1];
    if (storedAsIs(picture)) {
      rows[0] = const_cast<JSAMPLE*>(picture.row(y));
    } else {
      rgbRow(picture, y, row);
      rows[0] = row.data();
    }
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
}

// Rows top .. top + lines - 1 of picture as one complete file. Throws JpegError on a
// libjpeg failure and what the sink throws.
void compressStrip(const Bitmap& picture, int quality, int top, int lines, ByteSink& out) {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  SinkDestination dest{};
  dest.sink = &out;
  dest.buffer.resize(kChunk);
  // Everything with a destructor lives outside the jump's reach.
  std::vector<JSAMPLE> row(3 * static_cast<std::size_t>(picture.width()));
  cinfo.err = jumpingErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    if (dest.error) std::rethrow_exception(dest.error);
    throw JpegError(err.message);
  }
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = initDestination;
  dest.pub.empty_output_buffer = emptyBuffer;
  dest.pub.term_destination = termDestination;
  cinfo.dest = &dest.pub;
  configure(cinfo, picture, quality, lines);
  compressRows(cinfo, picture, top, row);
  jpeg_destroy_compress(&cinfo);
}

// Picture rows per MCU row, as libjpeg's set-up for picture gives it.
int mcuHeight(const Bitmap& picture, int quality) {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jumpingErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    throw JpegError(err.message);
  }
  jpeg_create_compress(&cinfo);
  configure(cinfo, picture, quality, picture.height());
  int factor = 1;
  for (int c = 0; c < cinfo.num_components; ++c)
    factor = std::max(factor, cinfo.comp_info[c].v_samp_factor);
  jpeg_destroy_compress(&cinfo);
  return DCTSIZE * factor;
}

// Strips are handed out one at a time to this thread and to up to threads - 1
// others, each taking the next strip when done with one: when another program keeps
// a core busy, its thread simply takes fewer strips, instead of leaving this one
// waiting for a fixed half of the picture. The strips go to out in order at the end.
void compressStrips(const Bitmap& picture, int quality, const std::vector<int>& lines, int mcuLines,
                    int threads, ByteSink& out) {
  const std::size_t count = lines.size();
  std::vector<int> tops(count, 0);
  for (std::size_t i = 1; i < count; ++i) tops[i] = tops[i - 1] + lines[i - 1];
  struct Strip {
    MemorySink file;
    std::exception_ptr error;
  };
  std::vector<Strip> strips(count);
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        compressStrip(picture, quality, tops[i], lines[i], strips[i].file);
      } catch (...) {
        strips[i].error = std::current_exception();
      }
    }
  };
  {
    // Declared after strips: whatever throws, the threads are joined before the
    // strips they write go away.
    std::vector<std::jthread> workers;
    const std::size_t helpers = std::min(count, static_cast<std::size_t>(std::max(1, threads))) - 1;
    workers.reserve(helpers);
    try {
      for (std::size_t i = 0; i < helpers; ++i) workers.emplace_back(work);
    } catch (const std::system_error&) {
      // No more threads to be had: this one and those started do all the strips.
    }
    work();
  }
  JpegStripJoiner joiner(out, picture.height());
  for (std::size_t i = 0; i < count; ++i) {
    if (strips[i].error) std::rethrow_exception(strips[i].error);
    joiner.add(strips[i].file.bytes, (lines[i] + mcuLines - 1) / mcuLines);
  }
  joiner.finish();
}

// Below this size a thread's start and the strips' copies cost about what the second
// core saves (bench/jpeg_bench.cpp).
constexpr int kMinStripRows = 512;
constexpr std::size_t kMinStripPixels = std::size_t{1} << 18;
// Several strips per core, so that a core another program holds takes fewer.
constexpr int kStripsPerCore = 4;

}  // namespace

void WriteJpegInStrips(const Bitmap& picture, int quality, ByteSink& out, int maxStrips,
                       int threads) {
  if (picture.empty()) throw JpegError("Empty JPEG image");
  // Strips differ from the whole only in their height: a height libjpeg refuses keeps
  // the picture whole, so that the refusal reads the same.
  const bool fits = picture.height() <= JPEG_MAX_DIMENSION;
  const int mcuLines = maxStrips > 1 && fits ? mcuHeight(picture, quality) : 0;
  const std::vector<int> lines = mcuLines > 0
                                     ? PlanJpegStrips(picture.height(), mcuLines, maxStrips)
                                     : std::vector<int>{picture.height()};
  if (lines.size() == 1)
    compressStrip(picture, quality, 0, picture.height(), out);
  else
    compressStrips(picture, quality, lines, mcuLines, threads, out);
}

void WriteJpeg(const Bitmap& picture, int quality, ByteSink& out) {
  const bool large =
      picture.height() >= kMinStripRows &&
      static_cast<std::size_t>(picture.width()) * static_cast<std::size_t>(picture.height()) >=
          kMinStripPixels;
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  WriteJpegInStrips(picture, quality, out, large ? kStripsPerCore * cores : 1, cores);
}

namespace {

void decompress(jpeg_decompress_struct& cinfo, Bitmap& out) {
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out = Bitmap(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), 24);
  // libjpeg's own pool frees the row buffer even when an error jumps out.
  JSAMPARRAY rows = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               cinfo.output_width * 3, 1);
  JSAMPROW row = rows[0];
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, rows, 1);
    std::uint8_t* dst = out.row(y);
    for (std::size_t x = 0; x < cinfo.output_width; ++x) {
      dst[3 * x] = row[3 * x + 2];
      dst[3 * x + 1] = row[3 * x + 1];
      dst[3 * x + 2] = row[3 * x];
    }
  }
  jpeg_finish_decompress(&cinfo);
}

}  // namespace

Bitmap ReadJpeg(const std::uint8_t* data, std::size_t size) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  Bitmap out;
  cinfo.err = jumpingErrors(err);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw JpegError(err.message);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  try {
    decompress(cinfo, out);
  } catch (const BitmapError& e) {
    jpeg_destroy_decompress(&cinfo);
    throw JpegError(e.what());
  }
  jpeg_destroy_decompress(&cinfo);
  return out;
}

}  // namespace snaprill
