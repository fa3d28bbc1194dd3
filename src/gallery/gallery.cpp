#include "gallery/gallery.h"

#include "gallery/gallery_page.h"
#include "options/options.h"
#include "options/texts.h"

namespace snaprill {

namespace {

constexpr const char* kImagesFilter =
    "Common image files|*.bmp;*.jpg;*.jpeg;*.gif;*.png|JPEG images|*.jpg;*.jpeg|GIF "
    "images|*.gif|PNG images|*.png|Bitmap images|*.bmp|All files|*.*";
constexpr const char* kPageFilter = "HTML files (*.html)|*.html|All files (*.*)|*.*";

// The start comes back on every way out of a run, an exception included.
class StartDisabled {
 public:
  explicit StartDisabled(GalleryView& view) : view_(view) { view_.setStartEnabled(false); }
  ~StartDisabled() { view_.setStartEnabled(true); }
  StartDisabled(const StartDisabled&) = delete;
  StartDisabled& operator=(const StartDisabled&) = delete;

 private:
  GalleryView& view_;
};

}  // namespace

void createGallery(const Options& options, const Texts& texts, Dialogs& dialogs,
                   GalleryView& view) {
  const StartDisabled running(view);
  // The pictures a gallery shows are most likely the captures.
  const std::optional<std::vector<std::string>> pictures = dialogs.openFiles(
      texts.get("Dialogs", "SelectImages"), kImagesFilter, options.text(Option::outputDir));
  if (!pictures) return;

  view.showProgress(static_cast<int>(pictures->size()));
  const std::vector<std::string> lines =
      buildGalleryPage(*pictures, gallerySettingsFrom(options), texts.get("Gallery", "Gallery"),
                       galleryCreditLine(), [&view](int done) { view.setProgress(done); });
  view.hideProgress();

  const std::optional<std::string> chosen = dialogs.saveFile(
      texts.get("Dialogs", "SaveGallery"), kPageFilter, std::string(), std::string());
  if (!chosen) return;
  writeGalleryPage(galleryFileName(*chosen), lines);
}

}  // namespace snaprill
