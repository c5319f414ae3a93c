#include "service/scripts/ServiceRequest.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/CodePage.h"
#include "wire/FieldNames.h"
#include "wire/FormDecoder.h"

namespace ostravel::service {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD, for bytes without a character

// The body with the argument's "&" and "=" escaped: the plug-in sends the argument last and
// never escapes inside a value, so everything after "args=" belongs to it.
std::string WholeArgument(std::string_view body) {
  std::size_t start = body.starts_with("args=") ? 0 : body.find("&args=");
  if (start == std::string_view::npos) return std::string(body);
  start += body[start] == '&' ? 6 : 5;
  std::string out(body.substr(0, start));
  for (const char c : body.substr(start)) {
    out += c == '&' ? std::string("%26") : c == '=' ? std::string("%3D") : std::string(1, c);
  }
  return out;
}

// Control characters other than tab and line breaks; C1 ones (U+0080 to U+009F) are what the
// five unassigned bytes of 1252 become.
bool HasControlCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
      return true;
    }
  }
  return false;
}

std::optional<std::string> ToUtf8(std::string_view bytes, const platform::CodePage& code_page) {
  std::string text = code_page.ToUtf8(bytes);
  if (text.find(kReplacement) != std::string::npos || HasControlCharacter(text)) {
    return std::nullopt;
  }
  return text;
}

ParsedRequest Refuse(std::string error) {
  return {std::nullopt, std::move(error)};
}

// The ids a record carries ("MonarchCID", "Fellow3PID") are signed 32-bit numbers like the
// standard ones; one beyond would be cut silently when stored. An empty one means none.
std::string CheckRecordIds(const ServiceRequest& request) {
  for (const auto& [key, value] : request.fields) {
    if (!key.ends_with("CID") && !key.ends_with("PID")) continue;
    const std::string text(Trim(value));
    if (text.empty()) continue;
    const auto number = ParseWholeNumber(text);
    if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
        *number > std::numeric_limits<std::int32_t>::max()) {
      return "The field " + key + " must be a whole number from -2147483648 to 2147483647.";
    }
  }
  return {};
}

// The standard fields are numbers; a text there is a broken or forged request.
std::string CheckStandardFields(const ServiceRequest& request) {
  const auto in_range = [&](std::string_view key, std::int64_t low, std::int64_t high) {
    if (!request.Has(key)) return true;
    const auto value = ParseWholeNumber(request.Field(key));
    return value && *value >= low && *value <= high;
  };
  constexpr std::int64_t kMinInt = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMaxInt = std::numeric_limits<std::int32_t>::max();
  for (const auto key : {wire::field::kCID, wire::field::kMID, wire::field::kFLID}) {
    if (!in_range(key, kMinInt, kMaxInt)) {
      return "The field " + std::string(key) + " must be a whole number from " +
             std::to_string(kMinInt) + " to " + std::to_string(kMaxInt) + ".";
    }
  }
  constexpr std::int64_t kMaxLocation = std::numeric_limits<std::uint32_t>::max();
  if (!in_range(wire::field::kLocation, 0, kMaxLocation)) {
    return "The field " + std::string(wire::field::kLocation) +
           " must be a whole number from 0 to " + std::to_string(kMaxLocation) + ".";
  }
  if (!in_range(wire::field::kWantFellowship, 0, 1)) {
    return "The field " + std::string(wire::field::kWantFellowship) + " must be 0 or 1.";
  }
  return CheckRecordIds(request);
}

}  // namespace

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string ServiceRequest::Field(std::string_view key) const {
  const auto it = fields.find(key);
  return it == fields.end() ? std::string() : std::string(Trim(it->second));
}

std::int64_t ServiceRequest::Number(std::string_view key, std::int64_t fallback) const {
  return ParseWholeNumber(Field(key)).value_or(fallback);
}

ParsedRequest ReadServiceRequest(std::string_view body, const platform::CodePage& code_page,
                                 const platform::DateTime& now) {
  const wire::CheckedForm form = wire::DecodeFormChecked(WholeArgument(body));
  if (!form.problems.empty()) {
    return Refuse("The request has a " + wire::ProblemLine(form.problems.front()) + ".");
  }
  if (form.fields.size() > kMaxFields) return Refuse("The request has too many fields.");
  ServiceRequest request;
  for (const auto& [key_bytes, value_bytes] : form.fields) {
    const auto key = ToUtf8(key_bytes, code_page);
    const auto value = ToUtf8(value_bytes, code_page);
    if (!key || !value) {
      return Refuse("The request has bytes that code page " + std::to_string(code_page.Number()) +
                    " has no character for (or control characters).");
    }
    const std::size_t limit = *key == wire::field::kArgs ? kMaxArgsLength : kMaxFieldLength;
    if (CharacterCount(*value) > limit) {
      return Refuse("The field " + *key + " is longer than " + std::to_string(limit) +
                    " characters.");
    }
    request.fields.emplace(*key, *value);
  }
  if (std::string error = CheckStandardFields(request); !error.empty()) return Refuse(error);
  if (const auto args = request.fields.find(wire::field::kArgs); args != request.fields.end()) {
    request.args = args->second;
  }
  // Ids travel as signed 32-bit numbers and the location as unsigned.
  request.character = static_cast<std::int32_t>(request.Number(wire::field::kCID));
  request.monarch = static_cast<std::int32_t>(request.Number(wire::field::kMID));
  request.location = static_cast<std::uint32_t>(request.Number(wire::field::kLocation));
  request.fellowship_leader = static_cast<std::int32_t>(request.Number(wire::field::kFLID));
  request.wants_fellowship = request.Number(wire::field::kWantFellowship) != 0;
  request.now = now;
  return {std::move(request), {}};
}

}  // namespace ostravel::service
