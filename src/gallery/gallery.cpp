#include "gallery/gallery.h"

#include <string_view>

#include "gallery/gallery_page.h"
#include "options/options.h"
#include "options/output_types.h"
#include "options/texts.h"

namespace snaprill {

namespace {

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

// The other names files of a type commonly go by.
std::string_view otherExtension(std::string_view extension) {
  if (extension == ".jpg") return ".jpeg";
  if (extension == ".tif") return ".tiff";
  return {};
}

}  // namespace

std::string galleryPicturesFilter() {
  std::string all;
  std::string each;
  for (const OutputTypeInfo& type : offeredOutputTypes()) {
    // Appended piece by piece: GCC 12's optimiser warns (falsely) on a chain of
    // operator+ that starts with a literal, and the Release build treats that as an error.
    std::string patterns = "*";
    patterns += type.extension;
    if (const std::string_view other = otherExtension(type.extension); !other.empty()) {
      patterns += ";*";
      patterns += other;
    }
    if (!all.empty()) all += ';';
    all += patterns;
    each += '|';
    each += type.pickerName;
    each += '|';
    each += patterns;
  }
  std::string filter = "Pictures Snaprill writes|";
  filter += all;
  filter += each;
  filter += "|All files|*.*";
  return filter;
}

void createGallery(const Options& options, const Texts& texts, Dialogs& dialogs,
                   GalleryView& view) {
  const StartDisabled running(view);
  // The pictures a gallery shows are most likely the captures.
  const std::optional<std::vector<std::string>> pictures =
      dialogs.openFiles(texts.get("Dialogs", "SelectImages"), galleryPicturesFilter(),
                        options.text(Option::outputDir));
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
