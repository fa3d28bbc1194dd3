// GIF image: an ordered list of frames written as one GIF file (GIF87a/GIF89a).
//
// Stream layout (multi-byte numbers little-endian):
//   "GIF" "87a"|"89a"
//   logical screen: width(2) height(2) packed(1) background(1) aspect(1)
//     packed: bit 7 global table, bits 4-6 colour resolution - 1, bit 3 sorted,
//             bits 0-2 table size (2^(n+1) entries)
//   [global colour table]
//   per frame:
//     extensions: 21 F9 04 packed delay(2) transparent-index 00     (graphic control)
//                 21 FF 0B "NETSCAPE2.0" 03 01 loop-count(2) 00     (looping)
//     2C left(2) top(2) width(2) height(2) packed(1)  (bit 7 local table, bits 0-2 size)
//     local colour table: 2^(size+1) RGB triples
//     image data: min code size, LZW data sub-blocks, 00
//   3B
// A frame with extensions makes the file "89a"; otherwise "87a".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "formats/gif/color_reduction.h"
#include "image/bitmap.h"

namespace snaprill {

class GifColorMap {
 public:
  int count() const { return static_cast<int>(colors_.size()); }
  // 0 for an empty table, else the smallest b >= 1 with 2^b >= count.
  int bitDepth() const;
  const Rgb& operator[](int i) const { return colors_[static_cast<std::size_t>(i)]; }
  const std::vector<Rgb>& colors() const { return colors_; }
  // Appends a colour and returns its index; throws FormatError (ColourTableFull)
  // when the table already holds 256.
  int add(const Rgb& c);
  void assign(const std::vector<Rgb>& colors);
  void clear() { colors_.clear(); }
  bool sorted = false;

 private:
  std::vector<Rgb> colors_;
};

class GifExtension {
 public:
  virtual ~GifExtension() = default;
  virtual void saveToStream(ByteSink& out) const = 0;
};

class GifGraphicControl : public GifExtension {
 public:
  void saveToStream(ByteSink& out) const override;
  int disposal() const { return (packed >> 2) & 7; }
  bool transparentFlag() const { return (packed & 1) != 0; }
  void setTransparent(std::uint8_t index) {
    packed |= 1;
    transparentIndex = index;
  }
  std::uint8_t packed = 0;  // bits 2-4 disposal, bit 1 user input, bit 0 transparent
  std::uint16_t delay = 0;  // hundredths of a second
  std::uint8_t transparentIndex = 0;
};

// The "NETSCAPE2.0" application extension: how often an animation repeats.
class GifLoopExtension : public GifExtension {
 public:
  void saveToStream(ByteSink& out) const override;
  std::uint16_t LoopCount = 0;   // 0: endlessly
  std::uint32_t bufferSize = 0;  // 0: no buffer sub-block
};

class GifImage;

// One frame: bounds on the logical screen, a local colour table and one colour
// index per pixel (rows top first, no padding), plus the extensions written before it.
class GifFrame {
 public:
  explicit GifFrame(GifImage& owner) : owner_(owner) {}

  // Replaces the frame by a picture: extensions and table dropped, then the
  // picture reduced with the owner's ReductionMode and DitherKind (pictures of 1, 4
  // or 8 bits per pixel are taken as they are). Grows the logical screen.
  void assignBitmap(const Bitmap& picture);
  // Appends an extension; the first graphic control extension becomes the frame's.
  void appendExtension(std::unique_ptr<GifExtension> extension);
  // Convenience for the animation extensions: a graphic control extension with
  // the given delay, then an endless looping extension.
  void addAnimationExtensions(std::uint16_t delay);

  bool empty() const { return pixels.empty() || width == 0 || height == 0; }
  bool transparent() const { return graphicControl_ && graphicControl_->transparentFlag(); }
  const GifGraphicControl* graphicControl() const { return graphicControl_; }
  GifGraphicControl* graphicControl() { return graphicControl_; }
  const std::vector<std::unique_ptr<GifExtension>>& extensions() const { return extensions_; }
  // The table that colours this frame: its own, or the global one when it has none.
  const GifColorMap& activeColors() const;
  // Sets the bounds, growing the logical screen to hold them.
  void setBounds(int left, int top, int width, int height);
  // The frame as an 8-bit picture: its indexes and colour table; once its bitmap has
  // been released with dithering in force, rendered onto the 216-colour cube.
  Bitmap frameBitmap() const;
  // Marks the cached bitmap stale (a later frameBitmap renders it afresh).
  void releaseBitmap() { bitmapReleased_ = true; }

  void saveToStream(ByteSink& out) const;
  // Whether the frame fills the owner's logical screen exactly.
  bool coversScreen() const;
  // Writes the frame as saveToStream does, but enlarged to the whole logical screen
  // with black around it (the table's black, a black entry added where the table has
  // room, else its darkest colour). The frame itself is not changed.
  void saveCoveringScreen(ByteSink& out) const;

  int left = 0, top = 0, width = 0, height = 0;
  std::uint8_t packed = 0;  // image descriptor packed fields, recomputed on save
  GifColorMap localColors;
  std::vector<std::uint8_t> pixels;

 private:
  struct ImageData {
    int left, top, width, height;
    const std::uint8_t* pixels;      // one index per pixel, rows of width
    const GifColorMap* localColors;  // empty: coloured by the global table
  };
  void clear();
  // The image descriptor, the local colour table and the LZW data of an image.
  void writeImage(ByteSink& out, const ImageData& image) const;

  GifImage& owner_;
  std::vector<std::unique_ptr<GifExtension>> extensions_;
  GifGraphicControl* graphicControl_ = nullptr;
  bool bitmapReleased_ = false;
};

struct GifHeader {
  std::uint16_t screenWidth = 0;
  std::uint16_t screenHeight = 0;
  std::uint8_t packed = 0;
  std::uint8_t background = 0;
  std::uint8_t aspectRatio = 0;
  GifColorMap globalColors;
};

inline constexpr std::uint16_t kDefaultRenderOptions = 0x060F;
inline constexpr std::uint16_t kRenderDither = 0x0200;
inline constexpr std::uint16_t kRenderAutoDither = 0x0400;

class GifImage {
 public:
  GifImage() = default;
  GifImage(const GifImage&) = delete;
  GifImage& operator=(const GifImage&) = delete;

  // Appends picture as a new last frame (through assignBitmap); returns its index.
  int appendFrame(const Bitmap& picture);
  GifFrame& frameAt(int index) { return *frames_.at(static_cast<std::size_t>(index)); }
  const GifFrame& frameAt(int index) const { return *frames_.at(static_cast<std::size_t>(index)); }
  int frameCount() const { return static_cast<int>(frames_.size()); }
  // Removes every frame. The logical screen starts afresh with the next frames, so
  // a file states the size of its own largest frame.
  void clearFrames();
  // Stores new render options; on a change every frame's bitmap is released and a
  // single frame's table moves to the global table.
  void setRenderOptions(std::uint16_t options);
  std::uint16_t renderOptions() const { return renderOptions_; }
  bool ditherInForce() const;
  // Turns pixels that repeat the previous frame's colour into a transparent colour
  // where a frame has room for one (animation optimisation).
  void mergeFrames();

  // "87a" or "89a"; throws FormatError (Empty) "Unsupported GIF version" without
  // frames.
  std::string version() const;
  // Writes the whole GIF stream. Throws FormatError, or what the sink throws.
  void saveToStream(ByteSink& out) const;

  int width() const { return header.screenWidth; }
  int height() const { return header.screenHeight; }
  // Grows the logical screen to hold a frame's bounds.
  void growScreen(int right, int bottom);
  // The bit depth of the largest colour table of the file (global or any frame's).
  int largestBitDepth() const;

  GifHeader header;
  ReductionMode reductionMode = ReductionMode::SystemColorQuantize;
  DitherKind ditherKind = DitherKind::FloydSteinberg;

 private:
  std::vector<std::unique_ptr<GifFrame>> frames_;
  std::uint16_t renderOptions_ = kDefaultRenderOptions;
};

}  // namespace snaprill
