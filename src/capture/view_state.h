// What the window shows of the capture cycle and its options: texts the cycle and
// the option reactions compute, for the window to put on its widgets. The window
// redraws them when `changed` calls it.
#pragma once

#include <string>

#include "base/callbacks.h"

namespace snaprill {

struct ViewState {
  std::string statusText = "0/99999 pictures";
  std::string windowCaption = "Snaprill";
  std::string pauseCaption;  // the pause or resume item of the File and tray menus
  bool pausedNoticeVisible = false;
  // "Quality 90 (recommended 90)" or "Compression Level: 9" above the quality bar.
  std::string qualityCaption;
  // Beside the prefix field: the first file name the prefix gives ("snp1.jpg").
  std::string exampleFileName;
  // The caret of the prefix field, kept in place when the prefix is cleaned.
  int prefixCaret = 0;
  // "Current: %s" with the pixelize and blur levels.
  std::string pixelizeLevelCaption;
  std::string blurLevelCaption;
  // Set by a load that found a stored window position: the window keeps that place
  // instead of being centred.
  bool windowPositionFromSettings = false;

  Callbacks changed;
  // Told after every reaction to an image-type change (a choice in the window, a
  // settings load, "Save each image separately" while AVI is chosen): the window
  // brings the type's page forward there.
  Callbacks typeChanged;

  // A capture that came to nothing without a message box of its own: the notice
  // that says why, in the user's language, and whether its number was used up all
  // the same. captureLost is told of each.
  struct LostCapture {
    std::string notice;
    bool numberUsedUp = false;
  };
  LostCapture lostCapture;
  Callbacks captureLost;
};

}  // namespace snaprill
