#pragma once

#include <string>
#include <string_view>

#include "service/page/PageData.h"

namespace ostravel::service {

// What the page tells a player who has not joined yet.
struct PageIntro {
  std::string allegiance;  // the heading; "" for none known
  std::string address;     // what to give the plug-in; "" when the service cannot tell
  bool installer = false;  // whether the installer is there to download
};

// The members' page as the service renders it: complete without script; our script
// (members.js) then keeps it current from the JSON. `asset_version` tags the addresses of the
// script and the style so that browsers may keep them until the program changes.
std::string MembersPage(const PageSnapshot& snapshot, const PageIntro& intro,
                        std::string_view asset_version);

// The words the page uses for a staff role token ("pkgeneral" gives "PK General").
std::string_view StaffRoleLabel(std::string_view role);

}  // namespace ostravel::service
