#include "service/Router.h"

#include <future>

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

HttpResponse Reply(ScriptReply reply, const std::string& type) {
  HttpResponse response = Text(reply.status, std::move(reply.body), std::move(reply.detail));
  response.content_type = type;
  if (reply.retry_after > 0) {
    response.headers.emplace_back("Retry-After", std::to_string(reply.retry_after));
  }
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

Caller CallerOf(const HttpRequest& request) {
  return {request.Header(wire::header::kKey), request.remote_address};
}

}  // namespace

HttpResponse AnswerScript(AllegianceService& service, const HttpRequest& request) {
  return Reply(service.Post(request.path, request.body, CallerOf(request)), service.AnswerType());
}

HttpResponse Router::Handle(const HttpRequest& request) const {
  std::promise<HttpResponse> promise;
  std::future<HttpResponse> answer = promise.get_future();
  HandleAsync(request,
              [&promise](HttpResponse response) { promise.set_value(std::move(response)); });
  return answer.get();
}

void Router::HandleAsync(const HttpRequest& request, HttpRespond respond) const {
  // Only the scripts' own paths: "/a/b/member.php" is no script of this service, and a
  // proxy in front that maps a folder strips it before it forwards.
  if (IsServiceScript(request.path) && request.path.rfind('/') == 0) {
    if (request.method != "POST") {
      HttpResponse response = Text(405, "The scripts answer POST only.\n");
      response.headers.emplace_back("Allow", "POST");
      return respond(std::move(response));
    }
    return service_.PostAsync(request.path, request.body, CallerOf(request),
                              [respond = std::move(respond), &type = service_.AnswerType()](
                                  ScriptReply reply) { respond(Reply(std::move(reply), type)); });
  }
  if (auto page = AnswerPageRequest(service_.ForPage(), page_, request)) {
    return respond(std::move(*page));
  }
  respond(Text(404, "Not found.\n"));
}

}  // namespace ostravel::service
