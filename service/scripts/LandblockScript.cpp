#include "service/scripts/LandblockScript.h"

#include <cstdio>

#include "service/store/CharacterTable.h"
#include "service/store/LandblockTable.h"
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
  const auto found = FindLandblockText(context.db, location);
  if (!found) {
    return "No description is set for " + BlockName(location) +
           ". Type @landblock set TEXT to write one.";
  }
  const std::string& text = found->text;
  const std::int32_t set_by = found->set_by;
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
    return "Descriptions have at most " + std::to_string(kMaxLandblockTextLength) +
           " characters; this one is not stored.";
  }
  SaveLandblockText(context.db, location, text, context.request.character,
                    wire::FormatIsoDateTime(context.request.now));
  return "Description of " + BlockName(location) + " saved: " + text;
}

const std::string kHelp = wire::JoinLines({
    "@landblock commands (Ostravel service):",
    "get - the description of the landblock you stand in",
    "set TEXT - describe the landblock you stand in (up to " +
        std::to_string(kMaxLandblockTextLength) + " characters)",
});

}  // namespace

const CommandSet& LandblockCommands() {
  static const CommandSet commands{
      "@landblock", kHelp, {{"get", {false, Get}}, {"set", {true, Set}}}, {}, {}};
  return commands;
}

}  // namespace ostravel::service
