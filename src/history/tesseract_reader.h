// The text reader of Debian's Tesseract 5, through its C interface, in
// snaprill-text-reader and snaprill-batch --index (the tray program never loads it).
// The library is loaded when the first picture is read, not linked: snaprill-batch
// carries its own copy of the C++ library, and only plain C may pass between the
// two (as with the text module); and without the library (the package only
// recommends it) everything but the text still works.
#pragma once

#include <memory>
#include <string>

#include "history/text_reader.h"

namespace snaprill {

class TesseractReader : public TextReader {
 public:
  TesseractReader(std::string languages, std::string dataDir);
  ~TesseractReader() override;
  TesseractReader(const TesseractReader&) = delete;
  TesseractReader& operator=(const TesseractReader&) = delete;

  // Loads the library the first time. Its OpenMP threads are limited through the
  // environment, which the loading reads: call it before other threads run.
  bool available() override;
  std::optional<std::string> read(const GreyPicture& picture) override;

 private:
  struct Library;
  bool start();

  std::string languages_;
  std::string dataDir_;
  std::unique_ptr<Library> library_;  // loaded once, kept: a library is not unloaded safely
  void* engine_ = nullptr;            // TessBaseAPI*, while pictures are being read
  bool failed_ = false;
};

}  // namespace snaprill
