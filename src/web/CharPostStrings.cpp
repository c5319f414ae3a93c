#include "web/CharPostStrings.h"

#include <cmath>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "platform/Clock.h"
#include "web/Settings.h"
#include "web/WebRequest.h"
#include "wire/FieldNames.h"

namespace ostravel {
namespace {

namespace field = wire::field;

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

// A key made of a prefix and a name: "Start" + "Strength", "Vassal1" + "CID".
std::string Key(std::string_view prefix, std::string_view name) {
  return std::string(prefix) + std::string(name);
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

void AppendAttributes(wire::FormBody& body, const host::CharacterStats& stats) {
  static constexpr std::pair<int, std::string_view> kAttributes[] = {
      {1, "Strength"},  {2, "Endurance"}, {4, "Coordination"},
      {3, "Quickness"}, {5, "Focus"},     {6, "Self"}};
  for (const auto& [number, name] : kAttributes) {
    const auto attribute = stats.Attribute(number);
    body.Add(Key(field::kStartPrefix, name), Int(attribute.start));
    body.Add(name, Int(attribute.current));
  }
  body.Extend("\n\n");
}

void AppendVitals(wire::FormBody& body, const host::CharacterStats& stats) {
  body.Add(field::kHealth, Int(stats.Vital(2)));
  body.Add(field::kStamina, Int(stats.Vital(4)));
  body.Add(field::kMana, Int(stats.Vital(6)));
  body.Extend("\n\n");
}

void AppendSkills(wire::FormBody& body, const host::CharacterStats& stats) {
  const std::int32_t count = stats.SkillCount();
  if (count >= 1 && count < 100) {
    for (int number = 1; number <= 40; ++number) {
      if (number == 8 || number == 17 || number == 25 || number == 26) continue;
      const auto skill = stats.Skill(number);
      // A skill of two words is sent under its name without the space.
      std::string name = skill.name;
      std::erase(name, ' ');
      body.Add(Key(field::kStatePrefix, name), Int(skill.state));
      body.Add(name, Int(skill.value));
    }
  }
  body.Extend("\n\n");
}

void AppendAllegiance(wire::FormBody& body, std::string_view prefix, const AllegianceRecord& record,
                      std::int32_t parent) {
  body.Add(Key(prefix, field::kCID), Int(record.GUID));
  body.Add(Key(prefix, field::kPID), Int(parent));
  body.Add(Key(prefix, field::kName), record.Name);
  body.Add(Key(prefix, field::kProducedXp), DoubleText(record.XP));
  body.Add(Key(prefix, field::kGender), GenderFromNr(record.Gender));
  body.Add(Key(prefix, field::kRace), RaceFromNr(record.Race));
  body.Add(Key(prefix, field::kRank), Int(record.Rank));
  body.Extend("\n\n");
}

void AppendVassals(wire::FormBody& body, const host::CharacterStats& stats) {
  const std::int32_t count = stats.VassalCount();
  if (count < 1 || count >= 20) return;
  for (std::int32_t j = 0; j < count; ++j) {
    const auto vassal = stats.Vassal(j);
    const std::string prefix = Key(field::kVassalPrefix, Int(j + 1));
    body.Add(Key(prefix, field::kCID), Int(vassal.guid));
    body.Add(Key(prefix, field::kPID), Int(vassal.tree_parent));
    body.Add(Key(prefix, field::kName), vassal.name);
    body.Add(Key(prefix, field::kProducedXp), Unsigned(vassal.xp));
    body.Add(Key(prefix, field::kGender), GenderFromNr(vassal.gender));
    body.Add(Key(prefix, field::kRace), RaceFromNr(vassal.race));
    body.Add(Key(prefix, field::kRank), Int(vassal.rank));
  }
}

// Fields 1 to 18 of the character record, after the standard fields.
void AppendCharacter(Context& ctx, wire::FormBody& body, const host::CharacterStats& stats) {
  body.Add(field::kName, ctx.CharacterName);
  body.Add(field::kServer, stats.Server());
  body.Add(field::kBirth, GetBirth(ctx));
  body.Add(field::kAge, Int(stats.Age()));
  body.Add(field::kDeaths, Int(stats.Deaths()));
  body.Add(field::kClass, stats.ClassTemplate());
  body.Add(field::kGender, stats.Gender());
  body.Add(field::kLevel, LevelField(ctx, stats));
  body.Add(field::kRace, stats.Race());
  body.Add(field::kRank, Int(stats.Rank()));
  body.Add(field::kSkillPoints, Int(stats.SkillPoints()));
  body.Add(field::kTotalXp, DoubleText(ctx.TotalXP));
  body.Add(field::kUnassignedXp, DoubleText(ctx.UnassignedXP));
  const auto self = stats.Self();
  body.Add(field::kProducedXp, self ? Int(self->xp) : std::string("0"));
  body.Add(field::kFollowers, Int(stats.Followers()));
  body.Add(field::kVassals, Int(stats.VassalCount()));
  body.Add(field::kPk, "0");
  body.Add(field::kShare, BoxChecked(ctx, "chkUpdateShare") ? "1" : "0");
  body.Extend("\n\n");
}

// The starter file's example, with or without its last "/", in any letter case: posting
// there would only wait for a host that is not the allegiance's.
bool IsPlaceholder(std::string_view url) {
  const std::string_view bare = kPlaceholderServerURL.substr(0, kPlaceholderServerURL.size() - 1);
  return EqualsIgnoreCase(url, kPlaceholderServerURL) || EqualsIgnoreCase(url, bare);
}

}  // namespace

std::string ServerURL(Context& ctx) {
  std::string url;
  ErrorHandler{ctx, kModule, "ServerURL"}([&] {
    if (ctx.CachedServerURL.empty()) {
      ctx.CachedServerURL = Settings(ctx.env).ServerAddress();
      const std::string_view address = TrimSpaces(ctx.CachedServerURL);
      if (address.empty() || IsPlaceholder(address)) ctx.CachedServerURL.clear();
    }
    if (ctx.CachedServerURL.empty() || ctx.CachedServerURL.back() != '/') {
      ctx.CachedServerURL += '/';
    }
    url = ctx.CachedServerURL;
  });
  return url;
}

bool ServerAddressNotSet(const Context& ctx) {
  return ctx.CachedServerURL == "/";
}

wire::FormBody StdPostString(Context& ctx) {
  wire::FormBody body(ctx.env.code_page);
  ErrorHandler{ctx, kModule, "StdPostString"}([&] {
    wire::FormBody built(ctx.env.code_page);
    built.Add(field::kCID, Int(ctx.CharacterID));
    built.Add(field::kMID, Int(ctx.Monarch.GUID));
    built.Add(field::kLocation, Unsigned(Require(ctx.ACHooks).Location()));
    built.Add(field::kLocaltime, platform::FormatShortDateTime(ctx.env.clock.LocalNow()));
    built.Add(field::kFLID, Int(ctx.FellowshipInfo.FLeaderID));
    built.Add(field::kWantFellowship, BoxChecked(ctx, "chkGrp") ? "1" : "0");
    body = std::move(built);
  });
  return body;
}

wire::FormBody ArgsPostString(Context& ctx, std::string_view args) {
  wire::FormBody body = StdPostString(ctx);
  body.Add(field::kArgs, args);
  return body;
}

wire::FormBody CharPostString(Context& ctx) {
  wire::FormBody body(ctx.env.code_page);
  const bool built = ErrorHandler{ctx, kModule, "CharPostString"}([&] {
    body = StdPostString(ctx);
    const auto& stats = Require(ctx.CharacterStats);
    AppendCharacter(ctx, body, stats);
    AppendAttributes(body, stats);
    AppendVitals(body, stats);
    AppendSkills(body, stats);
    AppendAllegiance(body, field::kMonarchPrefix, ctx.Monarch, ctx.Monarch.GUID);
    AppendAllegiance(body, field::kPatronPrefix, ctx.Patron, ctx.Patron.TreeParent);
    AppendVassals(body, stats);
  });
  if (built) return body;
  // What was built before the failure helps to find the field that failed.
  ErrorHandler{ctx, kModule, "CharPostString"}([&] {
    WriteLog(ctx, "Debug: Start Post String");
    WriteLog(ctx, body.Plain());
    WriteLog(ctx, "Debug: End Post String");
  });
  return wire::FormBody(ctx.env.code_page);
}

wire::FormBody FellowPostString(Context& ctx) {
  wire::FormBody body(ctx.env.code_page);
  const bool built = ErrorHandler{ctx, kModule, "FellowPostString"}([&] {
    const auto& info = ctx.FellowshipInfo;
    body = StdPostString(ctx);
    body.Add(field::kFellowshipName, info.FName);
    body.Add(field::kSharedXp, Bool(info.FXpShare));
    body.Add(field::kLeaderCID, Int(info.FLeaderID));
    body.Add(field::kLeaderName, info.LeaderName);
    body.Add(field::kLeaderLevel, Int(info.LeaderLevel));
    body.Add(field::kFellows, Int(info.FCount));
    for (std::int32_t i = 0; i < info.FCount; ++i) {
      const FellowRec& fellow = ctx.Fellows.at(static_cast<std::size_t>(i));
      const std::string prefix = Key(field::kFellowPrefix, Int(i + 1));
      body.Add(Key(prefix, field::kCID), Int(fellow.ID));
      body.Add(Key(prefix, field::kName), fellow.Name);
      body.Add(Key(prefix, field::kLevel), Int(fellow.Level));
    }
  });
  return built ? body : wire::FormBody(ctx.env.code_page);
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
