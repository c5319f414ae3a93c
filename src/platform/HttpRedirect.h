#pragma once

#include <string>
#include <string_view>

namespace ostravel::platform {

// What a back end does with one answer on its way to the final one.
struct RedirectStep {
  enum class Kind {
    kFinal,   // this answer is the one the caller gets
    kFollow,  // ask again at the answer's Location
    kRefuse,  // the transfer fails with `error`
  };
  Kind kind = Kind::kFinal;
  // kFollow: 307 and 308 repeat the request as it was (a POST with its body); 301, 302 and 303
  // go on as a GET without body.
  bool keep_method = false;
  std::string error;
};

// Decides about an answer with `status` to a request for `from_url` whose Location resolves to
// `to_url` (empty when the answer named none), after `followed` redirects already taken.
// Only http and https are followed, never from https to http, and no more than `max_redirects`.
RedirectStep NextRedirect(long status, std::string_view from_url, std::string_view to_url,
                          int followed, int max_redirects);

// The scheme of an absolute URL in lower case ("https"), "" when it has none.
std::string UrlScheme(std::string_view url);

// Where an http or https URL leads, as "scheme://host:port" in lower case with the scheme's
// port filled in ("http://a:80" for "HTTP://A/x"); "" for any other URL. Two URLs go to the
// same server when their origins are equal and not "".
std::string UrlOrigin(std::string_view url);
bool SameOrigin(std::string_view a, std::string_view b);

}  // namespace ostravel::platform
