#include "DemoEventScript.h"

#include <algorithm>
#include <vector>

#include "DemoCommands.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::app {
namespace {

constexpr std::string_view kAddFormat =
    "Usage: add YYYY-MM-DD [hh:mm] TITLE[, DESCRIPTION] - for example add 2025-06-01 20:00 "
    "Olthoi hunt, meet at the lifestone. today and tomorrow work as dates too.";

using EventFilter = std::function<bool(const DemoEvent&)>;

std::string EventLine(const DemoWorld& world, const DemoEvent& event) {
  return wire::AnswerRecord()
      .Add(wire::answer::kEvent, event.title)
      .Add(wire::answer::kDate,
           event.has_time ? wire::FormatIsoMinute(event.when) : wire::FormatIsoDate(event.when))
      .Add(wire::answer::kAddedby, world.NameOf(event.added_by))
      .AddNumber(wire::answer::kID, event.id)
      .Add(wire::answer::kDescription, event.description)
      .Text();
}

// nullopt for an argument the list does not know.
std::optional<EventFilter> ListFilter(const DemoRequest& request, std::string_view rest) {
  const std::string what = LowerCase(Trim(rest));
  if (what.empty()) return [](const DemoEvent&) { return true; };
  if (what == "mine") {
    return [caller = request.character](const DemoEvent& e) { return e.added_by == caller; };
  }
  constexpr std::string_view kDays = "nrofdays=";
  if (what.starts_with(kDays)) {
    const auto days = ParseWholeNumber(std::string_view(what).substr(kDays.size()));
    if (!days || *days < 0) return std::nullopt;
    return [now = request.now, days = *days](const DemoEvent& e) {
      const int ahead = wire::DaysBetween(now, e.when);
      return ahead >= 0 && ahead < days;
    };
  }
  return std::nullopt;
}

std::string List(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  const auto filter = ListFilter(request, rest);
  if (!filter) return "Usage: list, list nrofdays=N (today and the next days), or list mine.";
  std::vector<const DemoEvent*> found;
  for (const DemoEvent& event : world.events) {
    if ((*filter)(event)) found.push_back(&event);
  }
  std::stable_sort(found.begin(), found.end(), [](const DemoEvent* a, const DemoEvent* b) {
    return wire::ToUnixSeconds(a->when) < wire::ToUnixSeconds(b->when);
  });
  std::vector<std::string> lines;
  for (const DemoEvent* event : found) lines.push_back(EventLine(world, *event));
  return lines.empty() ? "No quests or events in this list." : wire::JoinLines(lines);
}

std::optional<platform::DateTime> ReadDay(const DemoRequest& request, std::string_view word) {
  const std::string lower = LowerCase(word);
  if (lower == "today") return wire::AtTime(request.now, 0, 0);
  if (lower == "tomorrow") return wire::AtTime(wire::AddDays(request.now, 1), 0, 0);
  return wire::ParseIsoDate(word);
}

std::string Add(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  auto [date_word, after_date] = FirstWord(rest);
  const auto day = ReadDay(request, date_word);
  if (!day) return std::string(kAddFormat);
  auto [time_word, after_time] = FirstWord(after_date);
  const auto time = wire::ParseClockTime(time_word);
  const std::string_view text = time ? after_time : after_date;
  const std::size_t comma = text.find(',');
  const std::string title = wire::CleanValue(text.substr(0, comma));
  if (title.empty()) return std::string(kAddFormat);
  if (wire::DaysBetween(request.now, *day) < 0)
    return "That date has passed; events start today or later.";
  const std::string description =
      comma == std::string_view::npos ? std::string() : wire::CleanValue(text.substr(comma + 1));
  const DemoEvent& event =
      world.AddEvent(time ? wire::AtTime(*day, time->hour, time->minute) : *day, time.has_value(),
                     title, description, request.character);
  return "Event " + std::to_string(event.id) + " added: " + event.title + " on " +
         (event.has_time ? wire::FormatIsoMinute(event.when) : wire::FormatIsoDate(event.when)) +
         ".";
}

std::string Delete(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  const auto id = ParseWholeNumber(rest);
  const auto it = std::find_if(world.events.begin(), world.events.end(),
                               [&](const DemoEvent& e) { return id && e.id == *id; });
  if (it == world.events.end())
    return wire::CleanValue("No event with ID " + std::string(rest) + ".");
  if (it->added_by != request.character) {
    return "Only " + world.NameOf(it->added_by) + ", who added it, can delete event " +
           std::to_string(it->id) + ".";
  }
  const std::string title = it->title;
  world.events.erase(it);
  return "Event " + std::string(Trim(rest)) + " (" + title + ") deleted.";
}

const std::string kHelp = wire::JoinLines({
    "@event commands (Ostravel demo service):",
    "list - all quests and events; list nrofdays=N - today and the next N-1 days; list mine - "
    "the ones you added",
    "add YYYY-MM-DD [hh:mm] TITLE[, DESCRIPTION] - announce one (today and tomorrow work as "
    "dates)",
    "delete ID - remove one you added",
});

}  // namespace

std::string RunEventScript(DemoWorld& world, const DemoRequest& request) {
  static const DemoCommandSet commands{
      "@event", kHelp, {{"list", List}, {"add", Add}, {"delete", Delete}}, {}};
  return RunDemoCommand(commands, world, request);
}

}  // namespace ostravel::app
