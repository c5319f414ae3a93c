#include "service/scripts/EventScript.h"

#include <algorithm>
#include <vector>

#include "base/AsciiText.h"
#include "service/scripts/MemberList.h"
#include "service/scripts/Officers.h"
#include "service/store/EventTable.h"
#include "wire/AnswerRecord.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

constexpr std::string_view kAddFormat =
    "Usage: add YYYY-MM-DD [hh:mm] TITLE[, DESCRIPTION] - for example add 2025-06-01 20:00 "
    "Olthoi hunt, meet at the lifestone. today and tomorrow work as dates too.";

// Days ahead that a list may ask for: about ten years.
constexpr std::int64_t kMaxDays = 3660;
// How far ahead an event may be announced: two years.
constexpr int kMaxDaysAhead = 730;
// The events to come that one character may have at a time, so that nobody fills the lists.
constexpr std::int64_t kMaxComingPerCharacter = 20;

std::string NameOrUnknown(const std::string& name) {
  return name.empty() ? std::string("Unknown character") : name;
}

std::string EventLine(const EventRow& event) {
  return wire::AnswerRecord()
      .Add("Event", event.title)
      .Add("Date", event.starts_at)
      .Add("Addedby", NameOrUnknown(event.added_by_name))
      .AddNumber("ID", event.id)
      .Add("Description", event.description)
      .Text();
}

std::string List(ScriptContext& context, std::string_view rest) {
  const std::string what = LowerCase(Trim(rest));
  const auto& request = context.request;
  std::vector<EventRow> rows;
  constexpr std::string_view kDays = "nrofdays=";
  if (what.empty()) {
    rows = FindEvents(context.db, "", "", 0, kListCap + 1);
  } else if (what == "mine") {
    rows = FindEvents(context.db, "", "", request.character, kListCap + 1);
  } else if (what.starts_with(kDays)) {
    // nrofdays=N: today and the N - 1 days after it; tomorrow is not "today's".
    const auto days = ParseWholeNumber(std::string_view(what).substr(kDays.size()));
    if (!days || *days < 0 || *days > kMaxDays) {
      return "Usage: list nrofdays=N with N from 0 to " + std::to_string(kMaxDays) + ".";
    }
    const std::string today = wire::FormatIsoDate(request.now);
    const std::string end =
        wire::FormatIsoDate(wire::AddDays(request.now, static_cast<int>(*days)));
    rows = FindEvents(context.db, today, end, 0, kListCap + 1);
  } else {
    return "Usage: list, list nrofdays=N (today and the next days), or list mine.";
  }
  const bool more = rows.size() > kListCap;
  if (more) rows.resize(kListCap);
  std::vector<std::string> lines;
  for (const EventRow& event : rows) lines.push_back(EventLine(event));
  if (more) lines.push_back(MoreLine("events", "by date"));
  return lines.empty() ? "No quests or events in this list." : wire::JoinLines(lines);
}

std::optional<platform::DateTime> ReadDay(const ServiceRequest& request, std::string_view word) {
  const std::string lower = LowerCase(word);
  if (lower == "today") return wire::AtTime(request.now, 0, 0);
  if (lower == "tomorrow") return wire::AtTime(wire::AddDays(request.now, 1), 0, 0);
  return wire::ParseIsoDate(word);
}

// "25:61" has the shape of a time but is none: a typo, not the first word of a title.
bool LooksLikeTime(std::string_view word) {
  const auto colon = word.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == word.size()) return false;
  return std::all_of(word.begin(), word.end(),
                     [](char c) { return c == ':' || (c >= '0' && c <= '9'); });
}

std::string Add(ScriptContext& context, std::string_view rest) {
  const auto& request = context.request;
  auto [date_word, after_date] = FirstWord(rest);
  const auto day = ReadDay(request, date_word);
  if (!day || wire::DaysBetween(request.now, *day) > kMaxDaysAhead) {
    return std::string(kAddFormat);
  }
  auto [time_word, after_time] = FirstWord(after_date);
  const auto time = wire::ParseClockTime(time_word);
  if (!time && LooksLikeTime(time_word)) return std::string(kAddFormat);
  const std::string_view text = time ? after_time : after_date;
  const std::size_t comma = text.find(',');
  const std::string title = wire::CleanValue(text.substr(0, comma));
  if (title.empty()) return std::string(kAddFormat);
  if (wire::DaysBetween(request.now, *day) < 0) {
    return "That date has passed; events start today or later.";
  }
  const std::string description =
      comma == std::string_view::npos ? std::string() : wire::CleanValue(text.substr(comma + 1));
  if (CharacterCount(title) > kMaxEventTitleLength ||
      CharacterCount(description) > kMaxEventDescriptionLength) {
    return "Titles have at most " + std::to_string(kMaxEventTitleLength) +
           " and descriptions at most " + std::to_string(kMaxEventDescriptionLength) +
           " characters; nothing is added.";
  }
  if (CountEventsFrom(context.db, request.character, wire::FormatIsoDate(request.now)) >=
      kMaxComingPerCharacter) {
    return "You have " + std::to_string(kMaxComingPerCharacter) +
           " events to come already; delete one (delete ID) before you add another.";
  }
  const std::string when = time
                               ? wire::FormatIsoMinute(wire::AtTime(*day, time->hour, time->minute))
                               : wire::FormatIsoDate(*day);
  const std::int64_t id =
      InsertEvent(context.db, {when, time.has_value(), title, description, request.character,
                               wire::FormatIsoDateTime(request.now)});
  return "Event " + std::to_string(id) + " added: " + title + " on " + when + ".";
}

std::string Delete(ScriptContext& context, std::string_view rest) {
  const auto id = ParseWholeNumber(rest);
  const auto event = id ? FindEvent(context.db, *id) : std::nullopt;
  if (!event) return wire::CleanValue("No event with ID " + std::string(rest) + ".");
  const bool own = event->added_by == context.request.character;
  const auto officer = own ? std::nullopt : OfficerActor(context);
  if (!own && !officer) {
    return OfficersOnly("delete events that others added; event " + std::to_string(*id) +
                        " was added by " + NameOrUnknown(event->added_by_name));
  }
  DeleteEvent(context.db, *id);
  if (officer) {
    AuditOfficer(context, *officer, "event delete " + std::to_string(*id) + " " + event->title);
  }
  return "Event " + std::to_string(*id) + " (" + event->title + ") deleted.";
}

const std::string kHelp = wire::JoinLines({
    "@event commands (Ostravel service):",
    "list - all quests and events (the first 200); list nrofdays=N - today and the next N-1 days; "
    "list mine - "
    "the ones you added",
    "add YYYY-MM-DD [hh:mm] TITLE[, DESCRIPTION] - announce one (today and tomorrow work as "
    "dates, up to two years ahead; titles up to " +
        std::to_string(kMaxEventTitleLength) + ", descriptions up to " +
        std::to_string(kMaxEventDescriptionLength) + " characters; at most " +
        std::to_string(kMaxComingPerCharacter) + " events to come per character)",
    "delete ID - remove one you added (officers: any)",
});

}  // namespace

const CommandSet& EventCommands() {
  static const CommandSet commands{
      "@event",
      kHelp,
      {{"list", {false, List}}, {"add", {true, Add}}, {"delete", {true, Delete}}},
      {},
      {}};
  return commands;
}

}  // namespace ostravel::service
