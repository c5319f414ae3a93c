#include "service/Router.h"

#include "service/AllegianceService.h"

namespace ostravel::service {
namespace {

// A placeholder until the members' page is built.
constexpr const char* kFrontPage =
    "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
    "<title>Ostravel allegiance service</title></head>\n<body><h1>Ostravel allegiance "
    "service</h1>\n<p>The Ostravel plug-in posts here; point the \"url\" of the \"server\" "
    "element of its Ostravel.xml at this address.</p></body></html>\n";

HttpResponse Text(int status, std::string body, std::string detail = {}) {
  HttpResponse response;
  response.status = status;
  response.body = std::move(body);
  response.logDetail = std::move(detail);
  return response;
}

}  // namespace

HttpResponse Router::Handle(const HttpRequest& request) const {
  if (IsServiceScript(request.path)) {
    if (request.method != "POST") {
      HttpResponse response = Text(405, "The scripts answer POST only.\n");
      response.headers.emplace_back("Allow", "POST");
      return response;
    }
    ScriptReply reply = service_.Post(request.path, request.body);
    return Text(reply.status, std::move(reply.body), std::move(reply.detail));
  }
  if (request.path == "/" && (request.method == "GET" || request.method == "HEAD")) {
    HttpResponse response = Text(200, kFrontPage);
    response.contentType = "text/html; charset=utf-8";
    response.headers.emplace_back("Content-Security-Policy", "default-src 'none'");
    return response;
  }
  return Text(404, "Not found.\n");
}

}  // namespace ostravel::service
