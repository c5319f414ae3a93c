#include "service/Router.h"

#include <future>

#include "service/AllegianceService.h"
#include "service/page/PageRoutes.h"

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
  return response;
}

}  // namespace

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
    return service_.PostAsync(
        request.path, request.body,
        [respond = std::move(respond), &type = service_.AnswerType()](ScriptReply reply) {
          respond(Reply(std::move(reply), type));
        },
        request.remote_address);
  }
  if (auto page = AnswerPageRequest(service_.ForPage(), request)) return respond(std::move(*page));
  respond(Text(404, "Not found.\n"));
}

}  // namespace ostravel::service
