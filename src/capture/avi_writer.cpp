// Every frame is rendered onto the 216-colour cube that the stream's format
// declares, so all frames show their own colours through the one colour table.
#include "capture/avi_writer.h"

#include "formats/avi/avi_file.h"
#include "formats/format_error.h"
#include "io/file_error.h"

namespace snaprill {

namespace {

// The stream plays at rate / scale frames per second, the scale being the frame
// delay in hundredths of a second: 100 / delay, as the GIF shows them.
constexpr std::uint32_t kAviRate = 100;

// The delay of the first frame that has both local colours (seen so far) and a
// delay above 0, else of the last frame with a delay; at least 1.
std::uint32_t streamScale(const GifImage& image) {
  bool localColors = false;
  std::uint32_t scale = 0;
  for (int i = 0; i < image.frameCount(); ++i) {
    const GifFrame& frame = image.frameAt(i);
    if (frame.localColors.count() > 0) localColors = true;
    if (frame.graphicControl()) scale = frame.graphicControl()->delay;
    if (localColors && scale > 0) break;
  }
  return scale == 0 ? 1 : scale;
}

// A frame as the stream shows it: at frame 0's size (other sizes are stretched to
// it), dithered onto the cube.
Bitmap streamFrame(const GifFrame& frame, int width, int height) {
  const auto stride = static_cast<std::size_t>(frame.width);
  const std::vector<Rgb>& colors = frame.activeColors().colors();
  if (frame.width == width && frame.height == height) {
    return renderOnCube(width, height, colors, frame.pixels.data(), stride);
  }
  Bitmap source(frame.width, frame.height, 24);
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const std::uint8_t i =
          frame.pixels[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)];
      source.setPixel(x, y, i < colors.size() ? colors[i] : Rgb{});
    }
  }
  Bitmap fitted(width, height, 24);
  stretchCopy(fitted, Rect{0, 0, width, height}, source, Rect{0, 0, frame.width, frame.height});
  return renderOnCube(fitted);
}

}  // namespace

std::optional<std::string> writeAviFile(GifImage& image, const std::string& path) {
  // Whatever the format or the disk refused, the box names the step it refused.
  const char* step = "AVIError1";
  const auto fail = [&] { return std::optional<std::string>(step); };
  try {
    AviFile file(path);
    step = "AVIError2";
    if (image.frameCount() == 0 || image.frameAt(0).empty()) return fail();
    const GifFrame& first = image.frameAt(0);
    const int width = first.width;
    const int height = first.height;

    AviStreamInfo info;
    info.fccType = fourcc("vids");
    info.scale = streamScale(image);
    info.rate = kAviRate;
    info.suggestedBufferSize =
        static_cast<std::uint32_t>(Bitmap::strideFor(width, 8) * static_cast<std::size_t>(height));
    info.frame = Rect{0, 0, image.width(), image.height()};
    image.setRenderOptions(
        static_cast<std::uint16_t>((image.renderOptions() | kRenderDither) & ~kRenderAutoDither));
    step = "AVIError3";
    file.createStream(info);

    Bitmap picture = streamFrame(first, width, height);
    step = "AVIError4";
    file.setFormat(bitmapInfo8(picture));
    step = "AVIError5";
    for (int i = 0; i < image.frameCount(); ++i) {
      const GifFrame& frame = image.frameAt(i);
      if (frame.empty()) continue;
      if (i > 0) picture = streamFrame(frame, width, height);
      const std::vector<std::uint8_t> bits = bitmapBits8(picture);
      file.write(i, bits.data(), bits.size(), kAviKeyFrame);
    }
    file.close();
  } catch (const FormatError&) {
    return fail();
  } catch (const FileError&) {
    return fail();
  }
  return std::nullopt;
}

}  // namespace snaprill
