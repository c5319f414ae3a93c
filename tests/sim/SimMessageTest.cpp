#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "sim/SimMessage.h"

namespace ostravel::sim {
namespace {

using host::ToLong;
using host::ToText;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(SimMessageTest, ParsesRawBytesQwordsAndNestedArrays) {
  auto message = ParseMessage(R"({"type": 1, "fields": {
      "bytes": {"$raw": "0a FF 10"}, "xp": {"$qword": 18446744073709551615},
      "small": {"$qword": 258}}})");
  EXPECT_THAT(message->RawValue("bytes"), ElementsAre(0x0A, 0xFF, 0x10));
  EXPECT_THAT(message->RawValue("small"), ElementsAre(2, 1, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(std::get<std::int64_t>(message->Value("small")), 258);
  EXPECT_EQ(std::get<std::int64_t>(message->Value("xp")), -1);
  EXPECT_EQ(message->RawValue("xp"), std::vector<std::uint8_t>(8, 0xFF));

  message = ParseMessage(R"({"type": 2, "fields": {
      "allegiance": {"monarch": {"name": "Queen Ann"},
                     "records": [{"name": "a"}, {"name": "b", "list": [{"x": 1}]}]}}})");
  const auto& allegiance = message->Struct("allegiance");
  EXPECT_EQ(ToText(allegiance.Struct("monarch").Value("name")), "Queen Ann");
  const auto& records = allegiance.Struct("records");
  EXPECT_EQ(ToText(records.Struct(0).Value("name")), "a");
  EXPECT_EQ(ToLong(records.Struct(1).Struct("list").Struct(0).Value("x")), 1);
  EXPECT_THROW(records.Struct(2), Error);
  EXPECT_THROW(records.Struct(-1), Error);
}

// The message of the error that reading `text` raises.
std::string ParseError(const std::string& text) {
  try {
    ParseMessage(text);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  ADD_FAILURE() << "accepted: " << text.substr(0, 80);
  return "";
}

TEST(SimMessageTest, RefusesWhatItCannotHoldSayingWhy) {
  EXPECT_THAT(ParseError(R"({"type": 1, "fields": {"xp": 1e400}})"),
              AllOf(StartsWith("message: a number is out of range"), HasSubstr("1e400")));
  EXPECT_THAT(ParseError(R"({"type": 1e400})"), StartsWith("message: a number is out of range"));
  std::string nested;
  for (int i = 0; i < 20000; ++i) nested += R"({"a": )";
  nested += "1" + std::string(20000, '}');
  EXPECT_EQ(ParseError(R"({"type": 1, "fields": )" + nested + "}"),
            "message: objects and arrays nest more than 64 levels deep");
  EXPECT_THAT(ParseError(R"({"type": )"), StartsWith("message: malformed JSON"));
}

TEST(SimMessageTest, ReadsStructuresNestedUpToTheLimit) {
  // The message object and "fields" are two levels; 62 structures fill the limit.
  std::string nested;
  for (int i = 0; i < 62; ++i) nested += R"({"s": )";
  nested += R"({"x": 7})" + std::string(61, '}');
  auto message = ParseMessage(R"({"type": 1, "fields": )" + nested + "}}");
  const host::MessageMember* member = &message->Struct("s");
  for (int i = 1; i < 62; ++i) member = &member->Struct("s");
  EXPECT_EQ(ToLong(member->Value("x")), 7);
}

TEST(SimMessageTest, MissingFieldThrowsInvalidCallNamingIt) {
  auto message = ParseMessage(R"({"type": 3, "fields": {"a": 1, "b": {"$raw": "00"}}})");
  for (auto access : std::vector<std::function<void()>>{
           [&] { message->Value("level"); }, [&] { message->RawValue("a"); },
           [&] { message->Struct("a"); }, [&] { message->Value("b"); }}) {
    try {
      access();
      ADD_FAILURE() << "no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), error_number::kInvalidCall);
      EXPECT_THAT(error.Description(), HasSubstr("Invalid procedure call or argument"));
    }
  }
  try {
    message->Value("level");
    ADD_FAILURE() << "no error";
  } catch (const Error& error) {
    EXPECT_THAT(error.Description(), HasSubstr("\"level\""));
  }
}

}  // namespace
}  // namespace ostravel::sim
