#include "settings/settings_file.h"

namespace snaprill {

void SaveSettings(CaptureEngine&, const std::string&) {}

void LoadSettings(CaptureEngine&, const std::string&, bool) {}

void connectSettings(CaptureEngine& engine) {
  engine.loadSettings = [&engine](const std::string& file, bool full) {
    LoadSettings(engine, file, full);
  };
  engine.saveSettings = [&engine](const std::string& file) { SaveSettings(engine, file); };
}

}  // namespace snaprill
