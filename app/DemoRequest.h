#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/AsciiText.h"
#include "base/NumberText.h"
#include "base/Words.h"
#include "platform/DateTime.h"
#include "wire/FormDecoder.h"

namespace ostravel::app {

// One request to the demo service: its form fields (values already in UTF-8) and the standard
// fields every request of the plug-in starts with, read once.
struct DemoRequest {
  wire::FormFields fields;
  std::string args;                    // the chat command's argument text, as typed
  std::int32_t character = 0;          // CID
  std::int32_t monarch = 0;            // MID
  std::uint32_t location = 0;          // Location, unsigned
  std::int32_t fellowship_leader = 0;  // FLID
  bool wants_fellowship = false;       // WantFellowship
  platform::DateTime now;              // the service's clock, not the caller's Localtime

  // The field's value with surrounding white space removed (the character record carries line
  // feeds at the end of some values); "" when the field is missing.
  std::string Field(std::string_view key) const;
  // The field as a whole number (a fraction is cut off, as the plug-in sends levels as
  // doubles); `fallback` when missing or not a number.
  std::int64_t Number(std::string_view key, std::int64_t fallback = 0) const;
};

DemoRequest ReadDemoRequest(wire::FormFields utf8_fields, const platform::DateTime& now);

}  // namespace ostravel::app
