#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace ostravel::sim {

// How deep objects and arrays may nest in the JSON the simulated host reads. Its readers walk
// the document recursively; this keeps a hostile text from exhausting the stack.
inline constexpr int kMaxJsonDepth = 64;

// Parses JSON text whose objects and arrays nest at most kMaxJsonDepth deep. Throws
// std::runtime_error with `what` + ": " + the reason for any text that is not such JSON:
// malformed, nested deeper, or holding a number too large for a double.
nlohmann::json ParseBoundedJson(std::string_view text, std::string_view what);

}  // namespace ostravel::sim
