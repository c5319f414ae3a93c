#pragma once

#include <functional>
#include <optional>

#include "platform/DateTime.h"
#include "service/http/HttpTypes.h"
#include "service/page/PageData.h"
#include "service/page/PageOptions.h"
#include "service/store/StoreQueries.h"

namespace ostravel::service {

// What the page reads: the store through its queries, who is online and the member directory,
// and the service's clock.
struct PageSources {
  StoreReader& store;
  MemberSources members;
  std::function<platform::DateTime()> now;
};

// The members' page and what belongs to it: GET (and HEAD) of "/", "/members.js",
// "/members.css", "/api/online", "/api/events", the calendar "/events.ics" and the
// installer's download. Other methods on those paths get 405; any other path gives nullopt,
// for the router to decide.
std::optional<HttpResponse> AnswerPageRequest(const PageSources& sources,
                                              const PageOptions& options,
                                              const HttpRequest& request);

// The policy every answer of the page carries: our own script, style and JSON, nothing from
// elsewhere, no inline script or style, no framing, no forms.
inline constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

}  // namespace ostravel::service
