#pragma once

#include <string_view>

// Every name the plug-in and the services share, spelled once. The spellings are the
// service's own and stay as they are, typos included ("Recieved").
namespace ostravel::wire {

// The server scripts under the service's base address.
namespace script {
inline constexpr std::string_view kMember = "member.php";
inline constexpr std::string_view kMessage = "message.php";
inline constexpr std::string_view kEvent = "event.php";
inline constexpr std::string_view kLandblock = "landblock.php";
inline constexpr std::string_view kUpdate = "update.php";
inline constexpr std::string_view kFellowship = "fellowship.php";
}  // namespace script

// HTTP headers beside the bodies: who is asking, and why the service turned a request away.
namespace header {
// Request: the character's key, when the plug-in holds one. Response: a key the service gives
// the character.
inline constexpr std::string_view kKey = "X-Ostravel-Key";
// Response to a request refused for who is asking (status 403): kRefusedKey or
// kRefusedAllegiance. Its body is one line saying what is wrong and what to do.
inline constexpr std::string_view kRefused = "X-Ostravel-Refused";
inline constexpr std::string_view kRefusedKey = "key";
inline constexpr std::string_view kRefusedAllegiance = "allegiance";
}  // namespace header

// Keys of the request bodies the plug-in posts.
namespace field {
// The standard fields every request starts with.
inline constexpr std::string_view kCID = "CID";
inline constexpr std::string_view kMID = "MID";
inline constexpr std::string_view kLocation = "Location";
inline constexpr std::string_view kLocaltime = "Localtime";
inline constexpr std::string_view kFLID = "FLID";
inline constexpr std::string_view kWantFellowship = "WantFellowship";
// The player's command text.
inline constexpr std::string_view kArgs = "args";

// The character record (update.php).
inline constexpr std::string_view kName = "Name";
inline constexpr std::string_view kServer = "Server";
inline constexpr std::string_view kBirth = "Birth";
inline constexpr std::string_view kAge = "Age";
inline constexpr std::string_view kDeaths = "Deaths";
inline constexpr std::string_view kClass = "Class";
inline constexpr std::string_view kGender = "Gender";
inline constexpr std::string_view kLevel = "Level";
inline constexpr std::string_view kRace = "Race";
inline constexpr std::string_view kRank = "Rank";
inline constexpr std::string_view kSkillPoints = "SkillPoints";
inline constexpr std::string_view kTotalXp = "TotalXp";
inline constexpr std::string_view kUnassignedXp = "UnassignedXp";
inline constexpr std::string_view kProducedXp = "ProducedXp";
inline constexpr std::string_view kFollowers = "Followers";
inline constexpr std::string_view kVassals = "Vassals";
inline constexpr std::string_view kPk = "Pk";
inline constexpr std::string_view kShare = "Share";
inline constexpr std::string_view kHealth = "Health";
inline constexpr std::string_view kStamina = "Stamina";
inline constexpr std::string_view kMana = "Mana";
// "Start" + attribute name: the attribute's starting value; the name alone: its current one.
inline constexpr std::string_view kStartPrefix = "Start";
// "State" + skill name without spaces: the skill's training state; the name alone: its value.
inline constexpr std::string_view kStatePrefix = "State";
// An allegiance record: its prefix, then kCID, kPID, kName, kProducedXp, kGender, kRace,
// kRank ("MonarchCID", "Vassal2Name").
inline constexpr std::string_view kMonarchPrefix = "Monarch";
inline constexpr std::string_view kPatronPrefix = "Patron";
inline constexpr std::string_view kVassalPrefix = "Vassal";  // + the vassal's number from 1
inline constexpr std::string_view kPID = "PID";

// The fellowship record (fellowship.php).
inline constexpr std::string_view kFellowshipName = "FellowshipName";
inline constexpr std::string_view kSharedXp = "SharedXp";
inline constexpr std::string_view kLeaderCID = "LeaderCID";
inline constexpr std::string_view kLeaderName = "LeaderName";
inline constexpr std::string_view kLeaderLevel = "LeaderLevel";
inline constexpr std::string_view kFellows = "Fellows";
// "Fellow" + the fellow's number from 1, then kCID, kName or kLevel.
inline constexpr std::string_view kFellowPrefix = "Fellow";
}  // namespace field

// Keys of the answer records the services write and the tabs read.
namespace answer {
inline constexpr std::string_view kName = "Name";
inline constexpr std::string_view kLevel = "Level";
inline constexpr std::string_view kTemplate = "Template";
inline constexpr std::string_view kOnline = "Online";  // "True" colours the name green
inline constexpr std::string_view kAllegiance = "Allegiance";
inline constexpr std::string_view kServer = "Server";
inline constexpr std::string_view kRace = "Race";
inline constexpr std::string_view kGender = "Gender";
inline constexpr std::string_view kMonarch = "Monarch";
inline constexpr std::string_view kPatron = "Patron";
inline constexpr std::string_view kRank = "Rank";
inline constexpr std::string_view kVassals = "Vassals";
inline constexpr std::string_view kSkills = "Skills";
inline constexpr std::string_view kStaff = "Staff";
inline constexpr std::string_view kPK = "PK";
inline constexpr std::string_view kLeads = "Leads";
inline constexpr std::string_view kFellowship = "Fellowship";
inline constexpr std::string_view kFellows = "Fellows";
inline constexpr std::string_view kEvent = "Event";
inline constexpr std::string_view kDate = "Date";
inline constexpr std::string_view kDescription = "Description";
inline constexpr std::string_view kAddedby = "Addedby";
inline constexpr std::string_view kID = "ID";
inline constexpr std::string_view kFrom = "From";
inline constexpr std::string_view kTo = "To";
inline constexpr std::string_view kSample = "Sample";
inline constexpr std::string_view kMsgID = "MsgID";
inline constexpr std::string_view kRecieved = "Recieved";
inline constexpr std::string_view kInfo = "Info";
inline constexpr std::string_view kHelp = "Help";
}  // namespace answer

}  // namespace ostravel::wire
