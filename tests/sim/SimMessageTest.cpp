#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Error.h"
#include "sim/CharacterProfile.h"
#include "sim/SimMessage.h"

namespace ostravel::sim {
namespace {

using host::ToLong;
using host::ToText;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(SimMessageTest, ParsesRawBytesAndQwordsAndRefusesElementsBeyondAnArray) {
  auto message = ParseMessage(R"({"type": 1, "fields": {
      "bytes": {"$raw": "0a FF 10"}, "xp": {"$qword": 18446744073709551615},
      "small": {"$qword": 258}, "records": [{"name": "a"}, {"name": "b"}]}})");
  EXPECT_THAT(message->RawValue("bytes"), ElementsAre(0x0A, 0xFF, 0x10));
  EXPECT_THAT(message->RawValue("small"), ElementsAre(2, 1, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(std::get<std::int64_t>(message->Value("small")), 258);
  EXPECT_EQ(std::get<std::int64_t>(message->Value("xp")), -1);
  EXPECT_EQ(message->RawValue("xp"), std::vector<std::uint8_t>(8, 0xFF));
  const auto& records = message->Struct("records");
  EXPECT_EQ(ToText(records.Struct(1).Value("name")), "b");
  EXPECT_THROW(records.Struct(2), Error);
  EXPECT_THROW(records.Struct(-1), Error);
}

// The message of the error that reading `text` as a message raises.
std::string MessageError(const std::string& text) {
  try {
    ParseMessage(text);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  ADD_FAILURE() << "accepted: " << text.substr(0, 80);
  return "";
}

TEST(SimMessageTest, RefusesWhatItCannotHoldSayingWhy) {
  EXPECT_THAT(MessageError(R"({"type": 1, "fields": {"xp": 1e400}})"),
              AllOf(StartsWith("message: a number is out of range"), HasSubstr("1e400")));
  EXPECT_THAT(MessageError(R"({"type": 1e400})"), StartsWith("message: a number is out of range"));
  EXPECT_THAT(MessageError(R"({"type": )"), StartsWith("message: malformed JSON"));
  // The message object and "fields" are two levels; 62 structures fill the limit, and far
  // deeper is refused before any recursion can overflow the stack.
  const auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += R"({"s": )";
    return R"({"type": 1, "fields": )" + text + R"({"x": 7})" + std::string(depth, '}') + "}";
  };
  EXPECT_EQ(MessageError(nested(20000)),
            "message: objects and arrays nest more than 64 levels deep");
  auto message = ParseMessage(nested(61));
  const host::MessageMember* member = &message->Struct("s");
  for (int i = 1; i < 61; ++i) member = &member->Struct("s");
  EXPECT_EQ(ToLong(member->Value("x")), 7);
}

TEST(SimMessageTest, MissingFieldThrowsInvalidCallNamingIt) {
  auto message = ParseMessage(R"({"type": 3, "fields": {"a": 1, "b": {"$raw": "00"}}})");
  const std::pair<std::function<void()>, const char*> accesses[] = {
      {[&] { message->Value("level"); }, "\"level\""},
      {[&] { message->RawValue("a"); }, "\"a\""},
      {[&] { message->Struct("a"); }, "\"a\""},
      {[&] { message->Value("b"); }, "\"b\""}};
  for (const auto& [access, name] : accesses) {
    try {
      access();
      ADD_FAILURE() << "no error for " << name;
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), error_number::kInvalidCall);
      EXPECT_THAT(error.Description(),
                  AllOf(HasSubstr("Invalid procedure call or argument"), HasSubstr(name)));
    }
  }
}

// The message of the error that reading `text` as a character profile raises.
std::string ProfileError(const std::string& text) {
  try {
    ParseProfile(text, "character.json");
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  ADD_FAILURE() << "accepted: " << text;
  return "";
}

TEST(CharacterProfileTest, RefusesMalformedTextWrongKindsAndDeeperNestingNamingTheSource) {
  EXPECT_THAT(ProfileError(R"({"name": )"), StartsWith("character.json: malformed JSON"));
  EXPECT_THAT(ProfileError("[1, 2]"), StartsWith("character.json: "));
  EXPECT_EQ(ProfileError(R"({"level": "126"})"), "character.json: key \"level\" must be a number");
  EXPECT_EQ(ProfileError(R"({"name": 5})"), "character.json: key \"name\" must be a string");
  EXPECT_THAT(ProfileError(R"({"vassals": {}})"), HasSubstr("\"vassals\" must be an array"));
  EXPECT_THAT(ProfileError(R"({"world": {"12a": "x"}})"),
              HasSubstr("has a key \"12a\" that is no number"));
  EXPECT_THAT(ProfileError(R"({"level": 1e400})"),
              AllOf(StartsWith("character.json: "), HasSubstr("1e400")));
  EXPECT_THAT(ProfileError(std::string(65, '[') + std::string(65, ']')),
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
