// A gallery run as the user starts it: pictures chosen, the page built while a
// progress bar counts, a file name chosen, the page written.
#pragma once

#include <string>

#include "platform/services.h"

namespace snaprill {

class Options;
class Texts;

// What a window shows of a run.
class GalleryView {
 public:
  virtual ~GalleryView() = default;
  virtual void setStartEnabled(bool enabled) = 0;
  virtual void showProgress(int maximum) = 0;
  virtual void setProgress(int done) = 0;
  virtual void hideProgress() = 0;
};

// The picture chooser's filter: every type Snaprill writes, together first and
// then each on its own (by the type picker's names), then every file.
std::string galleryPicturesFilter();

// The whole run: the start is disabled until it ends, whichever way. Cancelling
// either dialog writes nothing. The options are read as the page is built. A page
// that cannot be written throws FileError (after the start is enabled again)
// and leaves no file.
void createGallery(const Options& options, const Texts& texts, Dialogs& dialogs, GalleryView& view);

}  // namespace snaprill
