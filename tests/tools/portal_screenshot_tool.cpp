// A picture through the desktop portal's Screenshot, without asking the user, as
// Snaprill takes one where neither screencopy nor KWin's service answers: for the
// desktop tests, which cannot make a compositor with those two send it there.
//
//   portal_screenshot_tool FILE     writes the picture as PNG; exit status 1 when
//                                   the portal gave none
#include <QCoreApplication>
#include <cstdio>

#include "backends/qt/qimage_bitmap.h"
#include "backends/wayland/portal_screenshot.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: portal_screenshot_tool FILE\n");
    return 2;
  }
  if (!snaprill::PortalScreenshot::available()) {
    std::fprintf(stderr, "no portal on the session bus\n");
    return 1;
  }
  snaprill::PortalScreenshot portal;
  const snaprill::Bitmap picture = portal.grab(false);
  if (picture.empty() ||
      !snaprill::qimageFromBitmap(picture).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "the portal gave no picture\n");
    return 1;
  }
  return 0;
}
