#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/Context.h"
#include "plugin/GameMessages.h"
#include "sim/SimMessage.h"
#include "support/RecordingHooks.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RecordingListener final : public GameMessages::Listener {
 public:
  void UpdateAllegiance() override { calls.push_back("UpdateAllegiance"); }
  void ReceivedDirectChat(const std::string& name, std::int32_t from, std::int32_t to,
                          const std::string& text) override {
    calls.push_back("Tell " + name + " " + std::to_string(from) + " " + std::to_string(to) + " " +
                    text);
  }
  void FellowCreate(std::int32_t count, std::int32_t leader, const std::string& name, bool open,
                    bool share) override {
    calls.push_back("Create " + std::to_string(count) + " " + std::to_string(leader) + " " + name +
                    (open ? " open" : " closed") + (share ? " share" : " own"));
  }
  void FellowAdd(std::int32_t, const std::string&, std::int32_t, std::int32_t, std::int32_t,
                 std::int32_t, std::int32_t&) override {
    calls.push_back("Add");
  }
  void FellowMemberQuit(std::int32_t) override { calls.push_back("Quit"); }
  void FellowMemberDismiss(std::int32_t) override { calls.push_back("Dismiss"); }
  void FellowDisband() override { calls.push_back("Disband"); }

  std::vector<std::string> calls;
};

class GameMessagesTest : public ::testing::Test {
 protected:
  GameMessagesTest() : ctx(env.Env()) { ctx.ACHooks = hooks; }

  void Send(const std::string& json) { messages.Echo2_EchoServer(*sim::ParseMessage(json)); }
  void Event(int event, const std::string& fields) {
    Send(R"({"type": 63408, "fields": {"event": )" + std::to_string(event) +
         (fields.empty() ? "" : ", " + fields) + "}}");
  }
  test::TestEnvironment env;
  Context ctx;
  std::shared_ptr<test::RecordingHooks> hooks = std::make_shared<test::RecordingHooks>();
  RecordingListener listener;
  GameMessages messages{ctx, listener};
};

TEST(QWordToDoubleTest, ReadsLittleEndianUnsigned) {
  EXPECT_EQ(QWordToDouble({0x00, 0x10, 0, 0, 0, 0, 0, 0}), 4096.0);
  EXPECT_EQ(QWordToDouble({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
            18446744073709551615.0);
  EXPECT_EQ(QWordToDouble({1, 0, 0, 0, 0, 0, 0, 1, 0x55}), 72057594037927937.0);
  EXPECT_THROW(QWordToDouble({1, 2, 3}), Error);
}

TEST_F(GameMessagesTest, CharacterAndPropertyQwordsSetTheExperienceTotals) {
  Send(R"({"type": 719, "fields": {"key": 1, "value": {"$raw": "00 10 00 00 00 00 00 00"}}})");
  Send(R"({"type": 719, "fields": {"key": 2, "value": {"$qword": 123456789012}}})");
  Send(R"({"type": 719, "fields": {"key": 3, "value": {"$qword": 5}}})");
  EXPECT_EQ(ctx.TotalXP, 4096.0);
  EXPECT_EQ(ctx.UnassignedXP, 123456789012.0);
  EXPECT_TRUE(hooks->chat.empty());
  Event(19, R"("properties": {"flags": 128, "qwordCount": 2, "qwords": [
      {"key": 2, "value": {"$qword": 7}}, {"key": 1, "value": {"$qword": 9}}]})");
  EXPECT_EQ(ctx.TotalXP, 9.0);
  EXPECT_EQ(ctx.UnassignedXP, 7.0);
  Event(19, R"("properties": {"flags": 127, "qwordCount": 1, "qwords": [
      {"key": 1, "value": {"$qword": 100}}]})");
  EXPECT_EQ(ctx.TotalXP, 9.0);
}

const char* kRecord = R"({"gender": %d, "character": %d, "leadership": 3, "loyalty": 4,
    "name": "%s", "race": 2, "rank": 6, "treeParent": 7, "exp": {"$qword": 5000}})";

std::string Record(int gender, int id, const char* name) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, kRecord, gender, id, name);
  return buffer;
}

TEST_F(GameMessagesTest, AllegianceUpdateFillsMonarchAndPatronWhereverTheCharacterStands) {
  Event(32, R"("recordCount": 3, "records": [)" + Record(1, 100, "Queen") + "," +
                Record(2, 200, "Pat") + "," + Record(1, 300, "Me") + "]");
  EXPECT_EQ(ctx.Monarch.Name, "Queen");
  EXPECT_EQ(ctx.Monarch.GUID, 100);
  EXPECT_EQ(ctx.Monarch.Gender, 1);
  EXPECT_EQ(ctx.Monarch.TreeParent, 7);
  EXPECT_EQ(ctx.Monarch.XP, 5000.0);
  EXPECT_EQ(ctx.Patron.Name, "Pat");
  EXPECT_EQ(ctx.Patron.GUID, 200);
  EXPECT_THAT(listener.calls, IsEmpty());  // the pages hear of it through event 456
  // The character second, or fewer records.
  ctx.CharacterID = 200;
  Event(32, R"("recordCount": 2, "records": [)" + Record(1, 100, "Queen") + "," +
                Record(2, 200, "Me") + "]");
  EXPECT_EQ(ctx.Patron.Name, "Queen");
  EXPECT_EQ(ctx.Patron.GUID, 100);
  ctx.Monarch.Name = "Old";
  Event(32, R"("recordCount": 1, "records": [)" + Record(1, 100, "Queen") + "]");
  EXPECT_EQ(ctx.Monarch.Name, "Queen");
  EXPECT_EQ(ctx.Patron.Name, "");
  Event(32, R"("recordCount": 0, "records": [])");
  EXPECT_EQ(ctx.Monarch.Name, "");
  EXPECT_EQ(ctx.Monarch.XP, 0.0);
}

std::string Fellows(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (i) list += ",";
    list += R"({"fellow": {"fellow": )" + std::to_string(100 + i) + R"(, "name": "F)" +
            std::to_string(i) + R"(", "level": 10, "maxHealth": 1, "maxStam": 2, "maxMana": 3}})";
  }
  return list;
}

TEST_F(GameMessagesTest, TellsAllegianceAndFellowshipEventsReachThePages) {
  Event(701, R"("type": 3, "text": "hi there", "sender": 11, "senderName": "Bob", "target": 22)");
  Event(701, R"("type": 2, "text": "shout", "sender": 11, "senderName": "Bob", "target": 22)");
  Event(163, R"("fellow": 5)");
  Event(164, R"("fellow": 6)");
  Event(703, "");
  Event(456, "");
  EXPECT_THAT(listener.calls, ElementsAre("Tell Bob 11 22 hi there", "Quit", "Dismiss", "Disband",
                                          "UpdateAllegiance"));
}

TEST_F(GameMessagesTest, AReportBeyondTwentySixMembersStoresWhatFitsAndStillCreates) {
  Event(702, R"("fellowCount": 28, "leader": 100, "name": "Big", "open": false, "shareXP": true,
      "fellows": [)" +
                 Fellows(28) + "]");
  EXPECT_EQ(ctx.Fellows[25].ID, 125);
  EXPECT_EQ(hooks->chat.size(), 2u);
  EXPECT_THAT(listener.calls, ElementsAre("Create 28 100 Big closed share"));
}

TEST_F(GameMessagesTest, OtherMessagesAndEventsAreIgnoredAndMissingFieldsReported) {
  Send(R"({"type": 1, "fields": {}})");
  Event(999, "");
  EXPECT_TRUE(hooks->chat.empty());
  Send(R"({"type": 63408, "fields": {}})");
  Event(701, R"("type": 3)");
  EXPECT_EQ(hooks->chat.size(), 2u);
  EXPECT_THAT(listener.calls, IsEmpty());
}

}  // namespace
}  // namespace ostravel
