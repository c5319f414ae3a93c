#include "platform/HttpRedirect.h"

#include <cctype>

namespace ostravel::platform {
namespace {

bool IsRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

RedirectStep Refuse(std::string error) {
  return RedirectStep{RedirectStep::Kind::kRefuse, false, std::move(error)};
}

}  // namespace

std::string UrlScheme(std::string_view url) {
  const std::size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  std::string scheme;
  for (char c : url.substr(0, colon)) {
    const auto byte = static_cast<unsigned char>(c);
    // RFC 3986: a letter, then letters, digits, "+", "-" and ".".
    if (!std::isalnum(byte) && c != '+' && c != '-' && c != '.') return {};
    scheme += static_cast<char>(std::tolower(byte));
  }
  if (!std::isalpha(static_cast<unsigned char>(scheme.front()))) return {};
  return scheme;
}

RedirectStep NextRedirect(long status, std::string_view from_url, std::string_view to_url,
                          int followed, int max_redirects) {
  // A redirect without a place to go is an answer like any other (and not a good one).
  if (!IsRedirect(status) || to_url.empty()) return {};
  if (followed >= max_redirects) return Refuse("too many redirects");
  const std::string to = UrlScheme(to_url);
  if (to != "http" && to != "https")
    return Refuse("redirect to a scheme other than http or https refused");
  if (UrlScheme(from_url) == "https" && to == "http") {
    return Refuse("redirect from https to http refused");
  }
  return RedirectStep{RedirectStep::Kind::kFollow, status == 307 || status == 308, {}};
}

}  // namespace ostravel::platform
