// The quality bar: one scroll bar that holds the quality (JPEG, WebP, AVIF, JPEG XL)
// or the PNG compression level, whichever the output type uses, with its caption. It follows
// the options by itself: a new output type gives the bar that type's range and
// stored value; moving the bar stores the value for the type.
#pragma once

#include <string>
#include <vector>

#include "base/callbacks.h"
#include "options/options.h"
#include "options/texts.h"

namespace snaprill {

class QualityBar {
 public:
  QualityBar(Options& options, Texts& texts);
  ~QualityBar();
  QualityBar(const QualityBar&) = delete;
  QualityBar& operator=(const QualityBar&) = delete;

  // "Quality 90 (recommended 90)", "Compression Level: 9" or "Lossless". With a type
  // that uses neither, only the name of the setting ("Quality"), in the current
  // language.
  const std::string& caption() const { return caption_; }
  // How far a click in the bar's track moves it for the current type.
  int largeStep() const;
  // The bar takes the range and the stored value of the output type (range first,
  // so every stored value within it survives), and is enabled for the types that
  // take a number (not GIF, BMP, EMF, TIFF, AVI, Targa, PCX).
  // Runs by itself whenever the output type changes.
  void outputTypeChanged();

  // Told when the caption or the bar's enabled state changed.
  Callbacks changed;

 private:
  void positionChanged();
  void storedValueChanged(Option stored);
  void languageChanged();
  void showCaption();
  void showValue(int type, int value);

  Options& options_;
  Texts& texts_;
  std::vector<Options::WatchId> watches_;
  Callbacks::Id languageWatch_ = 0;
  std::string caption_;
  bool adjustingRange_ = false;
  int shownType_;  // the type whose value the caption shows
};

}  // namespace snaprill
