#include "ServiceTestSupport.h"

#include <sstream>

#include "common/OstravelLib.h"
#include "service/AllegianceService.h"

namespace ostravel::test {

std::unique_ptr<service::AllegianceService> OpenService(const std::filesystem::path& database,
                                                        std::ostream* errors) {
  service::ServiceOptions options;
  options.database = database;
  options.now = FixedNow;
  options.errors = errors;
  return std::make_unique<service::AllegianceService>(std::move(options));
}

std::string StdFields(std::int32_t caller) {
  return "CID=" + std::to_string(caller) +
         "&MID=1342177281&Location=2103705619&Localtime=6/1/2025 2:30:00 PM&FLID=0"
         "&WantFellowship=0";
}

std::string CharRecord(std::int32_t id, std::string_view name, int level, std::string_view extra) {
  return StdFields(id) + "&Name=" + std::string(name) +
         "&Server=Darktide&Birth=2004-06-07 00:00:00&Age=3600000&Deaths=12&Class=Adventurer"
         "&Gender=Female&Level=" +
         std::to_string(level) +
         "&Race=Aluvian&Rank=5&SkillPoints=0&TotalXp=0&UnassignedXp=0&ProducedXp=0&Followers=3"
         "&Vassals=1&Pk=0&Share=1\n\n&StartStrength=10&Strength=140\n\n"
         "&Health=285&Stamina=380&Mana=420\n\n&StateLockpick=2&Lockpick=273\n\n"
         "&MonarchCID=1342177281&MonarchPID=1342177281&MonarchName=Queen Ann\n\n"
         "&PatronCID=1342177288&PatronPID=1342177281&PatronName=Sir Wendel\n\n"
         "&Vassal1CID=1342177310&Vassal1PID=" +
         std::to_string(id) + "&Vassal1Name=Tam Brightwater" + std::string(extra);
}

std::string PrivateRecord(std::int32_t id, std::string_view name, int level) {
  std::string record = CharRecord(id, name, level, "&StateAlchemy=3&Alchemy=300");
  return record.replace(record.find("&Pk=0&Share=1"), 13, "&Pk=1&Share=0");
}

std::string Command(std::int32_t caller, std::string_view args) {
  return StdFields(caller) + "&args=" + std::string(args);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Value(std::string_view line, std::string_view key) {
  return ValFromStr(line, key);
}

std::vector<std::string> Column(const std::string& answer, std::string_view key) {
  std::vector<std::string> values;
  for (const auto& line : Lines(answer)) {
    if (auto value = Value(line, key); !value.empty()) values.push_back(value);
  }
  return values;
}

}  // namespace ostravel::test
