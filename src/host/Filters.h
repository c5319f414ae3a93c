#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/HostObject.h"
#include "host/Message.h"
#include "host/Signal.h"

namespace ostravel::host {

// The EchoFilter2 network filter: every message the game server sends.
class EchoFilter2 : public HostObject {
 public:
  Signal<const Message& /*pMsg*/> EchoServer;
};

// The World filter: the objects the client knows of.
class World : public HostObject {
 public:
  // The object's name (its string value with key 1); nullopt when there is no such object.
  virtual std::optional<std::string> ObjectName(std::int32_t id) const = 0;
};

// One allegiance record as the CharacterStats filter keeps it.
struct AllegianceInfo {
  std::int32_t guid = 0;
  std::int32_t gender = 0;
  std::int32_t leadership = 0;
  std::int32_t loyalty = 0;
  std::string name;
  std::int32_t race = 0;
  std::int32_t rank = 0;
  std::int32_t tree_parent = 0;
  std::int32_t xp = 0;
};

struct AttributeInfo {
  std::int32_t start = 0;
  std::int32_t current = 0;
};

struct SkillInfo {
  std::string name;
  std::int32_t state = 0;
  std::int32_t value = 0;
};

// The CharacterStats filter: the logged-in character. Lookups by a number the host does not
// know throw Error.
class CharacterStats : public HostObject {
 public:
  virtual std::int32_t CharacterId() const = 0;
  virtual std::string Name() const = 0;
  virtual std::string Server() const = 0;
  virtual std::int32_t ServerPopulation() const = 0;
  // Seconds since 1 January 1970.
  virtual std::int32_t Birth() const = 0;
  virtual std::int32_t Age() const = 0;
  virtual std::int32_t Deaths() const = 0;
  virtual std::string ClassTemplate() const = 0;
  virtual std::string Gender() const = 0;
  virtual std::string Race() const = 0;
  virtual std::int32_t Level() const = 0;
  virtual std::int32_t Rank() const = 0;
  virtual std::int32_t SkillPoints() const = 0;
  virtual std::int32_t Followers() const = 0;
  virtual std::int32_t VassalCount() const = 0;
  virtual std::int32_t SkillCount() const = 0;
  virtual AttributeInfo Attribute(std::int32_t number) const = 0;
  virtual std::int32_t Vital(std::int32_t number) const = 0;
  virtual SkillInfo Skill(std::int32_t number) const = 0;
  // The allegiance records; nullopt where the character has none.
  virtual std::optional<AllegianceInfo> Monarch() const = 0;
  virtual std::optional<AllegianceInfo> Patron() const = 0;
  virtual std::optional<AllegianceInfo> Self() const = 0;
  virtual AllegianceInfo Vassal(std::int32_t index) const = 0;

  Signal<> LoginComplete;
  Signal<std::int32_t /*pType*/> Logoff;
};

}  // namespace ostravel::host
