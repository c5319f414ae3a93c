#include "service/page/PageRoutes.h"

#include <string>
#include <string_view>

#include "service/page/PageAssets.h"
#include "service/page/PageHtml.h"
#include "service/page/PageJson.h"

namespace ostravel::service {
namespace {

// Data changes every minute; the assets only with the program, and their addresses carry
// its version.
constexpr const char* kNoStore = "no-store";
constexpr const char* kForGood = "public, max-age=31536000, immutable";

HttpResponse Answer(int status, std::string_view type, std::string body, const char* cache) {
  HttpResponse response;
  response.status = status;
  response.content_type = std::string(type);
  response.body = std::move(body);
  response.headers = {{"Content-Security-Policy", kPagePolicy},
                      {"X-Content-Type-Options", "nosniff"},
                      {"Referrer-Policy", "no-referrer"},
                      {"Cache-Control", cache}};
  return response;
}

// Which parts of the page an answer needs.
struct Parts {
  bool members = false;
  bool events = false;
};

PageSnapshot Snapshot(const PageSources& sources, Parts parts) {
  PageSnapshot snapshot;
  const platform::DateTime now = sources.now();
  sources.store.Query([&](StoreQueries& store) {
    if (parts.members) ReadMembers(store, sources.members, now, snapshot);
    if (parts.events) ReadEvents(store, now, snapshot);
  });
  return snapshot;
}

bool IsPagePath(std::string_view path) {
  return path == "/" || path == "/api/online" || path == "/api/events" ||
         FindPageAsset(path) != nullptr;
}

}  // namespace

std::optional<HttpResponse> AnswerPageRequest(const PageSources& sources,
                                              const HttpRequest& request) {
  const std::string_view path = request.path;
  if (!IsPagePath(path)) return std::nullopt;
  if (request.method != "GET" && request.method != "HEAD") {
    HttpResponse response = Answer(405, "text/plain", "This address answers GET only.\n", kNoStore);
    response.headers.emplace_back("Allow", "GET, HEAD");
    return response;
  }
  constexpr std::string_view kJson = "application/json; charset=utf-8";
  if (path == "/api/online") {
    return Answer(200, kJson, OnlineJson(Snapshot(sources, {.members = true})), kNoStore);
  }
  if (path == "/api/events") {
    return Answer(200, kJson, EventsJson(Snapshot(sources, {.events = true})), kNoStore);
  }
  if (const PageAsset* asset = FindPageAsset(path)) {
    // Kept for good only under the address the current page names.
    const bool current = request.query == "v=" + std::string(PageAssetVersion());
    return Answer(200, asset->content_type, std::string(asset->body),
                  current ? kForGood : "no-cache");
  }
  return Answer(
      200, "text/html; charset=utf-8",
      MembersPage(Snapshot(sources, {.members = true, .events = true}), PageAssetVersion()),
      kNoStore);
}

}  // namespace ostravel::service
