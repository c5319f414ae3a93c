#include "LoadMix.h"

namespace ostravel::bench {
namespace {

constexpr double kInboxPerMinute = 1.0;
constexpr double kListPerMinute = 1.0;
constexpr double kUpdatePerMinute = 1.0 / 30;
constexpr double kMessagePerMinute = 1.0 / 10;
constexpr std::uint32_t kFirstCharacterId = 0x50000000;

constexpr std::uint32_t kLevels = 275;

// The lists of the pages a player may be looking at: the Members page's "Online Everyone" and
// "Online My Levelrange", the Groups page's fellowships, the Quests page's next 7 days. (The
// Groups page reads its lists from member.php; fellowship.php takes the fellowship's own
// record, posted when it changes, not on a refresh.)
const char* const kLists[][2] = {
    {"member.php", "list online"},
    {"member.php", nullptr},  // the member's level range
    {"member.php", "fellowships"},
    {"event.php", "list nrofdays=7"},
};

std::string Name(std::uint32_t member) {
  return "Member" + std::to_string(member);
}

int Level(std::uint32_t member) {
  return static_cast<int>(1 + member % kLevels);
}

// "Online My Levelrange" as the Members page computes it.
std::string LevelRange(std::uint32_t member) {
  const int level = Level(member);
  if (level < 21) return "list online level<41";
  if (level > 125) return "list online level>105";
  return "list online level>" + std::to_string(level - 21) + " level<" + std::to_string(level + 21);
}

}  // namespace

std::string FormEncode(const std::string& text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || std::string_view("*@._-&=").find(c) != std::string::npos) {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

double LoadMix::PerMemberRate() {
  return (kInboxPerMinute + kListPerMinute + kUpdatePerMinute + kMessagePerMinute) / 60.0;
}

LoadMix::LoadMix(std::uint32_t seed) : random_(seed) {}

LoadRequest LoadMix::Next(std::uint32_t members, std::uint32_t& member) {
  member = std::uniform_int_distribution<std::uint32_t>(0, members - 1)(random_);
  const double total = PerMemberRate() * 60.0;
  const double pick = std::uniform_real_distribution<double>(0, total)(random_);
  if (pick < kInboxPerMinute) {
    return {"message.php", FormEncode(StdPost(member) + "&args=inbox new"), "inbox"};
  }
  if (pick < kInboxPerMinute + kListPerMinute) {
    const auto& list = kLists[random_() % std::size(kLists)];
    const std::string args = list[1] ? list[1] : LevelRange(member);
    return {list[0], FormEncode(StdPost(member) + "&args=" + args), "list"};
  }
  if (pick < kInboxPerMinute + kListPerMinute + kUpdatePerMinute) return Update(member);
  const std::uint32_t to = std::uniform_int_distribution<std::uint32_t>(0, members - 1)(random_);
  return {"message.php",
          FormEncode(StdPost(member) + "&args=send " + Name(to) +
                     " Meet at the Holtburg portal at 9, bring \"spare\" keys & caf\xE9"),
          "send"};
}

LoadRequest LoadMix::Update(std::uint32_t member) {
  return {"update.php", FormEncode(CharacterRecord(member)), "update"};
}

std::string LoadMix::StdPost(std::uint32_t member) {
  return "CID=" + std::to_string(kFirstCharacterId + member) +
         "&MID=" + std::to_string(kFirstCharacterId) + "&Location=" + std::to_string(0xA9B40019u) +
         "&Localtime=12/6/2026 9:14:05 PM&FLID=0&WantFellowship=0";
}

std::string LoadMix::CharacterRecord(std::uint32_t member) {
  std::string record =
      StdPost(member) + "&Name=" + Name(member) +
      "&Server=Frostfell&Birth=3/7/2004 12:00:00 AM&Age=8123456&Deaths=12"
      "&Class=Bow Hunter&Gender=Female&Level=" +
      std::to_string(Level(member)) +
      "&Race=Aluvian&Rank=5&SkillPoints=0&TotalXp=191226310247&UnassignedXp=0&ProducedXp=1234567"
      "&Followers=4&Vassals=2&Pk=0&Share=1\n\n";
  for (const char* attribute :
       {"Strength", "Endurance", "Coordination", "Quickness", "Focus", "Self"}) {
    record += std::string("&Start") + attribute + "=100&" + attribute + "=290";
  }
  record += "\n\n&Health=400&Stamina=500&Mana=380\n\n";
  for (int skill = 1; skill <= 36; ++skill) {
    record += "&StateSkill" + std::to_string(skill) + "=2&Skill" + std::to_string(skill) + "=" +
              std::to_string(200 + skill);
  }
  record += "\n\n";
  for (const std::string prefix : {"Monarch", "Patron", "Vassal1", "Vassal2"}) {
    record += "&" + prefix + "CID=" + std::to_string(kFirstCharacterId + member / 7) + "&" +
              prefix + "PID=" + std::to_string(kFirstCharacterId) + "&" + prefix +
              "Name=" + Name(member / 7) + "&" + prefix + "ProducedXp=98765&" + prefix +
              "Gender=Male&" + prefix + "Race=Sho&" + prefix + "Rank=6";
    if (prefix == "Monarch" || prefix == "Patron") record += "\n\n";
  }
  return record;
}

}  // namespace ostravel::bench
