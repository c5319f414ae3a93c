#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "host/Filters.h"

namespace ostravel::sim {

// The World filter: the objects the client knows of, by id.
class SimWorld final : public host::World {
 public:
  explicit SimWorld(std::map<std::int32_t, std::string> objects);

  std::optional<std::string> ObjectName(std::int32_t id) const override;

  // An object comes into view (or is renamed).
  void SetObject(std::int32_t id, std::string name) { objects_[id] = std::move(name); }
  // An object leaves the client's knowledge.
  void RemoveObject(std::int32_t id) { objects_.erase(id); }

 private:
  std::map<std::int32_t, std::string> objects_;
};

}  // namespace ostravel::sim
