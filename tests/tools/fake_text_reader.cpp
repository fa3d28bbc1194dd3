// A stand-in for snaprill-text-reader that reads every picture as its width, so
// that the capture history's child process can be driven without Tesseract, and
// misbehaves on chosen widths: 13 crashes it, 17 keeps it reading until it is
// killed (it writes its pid to LOG.pid first). Each picture read is appended to LOG.
//
// usage: fake_text_reader LOG [no-engine]
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "history/reader_service.h"

namespace {

class WidthReader : public snaprill::TextReader {
 public:
  WidthReader(std::string log, bool available) : log_(std::move(log)), available_(available) {}
  bool available() override { return available_; }
  std::optional<std::string> read(const snaprill::GreyPicture& picture) override {
    std::ofstream(log_, std::ios::app) << picture.width << '\n';
    if (picture.width == 13) ::raise(SIGKILL);
    if (picture.width == 17) {
      std::ofstream(log_ + ".pid") << ::getpid() << '\n';
      for (;;) ::pause();
    }
    return "wide" + std::to_string(picture.width);
  }

 private:
  std::string log_;
  bool available_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  WidthReader reader(argv[1], argc < 3 || std::string(argv[2]) != "no-engine");
  return snaprill::serveReadRequests(reader, 0, 1);
}
