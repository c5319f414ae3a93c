#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/CharacterProfile.h"

namespace ostravel::sim {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// The message of the error that parsing `text` raises.
std::string ParseError(const std::string& text) {
  try {
    ParseProfile(text, "character.json");
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  ADD_FAILURE() << "accepted: " << text;
  return "";
}

TEST(CharacterProfileTest, SampleIsConsistent) {
  const CharacterProfile sample = SampleProfile();
  EXPECT_EQ(sample.skill_count, 40);
  EXPECT_EQ(sample.skills.size(), 40u);
  ASSERT_TRUE(sample.monarch && sample.patron && sample.self);
  EXPECT_EQ(sample.patron->tree_parent, sample.monarch->guid);
  EXPECT_EQ(sample.self->tree_parent, sample.patron->guid);
  EXPECT_EQ(sample.vassal_count, static_cast<std::int32_t>(sample.vassals.size()));
  for (const auto& vassal : sample.vassals) EXPECT_EQ(sample.world.at(vassal.guid), vassal.name);
}

TEST(CharacterProfileTest, ReadsEveryKey) {
  const CharacterProfile profile = ParseProfile(R"({
    "id": 1342177295, "name": "Ostra", "server": "Darktide", "population": 90,
    "birth": 1086566400, "age": 100, "deaths": 2, "class": "Bow Hunter", "gender": "Male",
    "race": "Sho", "level": 50, "rank": 3, "skillPoints": 4, "followers": 1,
    "vassalCount": 1, "skillCount": 1,
    "attributes": {"1": {"start": 10, "current": 140}},
    "vitals": {"2": 300},
    "skills": {"18": {"name": "Item Tinkering", "state": 2, "value": 250}},
    "monarch": {"guid": 1, "gender": 2, "leadership": 3, "loyalty": 4, "name": "Queen Ann",
                "race": 1, "rank": 9, "treeParent": 0, "xp": 4294967295},
    "vassals": [{"name": "Tam"}],
    "location": 4294967295, "selection": 7,
    "world": {"1342177295": "Ostra", "0x80000001": "Crier"}
  })",
                                                "character.json");
  EXPECT_EQ(profile.class_template, "Bow Hunter");
  EXPECT_EQ(profile.skill_points, 4);
  EXPECT_EQ(profile.attributes.at(1).current, 140);
  EXPECT_EQ(profile.vitals.at(2), 300);
  EXPECT_EQ(profile.skills.at(18).name, "Item Tinkering");
  EXPECT_EQ(profile.skills.at(18).state, 2);
  ASSERT_TRUE(profile.monarch);
  EXPECT_EQ(profile.monarch->xp, -1);  // unsigned form wraps to the same 32 bits
  EXPECT_EQ(profile.monarch->rank, 9);
  EXPECT_FALSE(profile.patron);
  ASSERT_EQ(profile.vassals.size(), 1u);
  EXPECT_EQ(profile.vassals[0].name, "Tam");
  EXPECT_EQ(profile.location, -1);
  EXPECT_EQ(profile.world.at(static_cast<std::int32_t>(0x80000001u)), "Crier");
}

TEST(CharacterProfileTest, MissingKeysTakeNeutralValues) {
  const CharacterProfile profile = ParseProfile(R"({"name": "Ostra", "monarch": null})", "x");
  EXPECT_EQ(profile.name, "Ostra");
  EXPECT_EQ(profile.level, 0);
  EXPECT_EQ(profile.server, "");
  EXPECT_FALSE(profile.monarch);
  EXPECT_FALSE(profile.self);
  EXPECT_TRUE(profile.vassals.empty());
  EXPECT_TRUE(profile.skills.empty());
}

TEST(CharacterProfileTest, RefusesMalformedTextNamingTheSource) {
  EXPECT_THAT(ParseError(R"({"name": )"), StartsWith("character.json: malformed JSON"));
  EXPECT_THAT(ParseError("[1, 2]"), StartsWith("character.json: "));
}

TEST(CharacterProfileTest, RefusesValuesOfTheWrongKind) {
  EXPECT_EQ(ParseError(R"({"level": "126"})"), "character.json: key \"level\" must be a number");
  EXPECT_EQ(ParseError(R"({"name": 5})"), "character.json: key \"name\" must be a string");
  EXPECT_EQ(ParseError(R"({"attributes": {"1": {"start": true}}})"),
            "character.json: key \"attributes.1.start\" must be a number");
  EXPECT_THAT(ParseError(R"({"level": 1.5})"), HasSubstr("\"level\" must be a whole number"));
  EXPECT_THAT(ParseError(R"({"vassals": {}})"), HasSubstr("\"vassals\" must be an array"));
  EXPECT_THAT(ParseError(R"({"monarch": 1})"), HasSubstr("\"monarch\" must be an object"));
  EXPECT_THAT(ParseError(R"({"skills": {"one": {}}})"), HasSubstr("key \"one\""));
  EXPECT_THAT(ParseError(R"({"world": {"5": 5}})"), HasSubstr("\"world.5\" must be a string"));
}

TEST(CharacterProfileTest, NumbersMustFit32Bits) {
  EXPECT_THAT(ParseError(R"({"level": 2147483648})"), HasSubstr("does not fit in 32 bits"));
  EXPECT_THAT(ParseError(R"({"age": -2147483649})"), HasSubstr("does not fit in 32 bits"));
  EXPECT_THAT(ParseError(R"({"id": 4294967296})"), HasSubstr("does not fit in 32 bits"));
  EXPECT_EQ(ParseProfile(R"({"age": -2147483648})", "x").age, -2147483647 - 1);
  EXPECT_EQ(ParseProfile(R"({"id": 2147483648})", "x").id, -2147483647 - 1);
}

TEST(CharacterProfileTest, LoadNamesTheFile) {
  const auto file = std::filesystem::temp_directory_path() / "ostravel-sim-profile-test.json";
  {
    std::ofstream out(file);
    out << R"({"name": "Ostra", "level": [1]})";
  }
  try {
    LoadProfile(file);
    ADD_FAILURE() << "accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_THAT(error.what(), HasSubstr(file.string() + ": key \"level\""));
  }
  std::filesystem::remove(file);
  EXPECT_THROW(LoadProfile(file), std::runtime_error);
}

}  // namespace
}  // namespace ostravel::sim
