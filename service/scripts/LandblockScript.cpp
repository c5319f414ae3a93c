#include "service/scripts/LandblockScript.h"

#include <cstdio>

#include "service/store/CharacterTable.h"
#include "wire/AnswerRecord.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

constexpr std::string_view kNoLocation =
    "Your location is not known yet; the description goes with the landblock you stand in.";

std::string BlockName(std::uint32_t location) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(LandblockOf(location)));
  return "landblock " + std::string(buffer);
}

std::string Get(ScriptContext& context, std::string_view) {
  const std::uint32_t location = context.request.location;
  if (location == 0) return std::string(kNoLocation);
  SqliteStatement& statement =
      context.db.Prepare("SELECT text, set_by FROM landblocks WHERE block = ?1")
          .Bind(1, LandblockOf(location));
  if (!statement.Step()) {
    return "No description is set for " + BlockName(location) +
           ". Type @landblock set TEXT to write one.";
  }
  const std::string text = statement.Text(0);
  const auto set_by = static_cast<std::int32_t>(statement.Int(1));
  statement.Reset();
  const auto author = FindCharacter(context.db, set_by);
  return "Description of " + BlockName(location) + ": " + text + " (set by " +
         (author ? author->name : std::string("Unknown character")) + ")";
}

std::string Set(ScriptContext& context, std::string_view rest) {
  const std::uint32_t location = context.request.location;
  if (location == 0) return std::string(kNoLocation);
  const std::string text = wire::CleanValue(rest);
  if (text.empty()) return "Usage: set TEXT - describes the landblock you stand in.";
  if (CharacterCount(text) > kMaxLandblockTextLength) {
    return "Descriptions have at most 500 characters; this one is not stored.";
  }
  SaveLandblockText(context.db, location, text, context.request.character,
                    wire::FormatIsoDateTime(context.request.now));
  return "Description of " + BlockName(location) + " saved: " + text;
}

const std::string kHelp = wire::JoinLines({
    "@landblock commands (Ostravel service):",
    "get - the description of the landblock you stand in",
    "set TEXT - describe the landblock you stand in (up to 500 characters)",
});

}  // namespace

void SaveLandblockText(SqliteConnection& db, std::uint32_t location, std::string_view text,
                       std::int32_t set_by, std::string_view at) {
  db.Prepare(
        "INSERT OR REPLACE INTO landblocks (block, text, set_by, set_at) VALUES (?1, ?2, ?3, ?4)")
      .Bind(1, LandblockOf(location))
      .Bind(2, text)
      .Bind(3, set_by)
      .Bind(4, at)
      .Run();
}

const CommandSet& LandblockCommands() {
  static const CommandSet commands{
      "@landblock", kHelp, {{"get", {false, Get}}, {"set", {true, Set}}}, {}, {}};
  return commands;
}

}  // namespace ostravel::service
