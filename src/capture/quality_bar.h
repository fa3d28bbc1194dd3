// The quality bar: one scroll bar that holds the JPEG quality or the PNG
// compression level, whichever the output type uses, with its caption.
#pragma once

#include "capture/view_state.h"
#include "options/options.h"
#include "options/texts.h"

namespace snaprill {

class QualityBar {
 public:
  // Watches the bar's position from here on.
  QualityBar(Options& options, const Texts& texts, ViewState& view);

  // The bar moved: its position becomes the current type's quality, and the caption
  // follows.
  void positionChanged();
  // How far a click in the bar's track moves it for the current type.
  int largeStep() const;
  // The output type changed: the bar takes the range and the stored value of the
  // new type (range first, so every stored value within it survives), and is
  // enabled for JPEG and PNG only.
  void outputTypeChanged();
  // The caption again from the new language's template, the one it showed before:
  // with GIF chosen it still speaks of the JPEG quality or the PNG level it showed.
  void languageChanged();

 private:
  void showJpegQuality(int quality);
  void showPngLevel(int level);

  Options& options_;
  const Texts& texts_;
  ViewState& view_;
  bool adjustingRange_ = false;
  bool showsJpegQuality_ = false;
};

}  // namespace snaprill
