#pragma once

#include <string>
#include <string_view>

namespace ostravel::service {

// Text made safe for HTML element content and quoted attribute values: the five characters
// that can end a text or start markup become character references. Everything a player sent
// passes through here on its way into the members' page.
std::string EscapeHtml(std::string_view text);

}  // namespace ostravel::service
