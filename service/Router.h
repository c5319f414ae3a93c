#pragma once

#include "service/http/HttpTypes.h"

namespace ostravel::service {

class AllegianceService;

// What the HTTP server hands every request to: a POST to one of the six scripts ("/member.php",
// exactly) goes to the service, GET / is the members' page, and every other path is 404. Nothing is
// ever served from disk. Thread-safe, as the service is.
class Router {
 public:
  explicit Router(AllegianceService& service) : service_(service) {}

  HttpResponse Handle(const HttpRequest& request) const;
  // The same, but a change to the database is answered through `respond` from the database's
  // writer once committed, so the calling thread goes on serving other connections.
  void HandleAsync(const HttpRequest& request, HttpRespond respond) const;

 private:
  AllegianceService& service_;
};

}  // namespace ostravel::service
