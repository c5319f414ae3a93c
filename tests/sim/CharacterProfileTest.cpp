#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/CharacterProfile.h"

namespace ostravel::sim {
namespace {

using ::testing::AllOf;
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

TEST(CharacterProfileTest, RefusesMalformedTextWrongKindsAndDeeperNestingNamingTheSource) {
  EXPECT_THAT(ParseError(R"({"name": )"), StartsWith("character.json: malformed JSON"));
  EXPECT_THAT(ParseError("[1, 2]"), StartsWith("character.json: "));
  EXPECT_EQ(ParseError(R"({"level": "126"})"), "character.json: key \"level\" must be a number");
  EXPECT_EQ(ParseError(R"({"name": 5})"), "character.json: key \"name\" must be a string");
  EXPECT_THAT(ParseError(R"({"vassals": {}})"), HasSubstr("\"vassals\" must be an array"));
  EXPECT_THAT(ParseError(R"({"world": {"12a": "x"}})"),
              HasSubstr("has a key \"12a\" that is no number"));
  EXPECT_THAT(ParseError(R"({"level": 1e400})"),
              AllOf(StartsWith("character.json: "), HasSubstr("1e400")));
  EXPECT_THAT(ParseError(std::string(65, '[') + std::string(65, ']')),
              StartsWith("character.json: objects and arrays nest more than 64 levels"));
  // 64 levels in all are read: the profile, a record, and 62 arrays in a key it does not read.
  const std::string deep = std::string(62, '[') + std::string(62, ']');
  const auto profile =
      ParseProfile(R"({"monarch": {"name": "Queen", "unused": )" + deep + "}}", "x");
  ASSERT_TRUE(profile.monarch);
  EXPECT_EQ(profile.monarch->name, "Queen");
}

}  // namespace
}  // namespace ostravel::sim
