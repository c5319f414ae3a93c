#include "sim/CharacterProfile.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "sim/BoundedJson.h"

namespace ostravel::sim {
namespace {

using nlohmann::json;

// Whether a number may be written unsigned up to 4294967295: game ids, experience and
// landblocks are often shown that way and are kept as the same 32 bits.
enum class Wrap { kNo, kYes };

// Reads the values of one JSON object, naming the file and the key path in every complaint.
struct Reader {
  std::string_view source;
  std::string path;  // "" for the top level, "monarch." for a record, ...

  [[noreturn]] void Fail(std::string_view key, const std::string& problem) const {
    throw std::runtime_error(std::string(source) + ": key \"" + path + std::string(key) + "\" " +
                             problem);
  }

  Reader Nested(std::string_view key) const {
    return Reader{source, path + std::string(key) + "."};
  }

  std::int32_t Int(std::string_view key, const json& value, Wrap wrap) const {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    if (value.is_number_unsigned()) {
      const std::uint64_t number = value.get<std::uint64_t>();
      if (number <= static_cast<std::uint64_t>(kMax)) return static_cast<std::int32_t>(number);
      if (wrap == Wrap::kYes && number <= std::numeric_limits<std::uint32_t>::max()) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
      }
    } else if (value.is_number_integer()) {
      const std::int64_t number = value.get<std::int64_t>();
      if (number >= std::numeric_limits<std::int32_t>::min() && number <= kMax) {
        return static_cast<std::int32_t>(number);
      }
    } else if (value.is_number_float()) {
      Fail(key, "must be a whole number");
    } else {
      Fail(key, "must be a number");
    }
    Fail(key, "does not fit in 32 bits");
  }

  // The member of `object`, or nullptr when it is absent or null.
  static const json* Find(const json& object, std::string_view key) {
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
  }

  std::int32_t Int(const json& object, std::string_view key, Wrap wrap = Wrap::kNo) const {
    const json* value = Find(object, key);
    return value ? Int(key, *value, wrap) : 0;
  }

  std::string Text(const json& object, std::string_view key) const {
    const json* value = Find(object, key);
    if (!value) return {};
    if (!value->is_string()) Fail(key, "must be a string");
    return value->get<std::string>();
  }

  // The member as an object (or an array when `array`); nullptr when absent.
  const json* Container(const json& object, std::string_view key, bool array = false) const {
    const json* value = Find(object, key);
    if (value && array && !value->is_array()) Fail(key, "must be an array");
    if (value && !array && !value->is_object()) Fail(key, "must be an object");
    return value;
  }

  // A key of a numbered map such as "attributes": decimal, or hexadecimal after "0x".
  std::int32_t Number(std::string_view map_key, const std::string& key, Wrap wrap) const {
    const bool hex = key.starts_with("0x") || key.starts_with("0X");
    const char* first = key.data() + (hex ? 2 : 0);
    const char* last = key.data() + key.size();
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(first, last, number, hex ? 16 : 10);
    if (error != std::errc() || end != last || first == last) {
      Fail(map_key, "has a key \"" + key + "\" that is no number");
    }
    const std::int64_t max = wrap == Wrap::kYes ? std::numeric_limits<std::uint32_t>::max()
                                                : std::numeric_limits<std::int32_t>::max();
    if (number < std::numeric_limits<std::int32_t>::min() || number > max) {
      Fail(map_key, "has a key \"" + key + "\" that does not fit in 32 bits");
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
  }
};

host::AllegianceInfo ReadRecord(const Reader& reader, const json& object) {
  host::AllegianceInfo info;
  info.guid = reader.Int(object, "guid", Wrap::kYes);
  info.gender = reader.Int(object, "gender");
  info.leadership = reader.Int(object, "leadership");
  info.loyalty = reader.Int(object, "loyalty");
  info.name = reader.Text(object, "name");
  info.race = reader.Int(object, "race");
  info.rank = reader.Int(object, "rank");
  info.tree_parent = reader.Int(object, "treeParent", Wrap::kYes);
  info.xp = reader.Int(object, "xp", Wrap::kYes);
  return info;
}

std::optional<host::AllegianceInfo> ReadOptionalRecord(const Reader& reader, const json& profile,
                                                       std::string_view key) {
  const json* record = reader.Container(profile, key);
  if (!record) return std::nullopt;
  return ReadRecord(reader.Nested(key), *record);
}

void ReadCharacter(const Reader& reader, const json& in, CharacterProfile& out) {
  out.id = reader.Int(in, "id", Wrap::kYes);
  out.name = reader.Text(in, "name");
  out.server = reader.Text(in, "server");
  out.population = reader.Int(in, "population");
  out.birth = reader.Int(in, "birth");
  out.age = reader.Int(in, "age");
  out.deaths = reader.Int(in, "deaths");
  out.class_template = reader.Text(in, "class");
  out.gender = reader.Text(in, "gender");
  out.race = reader.Text(in, "race");
  out.level = reader.Int(in, "level");
  out.rank = reader.Int(in, "rank");
  out.skill_points = reader.Int(in, "skillPoints");
  out.followers = reader.Int(in, "followers");
  out.vassal_count = reader.Int(in, "vassalCount");
  out.skill_count = reader.Int(in, "skillCount");
  out.location = reader.Int(in, "location", Wrap::kYes);
  out.selection = reader.Int(in, "selection", Wrap::kYes);
}

void ReadStats(const Reader& reader, const json& in, CharacterProfile& out) {
  if (const json* attributes = reader.Container(in, "attributes")) {
    for (const auto& [key, value] : attributes->items()) {
      const Reader item = reader.Nested("attributes." + key);
      if (!value.is_object()) reader.Fail("attributes." + key, "must be an object");
      out.attributes[reader.Number("attributes", key, Wrap::kNo)] =
          host::AttributeInfo{item.Int(value, "start"), item.Int(value, "current")};
    }
  }
  if (const json* vitals = reader.Container(in, "vitals")) {
    for (const auto& [key, value] : vitals->items()) {
      out.vitals[reader.Number("vitals", key, Wrap::kNo)] =
          reader.Int("vitals." + key, value, Wrap::kNo);
    }
  }
  if (const json* skills = reader.Container(in, "skills")) {
    for (const auto& [key, value] : skills->items()) {
      const Reader item = reader.Nested("skills." + key);
      if (!value.is_object()) reader.Fail("skills." + key, "must be an object");
      out.skills[reader.Number("skills", key, Wrap::kNo)] = host::SkillInfo{
          item.Text(value, "name"), item.Int(value, "state"), item.Int(value, "value")};
    }
  }
}

void ReadAllegiance(const Reader& reader, const json& in, CharacterProfile& out) {
  out.monarch = ReadOptionalRecord(reader, in, "monarch");
  out.patron = ReadOptionalRecord(reader, in, "patron");
  out.self = ReadOptionalRecord(reader, in, "self");
  if (const json* vassals = reader.Container(in, "vassals", true)) {
    for (std::size_t i = 0; i < vassals->size(); ++i) {
      const std::string key = "vassals." + std::to_string(i);
      if (!(*vassals)[i].is_object()) reader.Fail(key, "must be an object");
      out.vassals.push_back(ReadRecord(reader.Nested(key), (*vassals)[i]));
    }
  }
}

void ReadWorld(const Reader& reader, const json& in, CharacterProfile& out) {
  const json* world = reader.Container(in, "world");
  if (!world) return;
  for (const auto& [key, value] : world->items()) {
    if (!value.is_string()) reader.Fail("world." + key, "must be a string");
    out.world[reader.Number("world", key, Wrap::kYes)] = value.get<std::string>();
  }
}

}  // namespace

CharacterProfile ParseProfile(std::string_view json_text, std::string_view source) {
  const json document = ParseBoundedJson(json_text, source);
  if (!document.is_object()) {
    throw std::runtime_error(std::string(source) + ": the profile must be a JSON object");
  }
  const Reader reader{source, ""};
  CharacterProfile profile;
  ReadCharacter(reader, document, profile);
  ReadStats(reader, document, profile);
  ReadAllegiance(reader, document, profile);
  ReadWorld(reader, document, profile);
  return profile;
}

CharacterProfile LoadProfile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error(file.string() + ": the file cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw std::runtime_error(file.string() + ": the file cannot be read");
  return ParseProfile(text.str(), file.string());
}

}  // namespace ostravel::sim
