// A compositor protocol that copies one output's picture into shared memory, each
// in a file of its own over wayland-scanner's code for it: ext-image-copy-capture
// (image_copy_copier.cpp), wlr-screencopy (screencopy_copier.cpp). The output
// grabber offers it the compositor's globals and puts the outputs' pictures
// together.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include <wayland-client-protocol.h>

#include "image/bitmap.h"

namespace snaprill {

// What every copier uses of the grabber's connection.
struct CopyConnection {
  wl_display* display = nullptr;
  wl_shm* shm = nullptr;
  // How long each answer may take before the output is given up.
  std::chrono::milliseconds answerTime{};
};

class OutputCopier {
 public:
  virtual ~OutputCopier() = default;
  // Binds the global when it is one the protocol needs; false when it is not.
  virtual bool bind(wl_registry* registry, std::uint32_t name, const char* interface) = 0;
  // Whether the compositor has offered all the protocol needs.
  virtual bool offered() const = 0;
  // The output's picture upright, 32 bpp. `outputTransform` is wl_output's, used
  // unless the compositor says how it turned the buffer. Nothing when the
  // compositor would not copy the output into a buffer we read: the caller then
  // tries another way.
  virtual std::optional<Bitmap> copy(const CopyConnection& connection, wl_output* output,
                                     int outputTransform, bool withCursor) = 0;
};

// Binds the global `name` the registry announced as `announced` into `global`, at
// version 1, when it is one of `interface` and none is bound yet.
template <class Global>
bool bindOnce(wl_registry* registry, std::uint32_t name, const char* announced,
              const wl_interface& interface, Global*& global) {
  if (global != nullptr || std::strcmp(announced, interface.name) != 0) return false;
  global = static_cast<Global*>(wl_registry_bind(registry, name, &interface, 1));
  return true;
}

std::unique_ptr<OutputCopier> imageCopyCopier();
std::unique_ptr<OutputCopier> screencopyCopier();

}  // namespace snaprill
