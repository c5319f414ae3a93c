#include "service/Router.h"

#include "service/AllegianceService.h"
#include "service/page/PageRoutes.h"
#include "wire/FieldNames.h"

namespace ostravel::service {
namespace {

HttpResponse Text(int status, std::string body, std::string detail = {}) {
  HttpResponse response;
  response.status = status;
  response.body = std::move(body);
  response.log_detail = std::move(detail);
  return response;
}

}  // namespace

HttpResponse AnswerScript(AllegianceService& service, const HttpRequest& request) {
  ScriptReply reply = service.Post(request.path, request.body,
                                   {request.Header(wire::header::kKey), request.remote_address});
  HttpResponse response = Text(reply.status, std::move(reply.body), std::move(reply.detail));
  if (!reply.issued_key.empty()) {
    response.headers.emplace_back(wire::header::kKey, reply.issued_key);
  }
  if (!reply.refused.empty()) {
    response.headers.emplace_back(wire::header::kRefused, reply.refused);
  }
  response.rate_cost = reply.rate_cost;
  response.log_note = std::move(reply.log_note);
  return response;
}

HttpResponse Router::Handle(const HttpRequest& request) const {
  if (IsServiceScript(request.path)) {
    if (request.method != "POST") {
      HttpResponse response = Text(405, "The scripts answer POST only.\n");
      response.headers.emplace_back("Allow", "POST");
      return response;
    }
    return AnswerScript(service_, request);
  }
  if (auto page = AnswerPageRequest(service_.ForPage(), page_, request)) return std::move(*page);
  return Text(404, "Not found.\n");
}

}  // namespace ostravel::service
