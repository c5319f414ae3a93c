#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"

namespace ostravel::app {

// A character the service knows: a seeded sample member, a friend of the allegiance, or a
// character that sent its record to "update.php".
struct DemoMember {
  std::int32_t id = 0;
  std::string name;
  int level = 1;
  std::string template_name;
  bool online = false;
  std::uint32_t location = 0;
  std::set<std::string, std::less<>> roles;   // staff roles: "magistrate", "brt", ...
  std::set<std::string, std::less<>> skills;  // trained trade skills: "lockpick", ...
  bool pk = false;
  bool wants_fellowship = false;
  std::int32_t fellowship_leader = 0;  // FLID of the last request; 0 = none
  // A friend of the allegiance from another one: listed under "friends" only.
  bool ally = false;
  std::string allegiance;
  bool shares_info = true;  // "Share info" of the Update tab
  std::string server;
  std::string race;
  std::string gender;
  int rank = 0;
  std::string monarch;
  std::string patron;
  int vassals = 0;
  std::optional<platform::DateTime> last_update;
};

struct DemoMessage {
  int id = 0;
  std::int32_t sender = 0;
  // The recipient's character id, or 0 when the name was not a known member when it was sent;
  // such a message reaches whoever later updates under that name.
  std::int32_t recipient = 0;
  std::string recipient_name;
  std::string text;
  platform::DateTime received;
  bool read = false;
  bool deleted_by_sender = false;
  bool deleted_by_recipient = false;
};

struct DemoEvent {
  int id = 0;
  platform::DateTime when;
  bool has_time = true;
  std::string title;
  std::string description;
  std::int32_t added_by = 0;
};

struct DemoFellow {
  std::int32_t id = 0;
  std::string name;
  int level = 0;
};

struct DemoFellowship {
  std::string name;
  std::int32_t leader_id = 0;
  std::string leader_name;
  int leader_level = 0;
  bool shared_xp = false;
  std::vector<DemoFellow> fellows;
};

struct DemoLandblock {
  std::string text;
  std::int32_t set_by = 0;
};

// Everything the demo service knows, in memory. Not thread-safe: DemoService holds its lock
// around every use.
struct DemoWorld {
  std::vector<DemoMember> members;
  std::vector<DemoMessage> messages;
  std::vector<DemoEvent> events;
  // Keyed by the character id that posted it: only a leader (or a character leaving its
  // fellowship) posts, so a later post from the same character replaces or ends it.
  std::map<std::int32_t, DemoFellowship> fellowships;
  // Keyed by the landblock, the upper 16 bits of a location: the whole block shares one text.
  std::map<std::uint32_t, DemoLandblock> landblocks;
  std::set<std::int32_t> seeded_mailboxes;
  int next_message_id = 1;
  int next_event_id = 1;

  // New entries with the next free id.
  DemoMessage& AddMessage(std::int32_t sender, std::int32_t recipient, std::string recipient_name,
                          std::string text, const platform::DateTime& received);
  DemoEvent& AddEvent(const platform::DateTime& when, bool has_time, std::string title,
                      std::string description, std::int32_t added_by);

  DemoMember* FindMember(std::int32_t id);
  const DemoMember* FindMember(std::int32_t id) const;
  // Names compare without regard to ASCII letter case, as players type them in chat.
  DemoMember* FindMember(std::string_view name);
  // The member's name, or `fallback` for an unknown id.
  std::string NameOf(std::int32_t id, std::string_view fallback = "Unknown character") const;
  // True when `id` leads or belongs to a recorded fellowship.
  bool InFellowship(std::int32_t id) const;
};

bool SameName(std::string_view a, std::string_view b);

// The landblock of a location: its upper 16 bits.
constexpr std::uint32_t LandblockOf(std::uint32_t location) {
  return location >> 16;
}

}  // namespace ostravel::app
