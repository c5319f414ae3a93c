#include "DemoRequest.h"

#include <utility>

#include "base/NumberText.h"
#include "base/Words.h"
#include "wire/FieldNames.h"

namespace ostravel::app {

std::string DemoRequest::Field(std::string_view key) const {
  const auto it = fields.find(key);
  return it == fields.end() ? std::string() : std::string(Trim(it->second));
}

std::int64_t DemoRequest::Number(std::string_view key, std::int64_t fallback) const {
  return ParseWholeNumber(Field(key)).value_or(fallback);
}

DemoRequest ReadDemoRequest(wire::FormFields utf8_fields, const platform::DateTime& now) {
  DemoRequest request;
  request.fields = std::move(utf8_fields);
  const auto args = request.fields.find(wire::field::kArgs);
  if (args != request.fields.end()) request.args = args->second;
  // Ids travel as signed 32-bit numbers and the location as unsigned; both wrap to 32 bits.
  request.character = static_cast<std::int32_t>(request.Number(wire::field::kCID));
  request.monarch = static_cast<std::int32_t>(request.Number(wire::field::kMID));
  request.location = static_cast<std::uint32_t>(request.Number(wire::field::kLocation));
  request.fellowship_leader = static_cast<std::int32_t>(request.Number(wire::field::kFLID));
  request.wants_fellowship = request.Number(wire::field::kWantFellowship) != 0;
  request.now = now;
  return request;
}

}  // namespace ostravel::app
