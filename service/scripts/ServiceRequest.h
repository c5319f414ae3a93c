#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/NumberText.h"
#include "base/Words.h"
#include "platform/DateTime.h"

namespace ostravel::platform {
class CodePage;
}

namespace ostravel::service {

using FormFields = std::map<std::string, std::string, std::less<>>;

// Limits on what a request may carry; the help texts state them to the players.
inline constexpr std::size_t kMaxNameLength = 40;     // characters of a character's name
inline constexpr std::size_t kMaxArgsLength = 2000;   // characters of a chat command's argument
inline constexpr std::size_t kMaxFieldLength = 4000;  // characters of any other field
inline constexpr std::size_t kMaxFields = 400;        // fields of one body

// One request to a script: its form fields (UTF-8) and the standard fields every request of
// the plug-in starts with, read once.
struct ServiceRequest {
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
  bool Has(std::string_view key) const { return fields.contains(key); }
  // The field as a whole number (a fraction is cut off, as the plug-in sends levels as
  // doubles); `fallback` when missing or not a number.
  std::int64_t Number(std::string_view key, std::int64_t fallback = 0) const;
};

// A request read from a form body, or the one line that says what is wrong with it.
struct ParsedRequest {
  std::optional<ServiceRequest> request;
  std::string error;
};

// Reads a form body in the plug-in's code page. The body is split at "&" and each pair at its
// first "="; "+" is a space and "%XX" a byte. The plug-in never escapes values one by one, so
// everything after "args=" is the argument, "&" and "=" included: a message "Tom & Jerry"
// arrives whole. Refused: a broken "%" escape, a field given twice, bytes the code page has no
// character for, too many or too long fields, and standard fields that are not numbers.
ParsedRequest ReadServiceRequest(std::string_view body, const platform::CodePage& code_page,
                                 const platform::DateTime& now);

// The number of characters of UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

}  // namespace ostravel::service
