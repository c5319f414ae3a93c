#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/Filters.h"

namespace ostravel::sim {

// Everything the simulated host tells the plug-in about the character and its surroundings.
struct CharacterProfile {
  std::int32_t id = 0;
  std::string name;
  std::string server;
  std::int32_t population = 0;
  std::int32_t birth = 0;  // seconds since 1970
  std::int32_t age = 0;
  std::int32_t deaths = 0;
  std::string class_template;  // JSON key "class"
  std::string gender;
  std::string race;
  std::int32_t level = 0;
  std::int32_t rank = 0;
  std::int32_t skill_points = 0;
  std::int32_t followers = 0;
  std::int32_t vassal_count = 0;
  std::int32_t skill_count = 0;
  std::map<std::int32_t, host::AttributeInfo> attributes;
  std::map<std::int32_t, std::int32_t> vitals;
  std::map<std::int32_t, host::SkillInfo> skills;
  std::optional<host::AllegianceInfo> monarch;  // a missing record stays empty
  std::optional<host::AllegianceInfo> patron;
  std::optional<host::AllegianceInfo> self;
  std::vector<host::AllegianceInfo> vassals;
  std::int32_t location = 0;
  std::int32_t selection = 0;
  std::map<std::int32_t, std::string> world;  // object id -> name
};

// The built-in sample character: every value set, with a monarch, a patron, two vassals and
// the full range of skills.
CharacterProfile SampleProfile();

// Reads a profile from JSON text. A missing key takes 0 or ""; a malformed text or a value of
// the wrong kind throws std::runtime_error whose message names `source` and the problem.
CharacterProfile ParseProfile(std::string_view json_text, std::string_view source);

// Reads the profile file; throws std::runtime_error naming the file and the problem.
CharacterProfile LoadProfile(const std::filesystem::path& file);

}  // namespace ostravel::sim
