#include "history/tesseract_reader.h"

#include <dlfcn.h>
#include <tesseract/capi.h>

#include <cstdlib>
#include <utility>

namespace snaprill {

namespace {

constexpr const char* kLibrary = "libtesseract.so.5";
constexpr const char* kThreadLimit = "OMP_THREAD_LIMIT";

template <class Function>
bool find(void* library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(::dlsym(library, name));
  return out != nullptr;
}

// Tesseract splits each line's network over OpenMP threads with a thread count of
// its own, which omp_set_num_threads does not lower, and the threads spin between
// lines: on two processors a picture cost three to four times the processor time
// of one thread, for no gain to a reader that nobody waits for. Only OpenMP's
// thread limit bounds them, and OpenMP reads it from the environment once, when
// the library is loaded.
void* loadLibrary() {
  const char* before = std::getenv(kThreadLimit);
  const std::string kept = before ? before : "";
  ::setenv(kThreadLimit, "1", 1);
  void* handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  // Programs started later (the external program) get the environment they had.
  if (before) {
    ::setenv(kThreadLimit, kept.c_str(), 1);
  } else {
    ::unsetenv(kThreadLimit);
  }
  return handle;
}

}  // namespace

struct TesseractReader::Library {
  decltype(&TessBaseAPICreate) create = nullptr;
  decltype(&TessBaseAPIDelete) destroy = nullptr;
  decltype(&TessBaseAPIInit4) init = nullptr;
  decltype(&TessBaseAPIEnd) end = nullptr;
  decltype(&TessBaseAPISetPageSegMode) setPageMode = nullptr;
  decltype(&TessBaseAPISetImage) setImage = nullptr;
  decltype(&TessBaseAPISetSourceResolution) setResolution = nullptr;
  decltype(&TessBaseAPIGetUTF8Text) text = nullptr;
  decltype(&TessBaseAPIClear) clear = nullptr;
  decltype(&TessDeleteText) deleteText = nullptr;
  decltype(&TessBaseAPIRecognize) recognize = nullptr;
};

TesseractReader::TesseractReader(std::string languages, std::string dataDir)
    : languages_(std::move(languages)), dataDir_(std::move(dataDir)) {}

TesseractReader::~TesseractReader() {
  if (!engine_) return;
  auto* engine = static_cast<TessBaseAPI*>(engine_);
  library_->end(engine);
  library_->destroy(engine);
}

bool TesseractReader::available() {
  return !languages_.empty() && start();
}

bool TesseractReader::start() {
  if (engine_) return true;
  if (failed_) return false;
  if (!library_) {
    void* handle = loadLibrary();
    Library l;
    if (!handle || !find(handle, "TessBaseAPICreate", l.create) ||
        !find(handle, "TessBaseAPIDelete", l.destroy) ||
        !find(handle, "TessBaseAPIInit4", l.init) || !find(handle, "TessBaseAPIEnd", l.end) ||
        !find(handle, "TessBaseAPISetPageSegMode", l.setPageMode) ||
        !find(handle, "TessBaseAPISetImage", l.setImage) ||
        !find(handle, "TessBaseAPISetSourceResolution", l.setResolution) ||
        !find(handle, "TessBaseAPIGetUTF8Text", l.text) ||
        !find(handle, "TessBaseAPIClear", l.clear) ||
        !find(handle, "TessDeleteText", l.deleteText) ||
        !find(handle, "TessBaseAPIRecognize", l.recognize)) {
      failed_ = true;
      return false;
    }
    library_ = std::make_unique<Library>(l);
  }
  TessBaseAPI* engine = library_->create();
  if (!engine) {
    failed_ = true;
    return false;
  }
  // Its notes on each picture would fill the program's standard error.
  char debugFile[] = "debug_file";
  char nowhere[] = "/dev/null";
  char* names[] = {debugFile};
  char* values[] = {nowhere};
  if (library_->init(engine, dataDir_.c_str(), languages_.c_str(), tesseract::OEM_LSTM_ONLY,
                     nullptr, 0, names, values, 1, 0) != 0) {
    library_->destroy(engine);
    failed_ = true;
    return false;
  }
  // Screens hold scattered labels, menus and columns rather than a page of prose.
  library_->setPageMode(engine, tesseract::PSM_SPARSE_TEXT);
  engine_ = engine;
  return true;
}

std::optional<std::string> TesseractReader::read(const GreyPicture& picture) {
  if (picture.pixels.empty() || !start()) return std::nullopt;
  auto* engine = static_cast<TessBaseAPI*>(engine_);
  library_->setImage(engine, picture.pixels.data(), picture.width, picture.height, 1,
                     picture.width);
  // A screen's pixels, which the picture does not say: without it Tesseract guesses
  // and says so on stderr.
  library_->setResolution(engine, 96);
  if (library_->recognize(engine, nullptr) != 0) {
    library_->clear(engine);
    return std::nullopt;
  }
  char* text = library_->text(engine);
  library_->clear(engine);
  if (!text) return std::nullopt;
  std::string words(text);
  library_->deleteText(text);
  return words;
}

}  // namespace snaprill
