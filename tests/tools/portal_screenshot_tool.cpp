// A picture through the desktop portal's Screenshot, without asking the user, as
// Snaprill takes one where neither the compositor's protocols nor KWin's service
// answers: for the desktop tests, which cannot make a compositor with those send it
// there.
//
//   portal_screenshot_tool FILE     writes the picture as PNG; exit status 1 when
//                                   the portal gave none
#include <QCoreApplication>
#include <cstdio>

#include "backends/portal/portal_screenshot.h"
#include "backends/qt/qimage_bitmap.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: portal_screenshot_tool FILE\n");
    return 2;
  }
  snaprill::PortalScreenshot portal;
  portal.take(false, QString(), [&argv](const snaprill::TakenPicture& taken) {
    const bool saved =
        !taken.picture.empty() &&
        snaprill::qimageFromBitmap(taken.picture).save(QString::fromLocal8Bit(argv[1]), "PNG");
    if (!saved) std::fprintf(stderr, "the portal gave no picture\n");
    QCoreApplication::exit(saved ? 0 : 1);
  });
  return QCoreApplication::exec();
}
