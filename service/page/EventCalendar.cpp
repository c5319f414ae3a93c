#include "service/page/EventCalendar.h"

#include <cstdint>
#include <cstdio>

#include "service/page/EventTimes.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

constexpr std::size_t kMaxLineBytes = 75;

std::string UtcStamp(const platform::DateTime& utc) {
  char text[24];
  std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", utc.year, utc.month, utc.day,
                utc.hour, utc.minute, utc.second);
  return text;
}

std::string Day(const platform::DateTime& day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", day.year, day.month, day.day);
  return text;
}

// Event ids are never reused while the database lives, but a new database starts again at 1:
// the start and the title (neither can change) keep two such events apart.
std::string Uid(const PageEvent& event) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : event.starts + '\n' + event.title) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  char text[64];
  std::snprintf(text, sizeof text, "event-%lld-%08x@ostravel-service", event.id,
                static_cast<unsigned>(hash));
  return text;
}

void Line(std::string& out, std::string_view name, std::string_view value) {
  out += FoldCalendarLine(std::string(name) + ":" + std::string(value));
}

void Event(std::string& out, const PageEvent& event, const std::string& stamp) {
  const auto start = EventStart(event);
  if (!start) return;
  Line(out, "BEGIN", "VEVENT");
  Line(out, "UID", Uid(event));
  Line(out, "DTSTAMP", stamp);
  if (event.has_time) {
    Line(out, "DTSTART", UtcStamp(ToUtc(*start, event.utc_offset)));
  } else {
    Line(out, "DTSTART;VALUE=DATE", Day(*start));
    Line(out, "DTEND;VALUE=DATE", Day(wire::AddDays(*start, 1)));
  }
  Line(out, "SUMMARY", EscapeCalendarText(event.title));
  std::string description = event.description;
  if (!event.added_by.empty()) {
    description += (description.empty() ? "" : "\n\n") + std::string("Added by ") + event.added_by;
  }
  if (!description.empty()) Line(out, "DESCRIPTION", EscapeCalendarText(description));
  Line(out, "END", "VEVENT");
}

}  // namespace

std::string EscapeCalendarText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' || c == ';' || c == ',') {
      out += '\\';
      out += c;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
      out += c;
    } else if (c == '\t') {
      out += ' ';
    }
  }
  return out;
}

std::string FoldCalendarLine(std::string_view line) {
  std::string out;
  std::size_t room = kMaxLineBytes;
  while (line.size() > room) {
    std::size_t cut = room;
    // Back to the first byte of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    if (cut == 0) cut = room;  // no character starts there: bytes that are no UTF-8
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    room = kMaxLineBytes - 1;  // the space that starts the continuation counts
  }
  out.append(line);
  out += "\r\n";
  return out;
}

std::string EventCalendar(std::string_view calendar_name, const std::vector<PageEvent>& events,
                          const platform::DateTime& stamp_utc) {
  std::string out;
  Line(out, "BEGIN", "VCALENDAR");
  Line(out, "VERSION", "2.0");
  Line(out, "PRODID", "-//Ostravel//ostravel-service//EN");
  Line(out, "CALSCALE", "GREGORIAN");
  Line(out, "METHOD", "PUBLISH");
  Line(out, "X-WR-CALNAME", EscapeCalendarText(calendar_name));
  const std::string stamp = UtcStamp(stamp_utc);
  for (const PageEvent& event : events) Event(out, event, stamp);
  Line(out, "END", "VCALENDAR");
  return out;
}

}  // namespace ostravel::service
