#include "service/page/PageJson.h"

#include <nlohmann/json.hpp>

#include "service/page/EventTimes.h"

namespace ostravel::service {
namespace {

using Json = nlohmann::ordered_json;

Json Member(const PageMember& member) {
  return {{"name", member.name}, {"level", member.level}, {"class", member.class_name}};
}

Json Members(const std::vector<PageMember>& members) {
  Json list = Json::array();
  for (const PageMember& member : members) list.push_back(Member(member));
  return list;
}

std::string Text(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

std::string OnlineJson(const PageSnapshot& snapshot) {
  Json online = Json::array();
  for (const PageMember& member : snapshot.online) {
    Json entry = Member(member);
    entry["roles"] = member.roles;
    online.push_back(std::move(entry));
  }
  Json recent = Json::array();
  for (const PageMember& member : snapshot.recent) {
    recent.push_back({{"name", member.name}, {"last_seen", member.last_seen}});
  }
  Json fellowships = Json::array();
  for (const PageFellowship& f : snapshot.fellowships) {
    fellowships.push_back({{"name", f.name},
                           {"leader", f.leader},
                           {"leader_level", f.leader_level},
                           {"fellows", f.fellows}});
  }
  return Text({{"taken_at", snapshot.taken_at},
               {"motd", snapshot.motd ? Json(*snapshot.motd) : Json(nullptr)},
               {"online", std::move(online)},
               {"online_total", snapshot.online_total},
               {"recent", std::move(recent)},
               {"recent_total", snapshot.recent_total},
               {"fellowships", std::move(fellowships)},
               {"seeking_fellowship", Members(snapshot.seeking_fellowship)}});
}

std::string EventsJson(const PageSnapshot& snapshot) {
  Json events = Json::array();
  for (const PageEvent& event : snapshot.events) {
    events.push_back({{"id", event.id},
                      {"title", event.title},
                      {"starts", event.starts},
                      {"has_time", event.has_time},
                      // The moment, for a reader in another time zone; none for a whole day.
                      {"starts_iso", event.has_time ? Json(IsoStart(event)) : Json(nullptr)},
                      {"description", event.description},
                      {"added_by", event.added_by}});
  }
  return Text({{"taken_at", snapshot.taken_at}, {"events", std::move(events)}});
}

}  // namespace ostravel::service
