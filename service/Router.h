#pragma once

#include "service/http/HttpTypes.h"

namespace ostravel::service {

class AllegianceService;

// What the HTTP server hands every request to: a POST to one of the six scripts goes to the
// service, GET / is the members' page, and every other path is 404. Nothing is ever served
// from disk. Thread-safe, as the service is.
class Router {
 public:
  explicit Router(AllegianceService& service) : service_(service) {}

  HttpResponse Handle(const HttpRequest& request) const;

 private:
  AllegianceService& service_;
};

// A POST to one of the scripts: the service's answer, with the key it hands out and why it
// refused the caller (if it did) in the headers.
HttpResponse AnswerScript(AllegianceService& service, const HttpRequest& request);

}  // namespace ostravel::service
