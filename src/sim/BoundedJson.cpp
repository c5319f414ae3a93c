#include "sim/BoundedJson.h"

#include <stdexcept>

namespace ostravel::sim {
namespace {

struct TooDeep {};

}  // namespace

nlohmann::json ParseBoundedJson(std::string_view text, std::string_view what) {
  using nlohmann::json;
  // The parser reports the depth of the enclosing container: 0 for the outermost one.
  const auto limit_depth = [](int depth, json::parse_event_t event, json&) {
    const bool opens =
        event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
    if (opens && depth >= kMaxJsonDepth) throw TooDeep{};
    return true;
  };
  try {
    return json::parse(text, limit_depth);
  } catch (const TooDeep&) {
    throw std::runtime_error(std::string(what) + ": objects and arrays nest more than " +
                             std::to_string(kMaxJsonDepth) + " levels deep");
  } catch (const json::out_of_range& error) {
    // A number beyond the range of a double, such as 1e400.
    throw std::runtime_error(std::string(what) + ": a number is out of range: " + error.what());
  } catch (const json::exception& error) {
    throw std::runtime_error(std::string(what) + ": malformed JSON: " + error.what());
  }
}

}  // namespace ostravel::sim
