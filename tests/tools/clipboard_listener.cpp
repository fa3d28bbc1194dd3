// Follows the clipboard as the program does (QtClipboard, on an X server) and prints
// what its listener is told, a line each, for the desktop tests and benchmarks:
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
#include "capture/save_capture.h"

namespace {

using namespace snaprill;

class PrintingListener : public PictureListener {
 public:
  PrintingListener(Clipboard& clipboard, int busyMs, bool paste)
      : clipboard_(clipboard), busyMs_(busyMs), paste_(paste) {}

  void pictureArrived() override {
    const TakenPicture taken = clipboard_.take();
    if (taken.picture.empty()) {
      offerLost(taken.lost);
      return;
    }
    const Rgb corner = taken.picture.pixel(0, 0);
    std::printf("arrived %d %d %d\n", corner.r, corner.g, corner.b);
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(busyMs_));
    clipboard_.clearTaken();
    if (paste_) {
      QElapsedTimer pasting;
      pasting.start();
      const QString text = QGuiApplication::clipboard()->text();
      std::printf("pasted %lld\n", static_cast<long long>(pasting.elapsed()));
      std::fflush(stdout);
    }
  }

  void offerLost(LostOffer why) override {
    std::printf("lost %s\n", lostReasonKey(lostReasonOf(why)));
    std::fflush(stdout);
  }

 private:
  Clipboard& clipboard_;
  int busyMs_;
  bool paste_;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QtClipboard clipboard;
  PrintingListener listener(clipboard, argc > 1 ? std::atoi(argv[1]) : 0,
                            argc > 2 && std::strcmp(argv[2], "paste") == 0);
  clipboard.setListener(&listener);
  std::printf("ready\n");
  std::fflush(stdout);
  return QGuiApplication::exec();
}
