#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FormDecoder.h"
#include "base/AsciiText.h"
#include "platform/DateTime.h"

namespace ostravel::app {

// One request to the demo service: its form fields (values already in UTF-8) and the standard
// fields every request of the plug-in starts with, read once.
struct DemoRequest {
  FormFields fields;
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

DemoRequest ReadDemoRequest(FormFields utf8_fields, const platform::DateTime& now);

// A number in decimal, optionally signed, optionally with a fraction (cut off toward zero);
// nullopt for anything else.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

std::string_view Trim(std::string_view text);
// The words of a text, split at runs of white space.
std::vector<std::string_view> SplitWords(std::string_view text);

// The first word of a text and what follows it (without the separating white space).
struct WordAndRest {
  std::string_view word;
  std::string_view rest;
};
WordAndRest FirstWord(std::string_view text);

}  // namespace ostravel::app
