// The text reader of Debian's Tesseract 5, through its C interface. The library is
// loaded when the first picture is read, not linked: snaprill-batch carries its own
// copy of the C++ library, and only plain C may pass between the two (as with the
// text module); the tray program maps none of it while nothing is read; and without
// the library (the package only recommends it) everything but the text still works.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "history/text_reader.h"

namespace snaprill {

// Where Tesseract's language data is: $TESSDATA_PREFIX, else Debian's folder. Ends
// with "/".
std::string tesseractDataDir();

// The languages to read with, as Tesseract names them ("deu+eng"): the one of the
// interface's language file (by its file name, "german.ini") when its data is in
// dataDir, and English when its data is there; empty when neither is.
std::string readingLanguages(const std::string& languageFile, const std::string& dataDir);

class TesseractReader : public TextReader {
 public:
  TesseractReader(std::string languages, std::string dataDir);
  ~TesseractReader() override;
  TesseractReader(const TesseractReader&) = delete;
  TesseractReader& operator=(const TesseractReader&) = delete;

  bool available() override;
  std::optional<std::string> read(const GreyPicture& picture) override;
  void release() override;
  void cancel() override { cancelled_ = true; }

 private:
  struct Library;
  bool start();

  std::string languages_;
  std::string dataDir_;
  std::unique_ptr<Library> library_;  // loaded once, kept: a library is not unloaded safely
  void* engine_ = nullptr;            // TessBaseAPI*, while pictures are being read
  bool failed_ = false;
  std::atomic<bool> cancelled_ = false;
};

}  // namespace snaprill
