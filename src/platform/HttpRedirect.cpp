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

std::string UrlOrigin(std::string_view url) {
  const std::string scheme = UrlScheme(url);
  if (scheme != "http" && scheme != "https") return {};
  url.remove_prefix(scheme.size() + 1);
  if (!url.starts_with("//")) return {};
  url.remove_prefix(2);
  std::string_view authority = url.substr(0, url.find_first_of("/?#"));
  // User information is no part of where the request goes.
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  // The port follows the last colon that is not inside an IPv6 address's brackets.
  const std::size_t bracket = authority.rfind(']');
  std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && bracket != std::string_view::npos && colon < bracket) {
    colon = std::string_view::npos;
  }
  std::string_view host = authority.substr(0, colon);
  std::string_view port = colon == std::string_view::npos ? "" : authority.substr(colon + 1);
  if (host.empty()) return {};
  for (char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return {};
  }
  while (port.size() > 1 && port.front() == '0') port.remove_prefix(1);
  std::string origin = scheme + "://";
  for (char c : host) origin += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  origin += ':';
  origin += port.empty() ? (scheme == "https" ? "443" : "80") : std::string(port);
  return origin;
}

bool SameOrigin(std::string_view a, std::string_view b) {
  const std::string origin = UrlOrigin(a);
  return !origin.empty() && origin == UrlOrigin(b);
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
