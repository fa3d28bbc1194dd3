#include "history/tesseract_reader.h"

#include <dlfcn.h>
#include <tesseract/capi.h>

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/program_dir.h"

namespace snaprill {

namespace {

constexpr const char* kLibrary = "libtesseract.so.5";

// Our language files and the Tesseract data that reads their language.
constexpr std::array<std::pair<std::string_view, const char*>, 9> kLanguageData{{
    {"german.ini", "deu"},
    {"french.ini", "fra"},
    {"spanish.ini", "spa"},
    {"italian.ini", "ita"},
    {"polish.ini", "pol"},
    {"russian.ini", "rus"},
    {"brazilian_portuguese.ini", "por"},
    {"japanese.ini", "jpn"},
    {"simplified_chinese.ini", "chi_sim"},
}};

bool hasData(const std::string& dataDir, const char* language) {
  return isRegularFileOrOther(dataDir + language + ".traineddata");
}

template <class Function>
bool find(void* library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(::dlsym(library, name));
  return out != nullptr;
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
  decltype(&TessMonitorCreate) createMonitor = nullptr;
  decltype(&TessMonitorDelete) deleteMonitor = nullptr;
  decltype(&TessMonitorSetCancelFunc) setCancel = nullptr;
  decltype(&TessMonitorSetCancelThis) setCancelThis = nullptr;
  void (*threads)(int) = nullptr;  // OpenMP's omp_set_num_threads, where it is used
};

std::string tesseractDataDir() {
  const char* prefix = std::getenv("TESSDATA_PREFIX");
  if (prefix != nullptr && *prefix == '/') return withTrailingSlash(prefix);
  return "/usr/share/tesseract-ocr/5/tessdata/";
}

std::string readingLanguages(const std::string& languageFile, const std::string& dataDir) {
  const std::string name = languageFile.substr(languageFile.find_last_of('/') + 1);
  std::string languages;
  for (const auto& [file, language] : kLanguageData) {
    if (file == name && hasData(dataDir, language)) languages = language;
  }
  if (hasData(dataDir, "eng")) languages += languages.empty() ? "eng" : "+eng";
  return languages;
}

TesseractReader::TesseractReader(std::string languages, std::string dataDir)
    : languages_(std::move(languages)), dataDir_(std::move(dataDir)) {}

TesseractReader::~TesseractReader() {
  release();
}

bool TesseractReader::available() {
  return !languages_.empty() && start();
}

bool TesseractReader::start() {
  if (engine_) return true;
  if (failed_) return false;
  if (!library_) {
    void* handle = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
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
        !find(handle, "TessBaseAPIRecognize", l.recognize) ||
        !find(handle, "TessMonitorCreate", l.createMonitor) ||
        !find(handle, "TessMonitorDelete", l.deleteMonitor) ||
        !find(handle, "TessMonitorSetCancelFunc", l.setCancel) ||
        !find(handle, "TessMonitorSetCancelThis", l.setCancelThis)) {
      failed_ = true;
      return false;
    }
    // OpenMP would run a picture on every processor and keep its threads spinning
    // after each one: one picture at a time, on this (idle) thread only.
    find(handle, "omp_set_num_threads", l.threads);
    library_ = std::make_unique<Library>(l);
  }
  if (library_->threads) library_->threads(1);
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
  if (picture.pixels.empty() || cancelled_ || !start()) return std::nullopt;
  auto* engine = static_cast<TessBaseAPI*>(engine_);
  library_->setImage(engine, picture.pixels.data(), picture.width, picture.height, 1,
                     picture.width);
  // A screen's pixels, which the picture does not say: without it Tesseract guesses
  // and says so on stderr.
  library_->setResolution(engine, 96);
  // Asked now and then while it reads: a quit gives the picture up at once.
  const std::unique_ptr<ETEXT_DESC, decltype(library_->deleteMonitor)> monitor(
      library_->createMonitor(), library_->deleteMonitor);
  library_->setCancelThis(monitor.get(), &cancelled_);
  library_->setCancel(
      monitor.get(), [](void* flag, int) { return static_cast<std::atomic<bool>*>(flag)->load(); });
  if (library_->recognize(engine, monitor.get()) != 0 || cancelled_) {
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

void TesseractReader::release() {
  if (!engine_) return;
  auto* engine = static_cast<TessBaseAPI*>(engine_);
  library_->end(engine);
  library_->destroy(engine);
  engine_ = nullptr;
}

}  // namespace snaprill
