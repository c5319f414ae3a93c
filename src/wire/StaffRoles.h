#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The staff roles of the allegiance, as the member lists ask for them ("list magistrate") and
// as the service stores them, in the order the Members page lists them.
namespace ostravel::wire {

struct StaffRole {
  std::string_view word;   // what the lists and the admin's command take
  std::string_view title;  // what a page shows
};

inline constexpr std::array<StaffRole, 6> kStaffRoleTitles = {{
    {"magistrate", "Magistrate"},
    {"pkgeneral", "PK General"},
    {"chainmanager", "Chain Manager"},
    {"questmaster", "Quest Master"},
    {"brt", "Body Recovery Team"},
    {"reporter", "Reporter"},
}};

// The words alone, in the same order.
inline constexpr std::array<std::string_view, kStaffRoleTitles.size()> kStaffRoles = [] {
  std::array<std::string_view, kStaffRoleTitles.size()> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = kStaffRoleTitles[i].word;
  return words;
}();

constexpr bool IsStaffRole(std::string_view word) {
  return std::find(kStaffRoles.begin(), kStaffRoles.end(), word) != kStaffRoles.end();
}

// The words as a list for a sentence: "a, b and c" with `last` " and ".
inline std::string JoinStaffRoles(std::string_view separator, std::string_view last) {
  std::string joined;
  for (std::size_t i = 0; i < kStaffRoles.size(); ++i) {
    if (i > 0) joined += i + 1 == kStaffRoles.size() ? last : separator;
    joined += kStaffRoles[i];
  }
  return joined;
}

}  // namespace ostravel::wire
