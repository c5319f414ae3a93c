#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"
#include "support/TestEnvironment.h"

namespace ostravel::service {
class AllegianceService;
}

namespace ostravel::test {

inline constexpr std::int32_t kAnn = 1342177281;
inline constexpr std::int32_t kBob = 1342177449;
inline constexpr std::int32_t kCid = 1342177295;

inline platform::DateTime FixedNow() {
  return {2025, 6, 1, 14, 30, 0};
}

// The service on a database file at FixedNow, its error lines to `errors` or else std::cerr.
std::unique_ptr<service::AllegianceService> OpenService(const std::filesystem::path& database,
                                                        std::ostream* errors = nullptr);

// The standard fields of a character standing in town.
std::string StdFields(std::int32_t caller);
// A character record as CharPostString builds it, line feeds inside values included.
std::string CharRecord(std::int32_t id, std::string_view name, int level,
                       std::string_view extra = "");
// The same of a member who shares nothing: "Share" off, a PK, specialised in alchemy.
std::string PrivateRecord(std::int32_t id, std::string_view name, int level);
// A body for a chat command's script: the standard fields, then "&args=" and `args`.
std::string Command(std::int32_t caller, std::string_view args);

std::vector<std::string> Lines(const std::string& text);
// The values of one key in the lines of an answer.
std::vector<std::string> Column(const std::string& answer, std::string_view key);
// The value of a key in one answer line, as the plug-in reads it (ValFromStr).
std::string Value(std::string_view line, std::string_view key);

}  // namespace ostravel::test
