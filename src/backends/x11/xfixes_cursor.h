// The mouse cursor's picture and position from the X server (XFixes).
#pragma once

#include "platform/services.h"

typedef struct _XDisplay Display;

namespace snaprill {

class XFixesCursorSource : public CursorSource {
 public:
  // Opens its own connection to the display named by DISPLAY; without a display or
  // the XFixes extension it reports no cursor.
  XFixesCursorSource();
  ~XFixesCursorSource() override;
  XFixesCursorSource(const XFixesCursorSource&) = delete;
  XFixesCursorSource& operator=(const XFixesCursorSource&) = delete;

  CursorSnapshot current() override;

 private:
  Display* display_ = nullptr;
  bool haveXFixes_ = false;
};

}  // namespace snaprill
