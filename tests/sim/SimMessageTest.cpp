#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Error.h"
#include "sim/SimMessage.h"

namespace ostravel::sim {
namespace {

using host::IsEmpty;
using host::ToLong;
using host::ToText;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(SimMessageTest, ParsesScalarFields) {
  auto message = ParseMessage(R"({"type": 63408, "fields": {
      "count": 3, "ratio": 0.5, "ok": true, "name": "Ostra", "none": null}})");
  EXPECT_EQ(message->Type(), 0xF7B0);
  EXPECT_EQ(std::get<std::int64_t>(message->Value("count")), 3);
  EXPECT_EQ(std::get<double>(message->Value("ratio")), 0.5);
  EXPECT_EQ(std::get<bool>(message->Value("ok")), true);
  EXPECT_EQ(std::get<std::string>(message->Value("name")), "Ostra");
  EXPECT_TRUE(IsEmpty(message->Value("none")));
}

TEST(SimMessageTest, ParsesRawBytesAndQwords) {
  auto message = ParseMessage(R"({"type": 1, "fields": {
      "bytes": {"$raw": "0a FF 10"}, "xp": {"$qword": 18446744073709551615},
      "small": {"$qword": 258}}})");
  EXPECT_THAT(message->RawValue("bytes"), ElementsAre(0x0A, 0xFF, 0x10));
  EXPECT_THAT(message->RawValue("small"), ElementsAre(2, 1, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(std::get<std::int64_t>(message->Value("small")), 258);
  EXPECT_EQ(std::get<std::int64_t>(message->Value("xp")), -1);
  EXPECT_EQ(message->RawValue("xp"), std::vector<std::uint8_t>(8, 0xFF));
}

TEST(SimMessageTest, ParsesNestedStructuresAndArrays) {
  auto message = ParseMessage(R"({"type": 2, "fields": {
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
  } catch (const Error& error) {
    EXPECT_THAT(error.Description(), HasSubstr("\"level\""));
  }
}

TEST(SimMessageTest, RefusesMalformedMessages) {
  for (const char* text : {
           R"({"fields": {}})",                                 // no type
           R"({"type": "x"})",                                  // type of the wrong kind
           R"({"type": 1, "fields": []})",                      // fields not an object
           R"({"type": 1, "fields": {"a": {"$raw": "0G"}}})",   // not hex
           R"({"type": 1, "fields": {"a": {"$raw": "123"}}})",  // odd digit count
           R"({"type": 1, "fields": {"a": {"$qword": 1.5}}})",  // not an integer
           R"({"type": 1, "fields": {"a": {"$float": 1}}})",    // unknown typed value
           R"({"type": 1, "fields": {"a": [1, 2]}})",           // elements must be objects
           R"({"type": 1, "fields": )",                         // malformed JSON
       }) {
    EXPECT_THROW(ParseMessage(text), std::runtime_error) << text;
  }
}

}  // namespace
}  // namespace ostravel::sim
