// The log's clock: local time, the date in the user's short date format.
#pragma once

#include "storage/activity_log.h"

class SystemLogClock : public LogClock {
  public:
    LogMoment Now() override;
};
