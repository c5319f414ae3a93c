#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "host/Controls.h"
#include "host/Variant.h"

namespace ostravel::app {

// The state of one simulated control, as a transcript record and as a line for a person.
struct ControlDump {
  nlohmann::ordered_json record;
  std::string line;
};

// Describes a control of the simulated view; throws std::invalid_argument for a control that
// is not one of the simulated kinds.
ControlDump DumpControl(const host::Control& control);

// A value as JSON: null when empty, else its Boolean, number or text.
nlohmann::ordered_json VariantJson(const host::Variant& value);

}  // namespace ostravel::app
