#pragma once

#include "platform/DateTime.h"

namespace ostravel::platform {

// How far the system's local time zone is ahead of UTC at the local time `local`, in seconds
// (3600 for 20:00 in Berlin in winter, 7200 in summer).
int LocalUtcOffsetSeconds(const DateTime& local);

}  // namespace ostravel::platform
