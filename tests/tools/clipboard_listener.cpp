// Follows the clipboard as the program does (QtClipboard, on an X server) and prints
// what a capture cycle in its place would be handed, a line each, for the desktop
// tests and benchmarks:
//   arrived R G B     a picture was handed over; the colour of its top-left pixel
//   lost KEY          an offer was lost; KEY is its reason's [Main] text key
//   pasted MS         (with "paste") how long Qt took to say what the emptied
//                     clipboard holds, as a paste into one of the program's own text
//                     fields asks
// Each picture is taken once told, kept for MS milliseconds as a capture being
// written keeps the program busy, and then emptied from the clipboard. It prints
// "ready" once it follows the clipboard, and runs until it is ended.
//
// usage: clipboard_listener [MS [paste]]
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "backends/qt/qt_clipboard.h"
#include "backends/qt/qt_timer.h"

namespace {

using namespace snaprill;

class PrintingSink : public CaptureSink {
 public:
  PrintingSink(PictureSource& pictures, int busyMs, bool paste)
      : pictures_(pictures), busyMs_(busyMs), paste_(paste) {}

  void pictureReady() override {
    while (pictures_.handOver(false)) {
    }
  }

  void submit(Capture capture) override {
    if (capture.picture.empty()) {
      offerLost(capture.whyNone);
      return;
    }
    const Rgb corner = capture.picture.pixel(0, 0);
    std::printf("arrived %d %d %d\n", corner.r, corner.g, corner.b);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(busyMs_));
    if (capture.settle) capture.settle(true);
    if (paste_) {
      QElapsedTimer pasting;
      pasting.start();
      const QString text = QGuiApplication::clipboard()->text();
      std::printf("pasted %lld\n", static_cast<long long>(pasting.elapsed()));
      std::fflush(stdout);
    }
  }

  void offerLost(LostReason why) override {
    std::printf("lost %s\n", lostReasonKey(why));
    std::fflush(stdout);
  }

 private:
  PictureSource& pictures_;
  int busyMs_;
  bool paste_;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const SystemClock clock;
  QtClipboard clipboard(newQtTimer(), clock);
  PrintingSink sink(clipboard.pictures(), argc > 1 ? std::atoi(argv[1]) : 0,
                    argc > 2 && std::strcmp(argv[2], "paste") == 0);
  clipboard.pictures().setSink(&sink);
  std::printf("ready\n");
  std::fflush(stdout);
  return QGuiApplication::exec();
}
