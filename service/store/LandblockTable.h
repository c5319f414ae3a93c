#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The landblock of a location: its upper 16 bits.
constexpr std::uint32_t LandblockOf(std::uint32_t location) {
  return location >> 16;
}

struct LandblockText {
  std::string text;
  std::int32_t set_by = 0;
};

// The description of the landblock at `location`, if one is set.
std::optional<LandblockText> FindLandblockText(SqliteConnection& db, std::uint32_t location);
// Sets the description of the landblock at `location`.
void SaveLandblockText(SqliteConnection& db, std::uint32_t location, std::string_view text,
                       std::int32_t set_by, std::string_view at);

}  // namespace ostravel::service
