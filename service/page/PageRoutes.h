#pragma once

#include <optional>

#include "service/http/HttpTypes.h"
#include "service/page/PageOptions.h"

namespace ostravel::service {

class AllegianceService;

// The members' page and what belongs to it: GET (and HEAD) of "/", "/members.js",
// "/members.css", "/api/online", "/api/events", the calendar "/events.ics" and the
// installer's download. Other methods on those paths get 405; any other path gives nullopt,
// for the router to decide.
std::optional<HttpResponse> AnswerPageRequest(AllegianceService& service,
                                              const PageOptions& options,
                                              const HttpRequest& request);

// The policy every answer of the page carries: our own script, style and JSON, nothing from
// elsewhere, no inline script or style, no framing, no forms.
inline constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

}  // namespace ostravel::service
