#pragma once

#include <string>

#include "service/page/PageData.h"

namespace ostravel::service {

// The members' page as JSON, for the page's own script and for the allegiance's website or
// bots. UTF-8; a byte sequence that is not UTF-8 becomes U+FFFD rather than failing.
//
// GET /api/online:
//   {"taken_at": "2026-12-07 20:15:00", "motd": "..." or null,
//    "online": [{"name", "level", "class", "roles": ["magistrate", ...]}],
//    "online_total": N,
//    "recent": [{"name", "last_seen": "2026-12-07 18:02:11" (taken_at while online),
//                "online"}],
//    "recent_total": N,
//    "fellowships": [{"name", "leader", "leader_level", "fellows"}],
//    "seeking_fellowship": [{"name", "level", "class"}]}
// GET /api/events:
//   {"taken_at": "...", "events": [{"id", "title", "starts": "2026-12-08 20:00" or
//    "2026-12-08", "has_time", "description", "added_by"}]}
std::string OnlineJson(const PageSnapshot& snapshot);
std::string EventsJson(const PageSnapshot& snapshot);

}  // namespace ostravel::service
