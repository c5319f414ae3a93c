#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

// The most members one list answers with. A list of 100,000 online members would be megabytes
// for a page the player scrolls by hand; the first ones in list order and a line saying there
// are more (a line without a "Name", so the pages draw no row for it) keep answers small.
inline constexpr std::size_t kListCap = 200;

// The last line of a list cut at kListCap: "more than 200 `what` match; the first 200 `order`
// are shown, ...". It holds none of the keys the pages read.
std::string MoreLine(std::string_view what, std::string_view order);

// "list FILTERS" of member.php: the members that match every filter, highest level first,
// then by name; the friends of the allegiance are not members.
std::string ListMembers(ScriptContext& context, std::string_view filters);

}  // namespace ostravel::service
