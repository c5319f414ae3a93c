#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "service/members/MemberDirectory.h"
#include "service/members/Presence.h"
#include "service/store/StoreQueries.h"

namespace ostravel::service {

// What the members' page and its JSON show: only what every member may see in the plug-in's
// own lists (names, levels, classes, staff roles, events, fellowships). No location, birth,
// age, experience or anything meant for staff ever enters it.
struct PageMember {
  std::string name;
  int level = 0;
  std::string class_name;          // the record's template
  std::vector<std::string> roles;  // staff role tokens ("magistrate"), in the roles' order
  std::string last_seen;           // "YYYY-MM-DD hh:mm:ss"; taken_at while online
};

struct PageFellowship {
  std::string name;
  std::string leader;
  int leader_level = 0;
  int fellows = 0;
};

struct PageEvent {
  long long id = 0;
  std::string starts;  // "YYYY-MM-DD hh:mm", or "YYYY-MM-DD" without a time
  bool has_time = false;
  std::string title;
  std::string description;
  std::string added_by;  // the name on file, or "" when the character is unknown
  int utc_offset = 0;    // how far the service's clock was ahead of UTC then, in seconds
};

// The allegiance as it was at `taken_at`, read in one go.
struct PageSnapshot {
  std::string taken_at;  // the service's local time, "YYYY-MM-DD hh:mm:ss"
  std::string monarch;   // the monarch most members' records name; "" before any record
  std::optional<std::string> motd;
  std::vector<PageMember> online;              // by name
  std::vector<PageMember> recent;              // seen in the last days, latest first
  std::size_t online_total = 0;                // before the cap
  std::size_t recent_total = 0;                // likewise
  std::vector<PageFellowship> fellowships;     // every recorded fellowship, by name
  std::vector<PageMember> seeking_fellowship;  // online, enlisted, in no fellowship; by name
  std::vector<PageEvent> events;               // from today on, in the order they happen
};

// The lists stop at this many rows (the page says how many more there are), so that a huge
// allegiance cannot make every page view expensive.
inline constexpr std::size_t kMaxPageRows = 1000;
inline constexpr std::size_t kMaxPageEvents = 200;
// "Seen lately" reaches back this far.
inline constexpr int kRecentDays = 7;

// The members' part: message of the day, who is online, who was seen lately, fellowships and
// players looking for one. Friends of the allegiance are not members and are left out, as in
// the plug-in's lists.
struct MemberSources {
  const Presence& presence;
  const MemberDirectory& directory;
};
void ReadMembers(StoreQueries& store, const MemberSources& sources, const platform::DateTime& now,
                 PageSnapshot& snapshot);
// The events and quests from the day `from` on (the page: today).
void ReadEvents(StoreQueries& store, const platform::DateTime& from, const platform::DateTime& now,
                PageSnapshot& snapshot);

}  // namespace ostravel::service
