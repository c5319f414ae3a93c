#pragma once

#include <string>
#include <string_view>

namespace ostravel::service {

// The client's address as a reverse proxy in front reports it: the last entry of
// X-Forwarded-For, the one the proxy added itself (the entries before it are whatever the
// client sent, and a client can send anything). Empty when that entry is no IPv4 or IPv6
// address.
std::string ForwardedClient(std::string_view header);

// True for an IPv4 or IPv6 address in its text form ("203.0.113.7", "2001:db8::1").
bool IsAddress(const std::string& text);

}  // namespace ostravel::service
