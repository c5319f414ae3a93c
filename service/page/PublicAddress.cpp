#include "service/page/PublicAddress.h"

#include <algorithm>
#include <stdexcept>

#include "base/AsciiText.h"

namespace ostravel::service {
namespace {

// A host name, an IPv4 address or a bracketed IPv6 address, with an optional port: the
// characters a Host header may carry that cannot smuggle markup or a path into the page.
bool IsHostAndPort(std::string_view text) {
  if (text.empty() || text.size() > 255 || text.front() == ':' || text.front() == '.') {
    return false;
  }
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
  });
}

// "http" or "https" from a forwarded scheme; anything else counts as plain http.
std::string_view Scheme(std::string_view forwarded) {
  return EqualsIgnoreCase(forwarded, "https") ? "https" : "http";
}

}  // namespace

std::string PublicAddress(std::string_view configured, const HttpRequest& request) {
  if (!configured.empty()) return std::string(configured);
  // A proxy may forward a list ("a, b") when there are several in a row: the first is the
  // one the browser asked.
  const std::string_view host =
      TrimSpaces(std::string_view(request.host).substr(0, request.host.find(',')));
  if (!IsHostAndPort(host)) return {};
  const std::string_view scheme =
      TrimSpaces(std::string_view(request.scheme).substr(0, request.scheme.find(',')));
  return std::string(Scheme(scheme)) + "://" + std::string(host) + "/";
}

std::string CheckedPublicUrl(const std::string& url) {
  const std::string_view text = url;
  const std::size_t start = text.starts_with("https://") ? 8 : text.starts_with("http://") ? 7 : 0;
  const std::string_view host = text.substr(start, text.find('/', start) - start);
  const bool clean = std::none_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\'' || c == '<' || c == '>' ||
           c == '\\' || c == 0x7f;
  });
  if (start == 0 || !clean || !IsHostAndPort(host)) {
    throw std::invalid_argument(
        "public_url is the address players give the plug-in, an http or https address such as "
        "https://ostravel.example.org/, not \"" +
        url + "\"");
  }
  return text.ends_with('/') ? url : url + "/";
}

}  // namespace ostravel::service
