#include "LoadMix.h"

namespace ostravel::bench {
namespace {

constexpr double kInboxPerMinute = 1.0;
constexpr double kListPerMinute = 1.0;
constexpr double kUpdatePerMinute = 1.0 / 30;
constexpr double kMessagePerMinute = 1.0 / 10;
constexpr std::uint32_t kFirstCharacterId = 0x50000000;

const char* const kLists[][2] = {
    {"member.php", "list online"},
    {"member.php", "list level>100"},
    {"event.php", "list nrofdays=7"},
    {"fellowship.php", "list"},
};

std::string Name(std::uint32_t member) {
  return "Member" + std::to_string(member);
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
    return {list[0], FormEncode(StdPost(member) + "&args=" + list[1]), "list"};
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
      std::to_string(1 + member % 275) +
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
