#include "formats/avi/avi_file.h"

#include "base/unaligned.h"
#include "formats/bmp/bitmap_info.h"

#include <algorithm>
#include <cstring>

namespace snaprill {

namespace {

constexpr std::size_t kColorTableBytes = 256 * 4;
constexpr std::uint32_t kHasIndex = 0x10;

std::uint32_t readU32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return loadLe32(&v[at]);
}

std::uint16_t readU16(const std::vector<std::uint8_t>& v, std::size_t at) {
  return loadLe16(&v[at]);
}

}  // namespace

std::vector<std::uint8_t> bitmapInfo8(const Bitmap& picture) {
  const auto imageSize = static_cast<std::uint32_t>(Bitmap::strideFor(picture.width(), 8) *
                                                    static_cast<std::size_t>(picture.height()));
  MemorySink info;
  writeBitmapInfo(info, picture, imageSize, 256, 256);
  return info.bytes;
}

std::vector<std::uint8_t> bitmapBits8(const Bitmap& picture) {
  const std::size_t stride = Bitmap::strideFor(picture.width(), 8);
  std::vector<std::uint8_t> bits(stride * static_cast<std::size_t>(picture.height()), 0);
  for (int y = 0; y < picture.height(); ++y) {
    const std::uint8_t* src = picture.row(picture.height() - 1 - y);
    std::copy_n(src, static_cast<std::size_t>(picture.width()),
                bits.data() + static_cast<std::size_t>(y) * stride);
  }
  return bits;
}

void AviFile::createStream(const AviStreamInfo& info) {
  if (hasStream_) throw FormatError(FormatErrorKind::OutOfOrder, "AVI file has its stream already");
  if (info.fccType != fourcc("vids") || info.scale == 0 || info.rate == 0) {
    throw FormatError(FormatErrorKind::Unsupported,
                      "AVI stream is not video at a scale and rate above 0");
  }
  info_ = info;
  hasStream_ = true;
}

void AviFile::setFormat(const std::vector<std::uint8_t>& format) {
  if (!hasStream_ || !format_.empty()) {
    throw FormatError(FormatErrorKind::OutOfOrder, "AVI stream format set out of order");
  }
  const auto unsupported = [] {
    throw FormatError(FormatErrorKind::Unsupported,
                      "AVI stream format is not an 8-bit bitmap with its colour table");
  };
  if (format.size() < kBitmapInfoHeaderSize + kColorTableBytes) unsupported();
  const auto width = static_cast<std::int32_t>(readU32(format, 4));
  const auto height = static_cast<std::int32_t>(readU32(format, 8));
  if (readU32(format, 0) != kBitmapInfoHeaderSize || width <= 0 || height == 0 ||
      readU16(format, 14) != 8 || readU32(format, 16) != 0) {
    unsupported();
  }
  format_ = format;
  const std::vector<std::uint8_t> head = headers();
  file_.write(head.data(), head.size());
  size_ = head.size();
  moviStart_ = size_ - 4;
}

std::vector<std::uint8_t> AviFile::headers() const {
  const std::size_t formatBytes = format_.size() + (format_.size() & 1);
  const auto frames = static_cast<std::uint32_t>(index_.size());
  const auto indexBytes = static_cast<std::uint32_t>(16 * index_.size());
  const std::uint32_t strlBytes = 4 + (8 + 56) + (8 + static_cast<std::uint32_t>(formatBytes));
  const std::uint32_t hdrlBytes = 4 + (8 + 56) + (8 + strlBytes);
  const std::uint32_t moviBytes = size_ == 0 ? 4 : static_cast<std::uint32_t>(size_ - moviStart_);
  MemorySink h;
  h.put32le(fourcc("RIFF"));
  h.put32le(4 + (8 + hdrlBytes) + (8 + moviBytes) + (8 + indexBytes));
  h.put32le(fourcc("AVI "));
  h.put32le(fourcc("LIST"));
  h.put32le(hdrlBytes);
  h.put32le(fourcc("hdrl"));
  h.put32le(fourcc("avih"));
  h.put32le(56);
  const auto microseconds =
      static_cast<std::uint32_t>((1000000ull * info_.scale + info_.rate / 2) / info_.rate);
  h.put32le(microseconds);
  h.put32le(static_cast<std::uint32_t>(std::min<std::uint64_t>(
      0xFFFFFFFFull, std::uint64_t{info_.suggestedBufferSize} * info_.rate / info_.scale + 1)));
  h.put32le(0);  // padding granularity
  h.put32le(kHasIndex);
  h.put32le(frames);
  h.put32le(0);  // initial frames
  h.put32le(1);  // streams
  h.put32le(info_.suggestedBufferSize);
  h.put32le(readU32(format_, 4));  // width
  const auto height = static_cast<std::int32_t>(readU32(format_, 8));
  h.put32le(static_cast<std::uint32_t>(height < 0 ? -height : height));
  for (int i = 0; i < 4; ++i) h.put32le(0);
  h.put32le(fourcc("LIST"));
  h.put32le(strlBytes);
  h.put32le(fourcc("strl"));
  h.put32le(fourcc("strh"));
  h.put32le(56);
  h.put32le(info_.fccType);
  h.put32le(info_.fccHandler);
  h.put32le(info_.flags);
  h.put16le(0);  // priority
  h.put16le(0);  // language
  h.put32le(0);  // initial frames
  h.put32le(info_.scale);
  h.put32le(info_.rate);
  h.put32le(0);  // start
  h.put32le(frames);
  h.put32le(info_.suggestedBufferSize);
  h.put32le(0xFFFFFFFFu);  // default quality
  h.put32le(0);            // sample size: varies
  h.put16le(static_cast<std::uint16_t>(info_.frame.left));
  h.put16le(static_cast<std::uint16_t>(info_.frame.top));
  h.put16le(static_cast<std::uint16_t>(info_.frame.right));
  h.put16le(static_cast<std::uint16_t>(info_.frame.bottom));
  h.put32le(fourcc("strf"));
  h.put32le(static_cast<std::uint32_t>(format_.size()));
  h.bytes.insert(h.bytes.end(), format_.begin(), format_.end());
  if (format_.size() & 1) h.bytes.push_back(0);
  h.put32le(fourcc("LIST"));
  h.put32le(moviBytes);
  h.put32le(fourcc("movi"));
  return h.bytes;
}

void AviFile::appendChunk(const std::uint8_t* data, std::size_t size, std::uint32_t flags) {
  const std::uint64_t padded = size + (size & 1);
  const std::uint64_t indexAfter = 8 + 16 * (index_.size() + 1);
  if (size > 0xFFFFFFF0ull || size_ + 8 + padded + indexAfter > maxBytes) {
    throw FormatError(FormatErrorKind::TooLarge, "AVI file would pass its largest size");
  }
  MemorySink head;
  head.put32le(fourcc("00db"));
  head.put32le(static_cast<std::uint32_t>(size));
  file_.write(head.bytes.data(), head.bytes.size());
  if (size > 0) file_.write(data, size);
  if (size & 1) file_.put8(0);
  index_.push_back(
      {flags, static_cast<std::uint32_t>(size_ - moviStart_), static_cast<std::uint32_t>(size)});
  size_ += 8 + padded;
}

void AviFile::write(std::int64_t position, const std::uint8_t* data, std::size_t size,
                    std::uint32_t flags) {
  if (format_.empty() || position < static_cast<std::int64_t>(index_.size())) {
    throw FormatError(FormatErrorKind::OutOfOrder, "AVI frame written out of order");
  }
  while (static_cast<std::int64_t>(index_.size()) < position) appendChunk(nullptr, 0, 0);
  appendChunk(data, size, flags);
}

void AviFile::close() {
  if (format_.empty()) {
    throw FormatError(FormatErrorKind::OutOfOrder, "AVI file closed before its stream format");
  }
  MemorySink idx;
  idx.put32le(fourcc("idx1"));
  idx.put32le(static_cast<std::uint32_t>(16 * index_.size()));
  for (const IndexEntry& e : index_) {
    idx.put32le(fourcc("00db"));
    idx.put32le(e.flags);
    idx.put32le(e.offset);
    idx.put32le(e.size);
  }
  file_.write(idx.bytes.data(), idx.bytes.size());
  const std::vector<std::uint8_t> head = headers();
  file_.overwrite(0, head.data(), head.size());
  file_.commit();
}

}  // namespace snaprill
