// The screen that metafiles are recorded against: its size in pixels and
// millimetres. The desktop asks the X server; a program without a display uses the
// default.
#pragma once

namespace snaprill {

struct ReferenceScreen {
  int widthPixels = 1920;
  int heightPixels = 1080;
  int widthMillimetres = 508;  // 96 dots per inch
  int heightMillimetres = 286;
  // A screen of the given pixel size at 96 dots per inch.
  static ReferenceScreen at96Dpi(int widthPixels, int heightPixels);
};

}  // namespace snaprill
