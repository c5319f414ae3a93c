#pragma once

#include <utility>

#include "service/http/HttpTypes.h"
#include "service/page/PageOptions.h"

namespace ostravel::service {

class AllegianceService;

// What the HTTP server hands every request to: a POST to one of the six scripts ("/member.php",
// exactly) goes to the service, GET / is the members' page, and every other path is 404. Nothing is
// ever served from disk. Thread-safe, as the service is.
class Router {
 public:
  explicit Router(AllegianceService& service, PageOptions page = {})
      : service_(service), page_(std::move(page)) {}

  HttpResponse Handle(const HttpRequest& request) const;
  // The same, but a change to the database is answered through `respond` from the database's
  // writer once committed, so the calling thread goes on serving other connections.
  void HandleAsync(const HttpRequest& request, HttpRespond respond) const;

 private:
  AllegianceService& service_;
  PageOptions page_;
};

// A POST to one of the scripts: the service's answer, with the key it hands out and why it
// refused the caller (if it did) in the headers.
HttpResponse AnswerScript(AllegianceService& service, const HttpRequest& request);

}  // namespace ostravel::service
