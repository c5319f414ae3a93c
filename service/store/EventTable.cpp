#include "service/store/EventTable.h"

namespace ostravel::service {
namespace {

constexpr std::string_view kSelect =
    "SELECT e.id, e.starts_at, e.has_time, e.title, e.description, e.added_by, c.name "
    "FROM events e LEFT JOIN characters c ON c.id = e.added_by ";

// Columns: id, starts_at, has_time, title, description, added_by, the adder's name (or NULL).
EventRow ReadEvent(SqliteStatement& statement) {
  const bool has_time = statement.Int(2) != 0;
  const std::string starts = statement.Text(1);
  return {statement.Int(0),
          starts.substr(0, has_time ? 16 : 10),
          has_time,
          statement.Text(3),
          statement.Text(4),
          static_cast<std::int32_t>(statement.Int(5)),
          statement.IsNull(6) ? std::string() : statement.Text(6)};
}

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

std::vector<EventRow> FindEvents(SqliteConnection& db, std::string_view first,
                                 std::string_view last, std::int32_t added_by, std::int64_t limit) {
  SqliteStatement& statement =
      db.Prepare(std::string(kSelect) +
                 "WHERE e.starts_at >= ?1 AND (?2 = '' OR e.starts_at < ?2) "
                 "AND (?3 = 0 OR e.added_by = ?3) ORDER BY e.starts_at, e.id LIMIT ?4")
          .Bind(1, first)
          .Bind(2, last)
          .Bind(3, added_by)
          .Bind(4, limit);
  return ReadRows(statement, ReadEvent);
}

std::int64_t CountEventsFrom(SqliteConnection& db, std::int32_t added_by, std::string_view first) {
  SqliteStatement& count =
      db.Prepare("SELECT count(*) FROM events WHERE added_by = ?1 AND starts_at >= ?2")
          .Bind(1, added_by)
          .Bind(2, first);
  const std::int64_t events = count.Step() ? count.Int(0) : 0;
  count.Reset();
  return events;
}

std::optional<EventRow> FindEvent(SqliteConnection& db, std::int64_t id) {
  SqliteStatement& statement = db.Prepare(std::string(kSelect) + "WHERE e.id = ?1").Bind(1, id);
  if (!statement.Step()) return std::nullopt;
  EventRow row = ReadEvent(statement);
  statement.Reset();
  return row;
}

void DeleteEvent(SqliteConnection& db, std::int64_t id) {
  db.Prepare("DELETE FROM events WHERE id = ?1").Bind(1, id).Run();
}

}  // namespace ostravel::service
