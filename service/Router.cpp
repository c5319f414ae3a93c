#include "service/Router.h"

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
  if (auto page = AnswerPageRequest(service_.ForPage(), page_, request)) return std::move(*page);
  return Text(404, "Not found.\n");
}

}  // namespace ostravel::service
