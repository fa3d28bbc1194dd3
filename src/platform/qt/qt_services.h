// The smaller services through Qt: letting events through, starting programs.
#pragma once

#include "platform/services.h"

namespace snaprill {

class QtEventPump : public EventPump {
 public:
  void processPendingEvents() override;
};

class QtLauncher : public Launcher {
 public:
  void start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& workingDirectory) override;
};

}  // namespace snaprill
