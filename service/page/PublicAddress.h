#pragma once

#include <string>
#include <string_view>

#include "service/http/HttpTypes.h"

namespace ostravel::service {

// The address players give the plug-in: the admin's `configured` one when there is one,
// otherwise the one the browser asked for (behind the trusted proxy, what the proxy says it
// was asked for). Always ends with "/". Empty when neither is usable: a Host header that is
// no host name or address (anyone can send one) is never shown to players.
std::string PublicAddress(std::string_view configured, const HttpRequest& request);

// The configured address as it is kept: an http or https address with a host and no spaces
// or quotes, "/" added at the end. Throws std::invalid_argument saying what it takes.
std::string CheckedPublicUrl(const std::string& url);

}  // namespace ostravel::service
