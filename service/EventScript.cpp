#include "service/EventScript.h"

#include <algorithm>
#include <vector>

#include "base/AsciiText.h"
#include "service/CharacterTable.h"
#include "service/MemberList.h"
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

struct EventRow {
  std::int64_t id = 0;
  std::string starts_at;  // "YYYY-MM-DD hh:mm" or, without a time, "YYYY-MM-DD"
  std::string title;
  std::string description;
  std::int32_t added_by = 0;
};

std::string NameOf(SqliteConnection& db, std::int32_t id) {
  const auto row = FindCharacter(db, id);
  return row ? row->name : std::string("Unknown character");
}

std::string EventLine(SqliteConnection& db, const EventRow& event) {
  return wire::AnswerRecord()
      .Add("Event", event.title)
      .Add("Date", event.starts_at)
      .Add("Addedby", NameOf(db, event.added_by))
      .AddNumber("ID", event.id)
      .Add("Description", event.description)
      .Text();
}

// Events from `first` (a date) up to, not including, `last` (a date; "" for no end), of one
// character when `added_by` is not 0, in the order they happen; one more than a list shows,
// so that the list can say there are more.
std::vector<EventRow> Events(SqliteConnection& db, std::string_view first, std::string_view last,
                             std::int32_t added_by) {
  SqliteStatement& statement =
      db.Prepare(
            "SELECT id, starts_at, has_time, title, description, added_by FROM events "
            "WHERE starts_at >= ?1 AND (?2 = '' OR starts_at < ?2) AND (?3 = 0 OR added_by = ?3) "
            "ORDER BY starts_at, id LIMIT ?4")
          .Bind(1, first)
          .Bind(2, last)
          .Bind(3, added_by)
          .Bind(4, static_cast<std::int64_t>(kListCap + 1));
  std::vector<EventRow> rows;
  while (statement.Step()) {
    const std::string starts = statement.Text(1);
    rows.push_back(
        {statement.Int(0), statement.Int(2) ? starts.substr(0, 16) : starts.substr(0, 10),
         statement.Text(3), statement.Text(4), static_cast<std::int32_t>(statement.Int(5))});
  }
  return rows;
}

std::string List(ScriptContext& context, std::string_view rest) {
  const std::string what = LowerCase(Trim(rest));
  const auto& request = context.request;
  std::vector<EventRow> rows;
  constexpr std::string_view kDays = "nrofdays=";
  if (what.empty()) {
    rows = Events(context.db, "", "", 0);
  } else if (what == "mine") {
    rows = Events(context.db, "", "", request.character);
  } else if (what.starts_with(kDays)) {
    // nrofdays=N: today and the N - 1 days after it; tomorrow is not "today's".
    const auto days = ParseWholeNumber(std::string_view(what).substr(kDays.size()));
    if (!days || *days < 0 || *days > kMaxDays) {
      return "Usage: list nrofdays=N with N from 0 to " + std::to_string(kMaxDays) + ".";
    }
    const std::string today = wire::FormatIsoDate(request.now);
    const std::string end =
        wire::FormatIsoDate(wire::AddDays(request.now, static_cast<int>(*days)));
    rows = Events(context.db, today, end, 0);
  } else {
    return "Usage: list, list nrofdays=N (today and the next days), or list mine.";
  }
  const bool more = rows.size() > kListCap;
  if (more) rows.resize(kListCap);
  std::vector<std::string> lines;
  for (const EventRow& event : rows) lines.push_back(EventLine(context.db, event));
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

std::int64_t ComingEventsOf(SqliteConnection& db, std::int32_t character,
                            const platform::DateTime& now) {
  SqliteStatement& count =
      db.Prepare("SELECT count(*) FROM events WHERE added_by = ?1 AND starts_at >= ?2")
          .Bind(1, character)
          .Bind(2, wire::FormatIsoDate(now));
  const std::int64_t coming = count.Step() ? count.Int(0) : 0;
  count.Reset();
  return coming;
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
    return "Titles have at most 100 and descriptions at most 500 characters; nothing is added.";
  }
  if (ComingEventsOf(context.db, request.character, request.now) >= kMaxComingPerCharacter) {
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
  SqliteStatement& find = context.db.Prepare("SELECT title, added_by FROM events WHERE id = ?1")
                              .Bind(1, id.value_or(0));
  if (!id || !find.Step()) return wire::CleanValue("No event with ID " + std::string(rest) + ".");
  const std::string title = find.Text(0);
  const auto added_by = static_cast<std::int32_t>(find.Int(1));
  find.Reset();
  if (added_by != context.request.character) {
    return "Only " + NameOf(context.db, added_by) + ", who added it, can delete event " +
           std::to_string(*id) + ".";
  }
  context.db.Prepare("DELETE FROM events WHERE id = ?1").Bind(1, *id).Run();
  return "Event " + std::to_string(*id) + " (" + title + ") deleted.";
}

const std::string kHelp = wire::JoinLines({
    "@event commands (Ostravel service):",
    "list - all quests and events (the first 200); list nrofdays=N - today and the next N-1 days; "
    "list mine - "
    "the ones you added",
    "add YYYY-MM-DD [hh:mm] TITLE[, DESCRIPTION] - announce one (today and tomorrow work as "
    "dates, up to two years ahead; titles up to 100, descriptions up to 500 characters; at "
    "most 20 events to come per character)",
    "delete ID - remove one you added",
});

}  // namespace

std::int64_t InsertEvent(SqliteConnection& db, const NewEvent& event) {
  db.Prepare(
        "INSERT INTO events (starts_at, has_time, title, description, added_by, added_at) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
      .Bind(1, event.starts_at)
      .Bind(2, event.has_time ? 1 : 0)
      .Bind(3, event.title)
      .Bind(4, event.description)
      .Bind(5, event.added_by)
      .Bind(6, event.added_at)
      .Run();
  return db.LastInsertId();
}

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
