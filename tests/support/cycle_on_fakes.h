// A capture cycle over the fake services, driven picture by picture; free of
// GoogleTest so that the sample writer under tests/tools can drive one too.
#pragma once

#include <string>
#include <vector>

#include "capture/capture_cycle.h"
#include "capture/capture_reports.h"
#include "capture/capture_status.h"
#include "fakes/fakes.h"
#include "options/overwrite_warning.h"
#include "options/quality_bar.h"
#include "support/pictures.h"

namespace snaprill::testing {

// A program that keeps everything in one folder.
inline ProgramDirectories dirsIn(const std::string& dir) {
  return ProgramDirectories{dir, dir, dir, dir + "snaprill", dir, dir};
}

// Remembers what the last capture wrote (empty: nothing), and every file written.
struct LastSaved : CaptureObserver {
  void captureEnded(const SaveOutcome& outcome, const CaptureSource& from) override {
    path = outcome.path;
    source = from;
    if (!path.empty()) files.push_back(path);
  }
  std::string path;
  CaptureSource source;
  std::vector<std::string> files;
};

struct CycleOnFakes : fake::FakeServices {
  explicit CycleOnFakes(const ProgramDirectories& dirs) : platform(makePlatform(dirs)) {
    cycle.addObserver(lastSaved);
  }
  ~CycleOnFakes() { cycle.removeObserver(lastSaved); }

  // Offers a picture, whose data then arrives.
  void capture(const Bitmap& picture = samplePicture()) {
    clipboard.offerBitmap(picture);
    tick();
  }
  // The offered picture's data arrives: the cycle is told, as the clipboard tells it
  // once it has read the owner's data and the event loop comes round.
  void tick() { clipboard.arrive(); }

  Platform platform;
  Options options;
  Texts texts;
  SaveState state{options};
  CaptureCycle cycle{options, texts, state, platform};
  CaptureReports reports{cycle, dialogs, texts};
  CaptureStatus status{cycle, options, texts, state, platform};
  QualityBar qualityBar{options, texts};
  OverwriteWarning overwriteWarning{options, dialogs, texts};
  LastSaved lastSaved;
};

}  // namespace snaprill::testing
