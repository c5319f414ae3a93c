#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/scripts/ServiceRequest.h"
#include "service/store/GateTable.h"
#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// True when the gate lets the request in: a member of the allegiance (its monarch id, or the
// monarch itself) or a friend of the allegiance by the name its record gives (for a first
// record, the name the record itself carries).
bool PassesGate(SqliteConnection& db, const Gate& gate, const ServiceRequest& request);

// The one line a character outside the allegiance gets.
std::string GateRefusal(const Gate& gate);

}  // namespace ostravel::service
