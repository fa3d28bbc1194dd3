// Letting pending events through while long work runs on the user-interface thread.
#pragma once

#include "platform/services.h"

namespace snaprill {

class QtEventPump : public EventPump {
 public:
  void processPendingEvents() override;
};

}  // namespace snaprill
