#include "plugin/GameMessages.h"

#include "common/Context.h"
#include "base/Error.h"
#include "common/ErrorHandler.h"
#include "host/Variant.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "OstravelMain";
constexpr std::string_view kProcedure = "Echo2_EchoServer";

// The game events the plug-in reads.
enum GameEventNumber : std::int32_t {
  kPropertyUpdate = 0x13,
  kAllegianceUpdate = 0x20,
  kFellowQuit = 0xA3,
  kFellowDismiss = 0xA4,
  kAllegianceKnown = 0x1C8,
  kDirectChat = 0x2BD,
  kFellowshipReport = 0x2BE,
  kFellowshipDisband = 0x2BF,
  kFellowJoined = 0x2C0,
};

constexpr std::int32_t kTotalXpKey = 1;
constexpr std::int32_t kUnassignedXpKey = 2;
constexpr std::int32_t kHasQwords = 0x80;
constexpr std::int32_t kTellType = 3;

std::int32_t Long(const host::MessageMember& member, std::string_view name) {
  return host::ToLong(member.Value(name));
}
std::string Text(const host::MessageMember& member, std::string_view name) {
  return host::ToText(member.Value(name));
}
bool Bool(const host::MessageMember& member, std::string_view name) {
  return host::ToBool(member.Value(name));
}

}  // namespace

double QWordToDouble(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 8) throw Error(error_number::kSubscriptOutOfRange, "Subscript out of range");
  double value = 0.0;
  for (int i = 7; i >= 0; --i) value = value * 256.0 + bytes[static_cast<std::size_t>(i)];
  return value;
}

GameMessages::GameMessages(Context& ctx, Listener& listener) : ctx_(ctx), listener_(listener) {}

void GameMessages::Echo2_EchoServer(const host::Message& pMsg) {
  std::int32_t type = 0;
  ErrorHandler{ctx_, kModule, kProcedure}([&] { type = pMsg.Type(); });
  if (type == kCharacterQword) CharacterQword(pMsg);
  if (type == kGameEvent) GameEvent(pMsg);
}

void GameMessages::CharacterQword(const host::Message& message) {
  ErrorHandler{ctx_, kModule,
               kProcedure}([&] { StoreQword(Long(message, "key"), message.RawValue("value")); });
}

void GameMessages::StoreQword(std::int32_t key, const std::vector<std::uint8_t>& bytes) {
  if (key == kTotalXpKey) ctx_.TotalXP = QWordToDouble(bytes);
  if (key == kUnassignedXpKey) ctx_.UnassignedXP = QWordToDouble(bytes);
}

void GameMessages::GameEvent(const host::Message& message) {
  ErrorHandler step{ctx_, kModule, kProcedure};
  std::int32_t event = 0;
  if (!step([&] { event = Long(message, "event"); })) return;
  switch (event) {
    case kPropertyUpdate:
      return PropertyUpdate(message);
    case kAllegianceUpdate:
      return AllegianceUpdate(message);
    case kAllegianceKnown:
      step([&] { listener_.UpdateAllegiance(); });
      return;
    case kDirectChat:
      return DirectChat(message);
    case kFellowQuit:
      step([&] { listener_.FellowMemberQuit(Long(message, "fellow")); });
      return;
    case kFellowDismiss:
      step([&] { listener_.FellowMemberDismiss(Long(message, "fellow")); });
      return;
    case kFellowshipReport:
      return FellowshipReport(message);
    case kFellowshipDisband:
      step([&] { listener_.FellowDisband(); });
      return;
    case kFellowJoined:
      return FellowJoined(message);
    default:
      return;
  }
}

void GameMessages::PropertyUpdate(const host::Message& message) {
  ErrorHandler step{ctx_, kModule, kProcedure};
  step([&] {
    const auto& properties = message.Struct("properties");
    if ((Long(properties, "flags") & kHasQwords) == 0) return;
    const std::int32_t count = Long(properties, "qwordCount");
    const auto& qwords = properties.Struct("qwords");
    for (std::int32_t i = 0; i < count; ++i) {
      step([&] {
        const auto& qword = qwords.Struct(i);
        StoreQword(Long(qword, "key"), qword.RawValue("value"));
      });
    }
  });
}

void GameMessages::AllegianceUpdate(const host::Message& message) {
  ErrorHandler step{ctx_, kModule, kProcedure};
  std::int32_t count = 0;
  step([&] { count = Long(message, "recordCount"); });
  step([&] {
    if (count < 1) {
      ctx_.Monarch = AllegianceRecord{};
      return;
    }
    FillRecord(ctx_.Monarch, message.Struct("records").Struct(0));
  });
  step([&] {
    if (count < 2) {
      ctx_.Patron = AllegianceRecord{};
      return;
    }
    const auto& records = message.Struct("records");
    // In a record list that starts below the character, the character itself comes second.
    const bool second_is_self = Long(records.Struct(1), "character") == ctx_.CharacterID;
    FillRecord(ctx_.Patron, records.Struct(second_is_self ? 0 : 1));
  });
}

void GameMessages::FillRecord(AllegianceRecord& record, const host::MessageMember& element) {
  // A missing field leaves only that field as it was.
  ErrorHandler step{ctx_, kModule, kProcedure};
  step([&] { record.Gender = Long(element, "gender"); });
  step([&] { record.GUID = Long(element, "character"); });
  step([&] { record.Leadership = Long(element, "leadership"); });
  step([&] { record.Loyalty = Long(element, "loyalty"); });
  step([&] { record.Name = Text(element, "name"); });
  step([&] { record.Race = Long(element, "race"); });
  step([&] { record.Rank = Long(element, "rank"); });
  step([&] { record.TreeParent = Long(element, "treeParent"); });
  step([&] { record.XP = QWordToDouble(element.RawValue("exp")); });
}

void GameMessages::DirectChat(const host::Message& message) {
  ErrorHandler{ctx_, kModule, kProcedure}([&] {
    if (Long(message, "type") != kTellType) return;
    listener_.ReceivedDirectChat(Text(message, "senderName"), Long(message, "sender"),
                                 Long(message, "target"), Text(message, "text"));
  });
}

void GameMessages::FellowshipReport(const host::Message& message) {
  ErrorHandler step{ctx_, kModule, kProcedure};
  std::int32_t count = 0, leader = 0;
  std::string name;
  bool open = false, share_xp = false;
  step([&] { count = Long(message, "fellowCount"); });
  step([&] { leader = Long(message, "leader"); });
  step([&] { name = Text(message, "name"); });
  step([&] { open = Bool(message, "open"); });
  step([&] { share_xp = Bool(message, "shareXP"); });
  for (std::int32_t i = 0; i < count; ++i) {
    step([&] {
      const auto& fellow = message.Struct("fellows").Struct(i).Struct("fellow");
      FellowRec record{Long(fellow, "fellow"),    Text(fellow, "name"),    Long(fellow, "level"),
                       Long(fellow, "maxHealth"), Long(fellow, "maxStam"), Long(fellow, "maxMana")};
      ctx_.Fellows.at(static_cast<std::size_t>(i)) = std::move(record);
    });
  }
  step([&] { listener_.FellowCreate(count, leader, name, open, share_xp); });
}

void GameMessages::FellowJoined(const host::Message& message) {
  ErrorHandler{ctx_, kModule, kProcedure}([&] {
    const auto& fellow = message.Struct("fellow");
    listener_.FellowAdd(Long(fellow, "fellow"), Text(fellow, "name"), Long(fellow, "level"),
                        Long(fellow, "maxHealth"), Long(fellow, "maxStam"), Long(fellow, "maxMana"),
                        ctx_.FellowshipInfo.FCount);
  });
}

}  // namespace ostravel
