// What one running Snaprill consists of, as its windows see it: the options and
// texts, the services, the state captures leave, the capture cycle, what it shows
// and what is told beyond that, the settings files and the quality bar. The program (and a test)
// makes them; the windows hold these references and outlive none of them.
#pragma once

#include "capture/capture_cycle.h"
#include "capture/capture_reports.h"
#include "capture/capture_status.h"
#include "options/options.h"
#include "options/quality_bar.h"
#include "options/texts.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace snaprill {

struct Session {
  Options& options;
  Texts& texts;
  Platform& services;
  SaveState& state;
  CaptureCycle& cycle;
  CaptureReports& reports;
  CaptureStatus& status;
  SettingsFiles& settings;
  QualityBar& qualityBar;
};

}  // namespace snaprill
