#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The allegiance a service is for: its monarch, by id (as requests carry it in MID) and by
// the name the admin gave.
struct Gate {
  std::int32_t monarch = 0;
  std::string monarch_name;
};

// The gate in force; nullopt when the service serves everyone (the default).
std::optional<Gate> ReadGate(SqliteConnection& db);
void SetGate(SqliteConnection& db, const std::optional<Gate>& gate);

// The ids the records know for a monarch's name: characters of that name and the allegiance
// tree's nodes of that name.
std::vector<std::int32_t> IdsNamed(SqliteConnection& db, std::string_view name);

}  // namespace ostravel::service
