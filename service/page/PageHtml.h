#pragma once

#include <string>
#include <string_view>

#include "service/page/PageData.h"

namespace ostravel::service {

// The members' page as the service renders it: complete without script; our script
// (members.js) then keeps it current from the JSON. `asset_version` tags the addresses of the
// script and the style so that browsers may keep them until the program changes.
std::string MembersPage(const PageSnapshot& snapshot, std::string_view asset_version);

// The words the page uses for a staff role token ("pkgeneral" gives "PK General").
std::string_view StaffRoleLabel(std::string_view role);

}  // namespace ostravel::service
