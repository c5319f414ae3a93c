#pragma once

#include "host/Filters.h"

namespace ostravel::sim {

// The EchoFilter2 network filter; the host raises its event for every server message.
class SimEchoFilter final : public host::EchoFilter2 {};

}  // namespace ostravel::sim
