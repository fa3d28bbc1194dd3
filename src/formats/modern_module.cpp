#include "formats/modern_module.h"

#include <dlfcn.h>

#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "base/loadable_module.h"
#include "codec_module/codec_module.h"
#include "formats/format_error.h"
#include "formats/modern_pixels.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

struct Module {
  SnaprillCodecWrite* write = nullptr;
  SnaprillCodecRead* read = nullptr;
  std::string failure;
};

Module load(const std::vector<std::string>& files) {
  std::string why = "not found";
  std::string places;
  for (const std::string& file : files) {
    if (file.find('/') != std::string::npos) places += (places.empty() ? " as " : " nor ") + file;
  }
  why += places;
  Module m;
  const auto takeEntryPoints = [&m](void* handle) {
    m.write = reinterpret_cast<SnaprillCodecWrite*>(::dlsym(handle, "snaprill_codec_write"));
    m.read = reinterpret_cast<SnaprillCodecRead*>(::dlsym(handle, "snaprill_codec_read"));
    return m.write && m.read;
  };
  if (openModule(files, takeEntryPoints, why).empty()) m = Module{nullptr, nullptr, why};
  return m;
}

std::vector<std::string> moduleFiles() {
  std::vector<std::string> files;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const std::string dir = exe.parent_path().string() + "/";
    files = {
        dir + SNAPRILL_CODEC_MODULE_FILE,
        std::filesystem::path(dir + SNAPRILL_CODEC_MODULE_FROM_BIN + SNAPRILL_CODEC_MODULE_FILE)
            .lexically_normal()
            .string()};
  }
  return files;
}

// Loaded once, by whichever thread comes first.
const Module& loaded(ModuleCodec codec) {
  static const Module module = load(moduleFiles());
  if (!module.write) {
    throw FormatError(FormatErrorKind::Unsupported,
                      std::string(codec.name) + " needs " + SNAPRILL_CODEC_MODULE_FILE +
                          ", which cannot be loaded: " + module.failure);
  }
  return module;
}

FormatErrorKind kindOf(int result) {
  switch (result) {
    case SNAPRILL_CODEC_NOT_THIS_FORMAT:
      return FormatErrorKind::NotThisFormat;
    case SNAPRILL_CODEC_TRUNCATED:
      return FormatErrorKind::Truncated;
    case SNAPRILL_CODEC_EMPTY:
      return FormatErrorKind::Empty;
    case SNAPRILL_CODEC_ENCODER_FAILED:
      return FormatErrorKind::EncoderFailed;
    default:
      return FormatErrorKind::Damaged;
  }
}

// What a callback caught, to throw again once the module has returned.
struct Caught {
  std::exception_ptr error;
  template <class Work>
  int operator()(Work work) {
    try {
      work();
      return 1;
    } catch (...) {
      error = std::current_exception();
      return 0;
    }
  }
};

class Call {
 public:
  char* message() { return message_; }
  std::size_t room() const { return sizeof message_; }
  void finish(int result, const Caught& caught) const {
    if (caught.error) std::rethrow_exception(caught.error);
    if (result != SNAPRILL_CODEC_DONE) throw FormatError(kindOf(result), message_);
  }

 private:
  char message_[256] = "";
};

SnaprillCodecPixels rowsOf(const Bitmap& picture) {
  return {const_cast<std::uint8_t*>(picture.row(0)), static_cast<std::uint32_t>(picture.width()),
          static_cast<std::uint32_t>(picture.height()), picture.stride()};
}

}  // namespace

void writeThroughModule(ModuleCodec codec, const Bitmap& picture, int quality, ByteSink& out) {
  const Module& module = loaded(codec);
  Bitmap spare;
  const SnaprillCodecPixels rows = rowsOf(asThirtyTwoBits(picture, spare));
  struct Context {
    ByteSink& out;
    Caught caught;
  } context{out, {}};
  const SnaprillCodecOutput output{&context,
                                   [](void* c, const std::uint8_t* data, std::size_t size) {
                                     auto& writing = *static_cast<Context*>(c);
                                     return writing.caught([&] { writing.out.write(data, size); });
                                   }};
  Call call;
  call.finish(module.write(codec.id, &rows, quality, &output, call.message(), call.room()),
              context.caught);
}

Bitmap readThroughModule(ModuleCodec codec, const std::uint8_t* data, std::size_t size) {
  const Module& module = loaded(codec);
  struct Context {
    ModuleCodec codec;
    std::size_t size;
    Bitmap picture;
    Caught caught;
  } context{codec, size, {}, {}};
  const SnaprillCodecCanvas canvas{
      &context, static_cast<std::uint32_t>(kMaxPicturePixels),
      [](void* c, std::uint32_t width, std::uint32_t height, SnaprillCodecPixels* pixels) {
        auto& reading = *static_cast<Context*>(c);
        return reading.caught([&] {
          reading.picture = decodedPictureFor(width, height, reading.size, reading.codec.name);
          *pixels = rowsOf(reading.picture);
        });
      }};
  Call call;
  call.finish(module.read(codec.id, data, size, &canvas, call.message(), call.room()),
              context.caught);
  // A module that returned without asking for pixels read no picture.
  if (context.picture.empty()) throw FormatError(FormatErrorKind::Damaged, codec.name);
  return std::move(context.picture);
}

}  // namespace snaprill
