#include "sim/SimWorld.h"

#include <utility>

namespace ostravel::sim {

SimWorld::SimWorld(std::map<std::int32_t, std::string> objects) : objects_(std::move(objects)) {}

std::optional<std::string> SimWorld::ObjectName(std::int32_t id) const {
  const auto found = objects_.find(id);
  if (found == objects_.end()) return std::nullopt;
  return found->second;
}

}  // namespace ostravel::sim
