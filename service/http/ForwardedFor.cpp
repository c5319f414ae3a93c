#include "service/http/ForwardedFor.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace ostravel::service {

bool IsAddress(const std::string& text) {
  in6_addr buffer{};
  return inet_pton(AF_INET, text.c_str(), &buffer) == 1 ||
         inet_pton(AF_INET6, text.c_str(), &buffer) == 1;
}

std::string ForwardedClient(std::string_view header) {
  const auto comma = header.rfind(',');
  std::string_view last = comma == std::string_view::npos ? header : header.substr(comma + 1);
  const auto first = last.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  last = last.substr(first, last.find_last_not_of(" \t") - first + 1);
  std::string address(last);
  return IsAddress(address) ? address : std::string();
}

}  // namespace ostravel::service
