#include "service/page/PageRoutes.h"

#include <string>
#include <string_view>

#include "platform/UtcOffset.h"
#include "service/page/EventCalendar.h"
#include "service/page/EventTimes.h"
#include "service/page/InstallerFile.h"
#include "service/page/PageAssets.h"
#include "service/page/PageHtml.h"
#include "service/page/PageJson.h"
#include "service/page/PublicAddress.h"
#include "wire/ServiceDates.h"

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

// A calendar keeps what it was sent; a feed that still holds the last month's events lets it
// show them as they were rather than drop them the day after.
constexpr int kCalendarDaysBack = 30;

// Which parts of the page an answer needs.
struct Parts {
  bool members = false;
  bool events = false;
  int event_days_back = 0;
};

UtcOffset OffsetOf(const PageOptions& options) {
  return options.utc_offset ? options.utc_offset : UtcOffset(platform::LocalUtcOffsetSeconds);
}

PageSnapshot Snapshot(const PageSources& sources, const PageOptions& options, Parts parts) {
  PageSnapshot snapshot;
  const platform::DateTime now = sources.now();
  sources.store.Query([&](StoreQueries& store) {
    if (parts.members) ReadMembers(store, sources.members, now, snapshot);
    if (parts.events) {
      ReadEvents(store, wire::AddDays(now, -parts.event_days_back), now, snapshot);
      snapshot.monarch = store.MostNamedMonarch();
    }
  });
  NoteUtcOffsets(snapshot.events, OffsetOf(options));
  return snapshot;
}

std::string AllegianceName(const PageOptions& options, const PageSnapshot& snapshot) {
  if (!options.name.empty()) return options.name;
  return snapshot.monarch.empty() ? std::string() : "Allegiance of " + snapshot.monarch;
}

HttpResponse Calendar(const PageSources& sources, const PageOptions& options) {
  const PageSnapshot snapshot =
      Snapshot(sources, options, {.events = true, .event_days_back = kCalendarDaysBack});
  const platform::DateTime now = sources.now();
  const std::string name = AllegianceName(options, snapshot);
  return Answer(200, "text/calendar; charset=utf-8",
                EventCalendar(name.empty() ? "Allegiance events" : name + ": events",
                              snapshot.events, ToUtc(now, OffsetOf(options)(now))),
                kNoStore);
}

HttpResponse Installer(const PageOptions& options) {
  std::optional<std::string> bytes = ReadInstaller(options.installer);
  if (!bytes) {
    return Answer(404, "text/plain",
                  "The installer is not on this server; ask the allegiance's admin for it.\n",
                  kNoStore);
  }
  HttpResponse response =
      Answer(200, "application/vnd.microsoft.portable-executable", std::move(*bytes), "no-cache");
  response.headers.emplace_back("Content-Disposition",
                                "attachment; filename=\"" + std::string(kInstallerFileName) + "\"");
  return response;
}

HttpResponse Page(const PageSources& sources, const PageOptions& options,
                  const HttpRequest& request) {
  const PageSnapshot snapshot = Snapshot(sources, options, {.members = true, .events = true});
  const PageIntro intro{AllegianceName(options, snapshot),
                        PublicAddress(options.public_url, request),
                        InstallerAvailable(options.installer)};
  return Answer(200, "text/html; charset=utf-8", MembersPage(snapshot, intro, PageAssetVersion()),
                kNoStore);
}

bool IsPagePath(std::string_view path) {
  return path == "/" || path == "/api/online" || path == "/api/events" || path == "/events.ics" ||
         path == kInstallerPath || FindPageAsset(path) != nullptr;
}

}  // namespace

std::optional<HttpResponse> AnswerPageRequest(const PageSources& sources,
                                              const PageOptions& options,
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
    return Answer(200, kJson, OnlineJson(Snapshot(sources, options, {.members = true})), kNoStore);
  }
  if (path == "/api/events") {
    return Answer(200, kJson, EventsJson(Snapshot(sources, options, {.events = true})), kNoStore);
  }
  if (path == "/events.ics") return Calendar(sources, options);
  if (path == kInstallerPath) return Installer(options);
  if (const PageAsset* asset = FindPageAsset(path)) {
    // Kept for good only under the address the current page names.
    const bool current = request.query == "v=" + std::string(PageAssetVersion());
    return Answer(200, asset->content_type, std::string(asset->body),
                  current ? kForGood : "no-cache");
  }
  return Page(sources, options, request);
}

}  // namespace ostravel::service
