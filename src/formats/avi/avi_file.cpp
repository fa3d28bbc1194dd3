#include "formats/avi/avi_file.h"
#include "base/unaligned.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace snaprill {

namespace {

constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kColorTableBytes = 256 * 4;
constexpr std::uint32_t kHasIndex = 0x10;

class Bytes {
 public:
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void u16(std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  std::vector<std::uint8_t> b;
};

std::uint32_t readU32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return loadLe32(&v[at]);
}

std::uint16_t readU16(const std::vector<std::uint8_t>& v, std::size_t at) {
  return loadLe16(&v[at]);
}

}  // namespace

std::vector<std::uint8_t> bitmapInfo8(const Bitmap& picture) {
  Bytes h;
  const auto imageSize = static_cast<std::uint32_t>(Bitmap::strideFor(picture.width(), 8) *
                                                    static_cast<std::size_t>(picture.height()));
  h.u32(kInfoHeaderBytes);
  h.u32(static_cast<std::uint32_t>(picture.width()));
  h.u32(static_cast<std::uint32_t>(picture.height()));
  h.u16(1);  // planes
  h.u16(8);  // bits per pixel
  h.u32(0);  // BI_RGB
  h.u32(imageSize);
  h.u32(0);
  h.u32(0);
  h.u32(256);  // colours used
  h.u32(0);    // all important
  for (std::size_t i = 0; i < 256; ++i) {
    const Rgb c = i < picture.palette().size() ? picture.palette()[i] : Rgb{};
    h.b.insert(h.b.end(), {c.b, c.g, c.r, 0});
  }
  return h.b;
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

std::unique_ptr<AviFile> AviFile::open(const std::string& path) {
  try {
    return std::unique_ptr<AviFile>(new AviFile(std::make_unique<AtomicFile>(path)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

AviFile::~AviFile() = default;

bool AviFile::createStream(const AviStreamInfo& info) {
  if (hasStream_ || info.fccType != fourcc("vids") || info.scale == 0 || info.rate == 0) {
    return false;
  }
  info_ = info;
  hasStream_ = true;
  return true;
}

bool AviFile::setFormat(const std::vector<std::uint8_t>& format) {
  if (!hasStream_ || !format_.empty() || format.size() < kInfoHeaderBytes + kColorTableBytes) {
    return false;
  }
  const auto width = static_cast<std::int32_t>(readU32(format, 4));
  const auto height = static_cast<std::int32_t>(readU32(format, 8));
  if (readU32(format, 0) != kInfoHeaderBytes || width <= 0 || height == 0 ||
      readU16(format, 14) != 8 || readU32(format, 16) != 0) {
    return false;
  }
  format_ = format;
  try {
    const std::vector<std::uint8_t> head = headers();
    file_->write(head.data(), head.size());
    size_ = head.size();
    moviStart_ = size_ - 4;
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::vector<std::uint8_t> AviFile::headers() const {
  const std::size_t formatBytes = format_.size() + (format_.size() & 1);
  const auto frames = static_cast<std::uint32_t>(index_.size());
  const auto indexBytes = static_cast<std::uint32_t>(16 * index_.size());
  const std::uint32_t strlBytes = 4 + (8 + 56) + (8 + static_cast<std::uint32_t>(formatBytes));
  const std::uint32_t hdrlBytes = 4 + (8 + 56) + (8 + strlBytes);
  const std::uint32_t moviBytes = size_ == 0 ? 4 : static_cast<std::uint32_t>(size_ - moviStart_);
  Bytes h;
  h.u32(fourcc("RIFF"));
  h.u32(4 + (8 + hdrlBytes) + (8 + moviBytes) + (8 + indexBytes));
  h.u32(fourcc("AVI "));
  h.u32(fourcc("LIST"));
  h.u32(hdrlBytes);
  h.u32(fourcc("hdrl"));
  h.u32(fourcc("avih"));
  h.u32(56);
  const auto microseconds =
      static_cast<std::uint32_t>((1000000ull * info_.scale + info_.rate / 2) / info_.rate);
  h.u32(microseconds);
  h.u32(static_cast<std::uint32_t>(std::min<std::uint64_t>(
      0xFFFFFFFFull, std::uint64_t{info_.suggestedBufferSize} * info_.rate / info_.scale + 1)));
  h.u32(0);  // padding granularity
  h.u32(kHasIndex);
  h.u32(frames);
  h.u32(0);  // initial frames
  h.u32(1);  // streams
  h.u32(info_.suggestedBufferSize);
  h.u32(readU32(format_, 4));  // width
  const auto height = static_cast<std::int32_t>(readU32(format_, 8));
  h.u32(static_cast<std::uint32_t>(height < 0 ? -height : height));
  for (int i = 0; i < 4; ++i) h.u32(0);
  h.u32(fourcc("LIST"));
  h.u32(strlBytes);
  h.u32(fourcc("strl"));
  h.u32(fourcc("strh"));
  h.u32(56);
  h.u32(info_.fccType);
  h.u32(info_.fccHandler);
  h.u32(info_.flags);
  h.u16(0);  // priority
  h.u16(0);  // language
  h.u32(0);  // initial frames
  h.u32(info_.scale);
  h.u32(info_.rate);
  h.u32(0);  // start
  h.u32(frames);
  h.u32(info_.suggestedBufferSize);
  h.u32(0xFFFFFFFFu);  // default quality
  h.u32(0);            // sample size: varies
  h.u16(static_cast<std::uint16_t>(info_.frame.left));
  h.u16(static_cast<std::uint16_t>(info_.frame.top));
  h.u16(static_cast<std::uint16_t>(info_.frame.right));
  h.u16(static_cast<std::uint16_t>(info_.frame.bottom));
  h.u32(fourcc("strf"));
  h.u32(static_cast<std::uint32_t>(format_.size()));
  h.b.insert(h.b.end(), format_.begin(), format_.end());
  if (format_.size() & 1) h.b.push_back(0);
  h.u32(fourcc("LIST"));
  h.u32(moviBytes);
  h.u32(fourcc("movi"));
  return h.b;
}

bool AviFile::appendChunk(const std::uint8_t* data, std::size_t size, std::uint32_t flags) {
  const std::uint64_t padded = size + (size & 1);
  const std::uint64_t indexAfter = 8 + 16 * (index_.size() + 1);
  if (size > 0xFFFFFFF0ull || size_ + 8 + padded + indexAfter > maxBytes) return false;
  try {
    Bytes head;
    head.u32(fourcc("00db"));
    head.u32(static_cast<std::uint32_t>(size));
    file_->write(head.b.data(), head.b.size());
    if (size > 0) file_->write(data, size);
    if (size & 1) file_->put8(0);
  } catch (const std::exception&) {
    return false;
  }
  index_.push_back(
      {flags, static_cast<std::uint32_t>(size_ - moviStart_), static_cast<std::uint32_t>(size)});
  size_ += 8 + padded;
  return true;
}

bool AviFile::write(std::int64_t position, const std::uint8_t* data, std::size_t size,
                    std::uint32_t flags) {
  if (format_.empty() || position < static_cast<std::int64_t>(index_.size())) return false;
  while (static_cast<std::int64_t>(index_.size()) < position) {
    if (!appendChunk(nullptr, 0, 0)) return false;
  }
  return appendChunk(data, size, flags);
}

bool AviFile::close() {
  if (format_.empty()) return false;
  try {
    Bytes idx;
    idx.u32(fourcc("idx1"));
    idx.u32(static_cast<std::uint32_t>(16 * index_.size()));
    for (const IndexEntry& e : index_) {
      idx.u32(fourcc("00db"));
      idx.u32(e.flags);
      idx.u32(e.offset);
      idx.u32(e.size);
    }
    file_->write(idx.b.data(), idx.b.size());
    const std::vector<std::uint8_t> head = headers();
    file_->overwrite(0, head.data(), head.size());
    file_->commit();
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

}  // namespace snaprill
