#include "web/CharPostStrings.h"

#include <cmath>

#include "base/Error.h"
#include "base/NumberText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "platform/Clock.h"
#include "web/Settings.h"
#include "web/WebRequest.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "CharPostStrings";

std::string Int(std::int32_t value) {
  return std::to_string(value);
}
std::string Unsigned(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}
std::string Bool(bool value) {
  return value ? "True" : "False";
}

bool BoxChecked(Context& ctx, const char* name) {
  return host::GetControl<host::Checkbox>(Require(ctx.MainView), name)->Checked();
}

// Field 8: a level of 126 is really "126 or above"; the true level follows from the total
// experience.
std::string LevelField(Context& ctx, const host::CharacterStats& stats) {
  const std::int32_t level = stats.Level();
  if (level != 126) return DoubleText(UnsignedLong(level));
  return DoubleText(std::trunc(std::pow(9.0 * ctx.TotalXP + 7776.0, 1.0 / 5.0) - 6.0) + 1.0);
}

void AppendAttributes(std::string& text, const host::CharacterStats& stats) {
  static constexpr std::pair<int, const char*> kAttributes[] = {
      {1, "Strength"},  {2, "Endurance"}, {4, "Coordination"},
      {3, "Quickness"}, {5, "Focus"},     {6, "Self"}};
  for (const auto& [number, name] : kAttributes) {
    const auto attribute = stats.Attribute(number);
    text += "&Start" + std::string(name) + "=" + Int(attribute.start);
    text += "&" + std::string(name) + "=" + Int(attribute.current);
  }
  text += "\n\n";
}

void AppendSkills(std::string& text, const host::CharacterStats& stats) {
  const std::int32_t count = stats.SkillCount();
  if (count >= 1 && count < 100) {
    std::string skills;
    for (int number = 1; number <= 40; ++number) {
      if (number == 8 || number == 17 || number == 25 || number == 26) continue;
      const auto skill = stats.Skill(number);
      skills += "&State" + skill.name + "=" + Int(skill.state);
      skills += "&" + skill.name + "=" + Int(skill.value);
    }
    std::erase(skills, ' ');
    text += skills;
  }
  text += "\n\n";
}

void AppendAllegiance(std::string& text, const std::string& prefix, const AllegianceRecord& record,
                      std::int32_t parent) {
  text += "&" + prefix + "CID=" + Int(record.GUID);
  text += "&" + prefix + "PID=" + Int(parent);
  text += "&" + prefix + "Name=" + FieldValue(record.Name);
  text += "&" + prefix + "ProducedXp=" + DoubleText(record.XP);
  text += "&" + prefix + "Gender=" + GenderFromNr(record.Gender);
  text += "&" + prefix + "Race=" + RaceFromNr(record.Race);
  text += "&" + prefix + "Rank=" + Int(record.Rank);
  text += "\n\n";
}

void AppendVassals(std::string& text, const host::CharacterStats& stats) {
  const std::int32_t count = stats.VassalCount();
  if (count < 1 || count >= 20) return;
  for (std::int32_t j = 0; j < count; ++j) {
    const auto vassal = stats.Vassal(j);
    const std::string prefix = "&Vassal" + Int(j + 1);
    text += prefix + "CID=" + Int(vassal.guid);
    text += prefix + "PID=" + Int(vassal.tree_parent);
    text += prefix + "Name=" + FieldValue(vassal.name);
    text += prefix + "ProducedXp=" + Unsigned(vassal.xp);
    text += prefix + "Gender=" + GenderFromNr(vassal.gender);
    text += prefix + "Race=" + RaceFromNr(vassal.race);
    text += prefix + "Rank=" + Int(vassal.rank);
  }
}

// Fields 1 to 18 of the character record, after the standard fields.
void AppendCharacter(Context& ctx, std::string& text, const host::CharacterStats& stats) {
  text += "&Name=" + FieldValue(ctx.CharacterName);
  text += "&Server=" + FieldValue(stats.Server());
  text += "&Birth=" + GetBirth(ctx);
  text += "&Age=" + Int(stats.Age());
  text += "&Deaths=" + Int(stats.Deaths());
  text += "&Class=" + FieldValue(stats.ClassTemplate());
  text += "&Gender=" + FieldValue(stats.Gender());
  text += "&Level=" + LevelField(ctx, stats);
  text += "&Race=" + FieldValue(stats.Race());
  text += "&Rank=" + Int(stats.Rank());
  text += "&SkillPoints=" + Int(stats.SkillPoints());
  text += "&TotalXp=" + DoubleText(ctx.TotalXP);
  text += "&UnassignedXp=" + DoubleText(ctx.UnassignedXP);
  const auto self = stats.Self();
  text += "&ProducedXp=" + (self ? Int(self->xp) : std::string("0"));
  text += "&Followers=" + Int(stats.Followers());
  text += "&Vassals=" + Int(stats.VassalCount());
  text += "&Pk=0";
  text += BoxChecked(ctx, "chkUpdateShare") ? "&Share=1" : "&Share=0";
  text += "\n\n";
}

}  // namespace

std::string ServerURL(Context& ctx) {
  std::string url;
  ErrorHandler{ctx, kModule, "ServerURL"}([&] {
    if (ctx.CachedServerURL.empty()) ctx.CachedServerURL = Settings(ctx.env).ServerAddress();
    if (ctx.CachedServerURL.empty() || ctx.CachedServerURL.back() != '/') {
      ctx.CachedServerURL += '/';
    }
    url = ctx.CachedServerURL;
  });
  return url;
}

std::string StdPostString(Context& ctx) {
  std::string text;
  ErrorHandler{ctx, kModule, "StdPostString"}([&] {
    std::string built = "CID=" + Int(ctx.CharacterID);
    built += "&MID=" + Int(ctx.Monarch.GUID);
    built += "&Location=" + Unsigned(Require(ctx.ACHooks).Location());
    built += "&Localtime=" + platform::FormatShortDateTime(ctx.env.clock.LocalNow());
    built += "&FLID=" + Int(ctx.FellowshipInfo.FLeaderID);
    built += BoxChecked(ctx, "chkGrp") ? "&WantFellowship=1" : "&WantFellowship=0";
    text = std::move(built);
  });
  return text;
}

std::string CharPostString(Context& ctx) {
  std::string text;
  const bool built = ErrorHandler{ctx, kModule, "CharPostString"}([&] {
    text = StdPostString(ctx);
    const auto& stats = Require(ctx.CharacterStats);
    AppendCharacter(ctx, text, stats);
    AppendAttributes(text, stats);
    text += "&Health=" + Int(stats.Vital(2)) + "&Stamina=" + Int(stats.Vital(4)) +
            "&Mana=" + Int(stats.Vital(6)) + "\n\n";
    AppendSkills(text, stats);
    AppendAllegiance(text, "Monarch", ctx.Monarch, ctx.Monarch.GUID);
    AppendAllegiance(text, "Patron", ctx.Patron, ctx.Patron.TreeParent);
    AppendVassals(text, stats);
  });
  if (built) return text;
  // What was built before the failure helps to find the field that failed.
  ErrorHandler{ctx, kModule, "CharPostString"}([&] {
    WriteLog(ctx, "Debug: Start Post String");
    WriteLog(ctx, text);
    WriteLog(ctx, "Debug: End Post String");
  });
  return "";
}

std::string FellowPostString(Context& ctx) {
  std::string text;
  const bool built = ErrorHandler{ctx, kModule, "FellowPostString"}([&] {
    const auto& info = ctx.FellowshipInfo;
    text = StdPostString(ctx);
    text += "&FellowshipName=" + FieldValue(info.FName);
    text += "&SharedXp=" + Bool(info.FXpShare);
    text += "&LeaderCID=" + Int(info.FLeaderID);
    text += "&LeaderName=" + FieldValue(info.LeaderName);
    text += "&LeaderLevel=" + Int(info.LeaderLevel);
    text += "&Fellows=" + Int(info.FCount);
    for (std::int32_t i = 0; i < info.FCount; ++i) {
      const FellowRec& fellow = ctx.Fellows.at(static_cast<std::size_t>(i));
      const std::string prefix = "&Fellow" + Int(i + 1);
      text += prefix + "CID=" + Int(fellow.ID);
      text += prefix + "Name=" + FieldValue(fellow.Name);
      text += prefix + "Level=" + Int(fellow.Level);
    }
  });
  return built ? text : "";
}

std::string GenderFromNr(std::int32_t nr) {
  switch (nr) {
    case 1:
      return "Male";
    case 2:
      return "Female";
    default:
      return Int(nr);
  }
}

std::string RaceFromNr(std::int32_t nr) {
  switch (nr) {
    case 1:
      return "Aluvian";
    case 2:
      return "Gharu'ndim";
    case 3:
      return "Sho";
    case 4:
      return "Viamontian";
    default:
      return Int(nr);
  }
}

}  // namespace ostravel
