#include "DemoLandblockScript.h"

#include <cstdio>

#include "DemoCommands.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

namespace ostravel::app {
namespace {

constexpr std::string_view kNoLocation =
    "Your location is not known yet; the description goes with the landblock you stand in.";

std::string BlockName(std::uint32_t location) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(LandblockOf(location)));
  return "landblock " + std::string(buffer);
}

std::string Get(DemoWorld& world, const DemoRequest& request, std::string_view) {
  if (request.location == 0) return std::string(kNoLocation);
  const auto it = world.landblocks.find(LandblockOf(request.location));
  if (it == world.landblocks.end()) {
    return "No description is set for " + BlockName(request.location) +
           ". Type @landblock set TEXT to write one.";
  }
  return "Description of " + BlockName(request.location) + ": " + it->second.text + " (set by " +
         world.NameOf(it->second.set_by) + ")";
}

std::string Set(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  if (request.location == 0) return std::string(kNoLocation);
  const std::string text = wire::CleanValue(rest);
  if (text.empty()) return "Usage: set TEXT - describes the landblock you stand in.";
  world.landblocks[LandblockOf(request.location)] = {text, request.character};
  return "Description of " + BlockName(request.location) + " saved: " + text;
}

const std::string kHelp = wire::JoinLines({
    "@landblock commands (Ostravel demo service):",
    "get - the description of the landblock you stand in",
    "set TEXT - describe the landblock you stand in",
});

}  // namespace

std::string RunLandblockScript(DemoWorld& world, const DemoRequest& request) {
  static const DemoCommandSet commands{"@landblock", kHelp, {{"get", Get}, {"set", Set}}, {}};
  return RunDemoCommand(commands, world, request);
}

}  // namespace ostravel::app
